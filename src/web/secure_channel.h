// The browser link's protection, composed of the crypto seam's primitives.
// Every connection runs SPAKE2 (spake2.h): the page as A, Vork as B, with a
// password that is the offer's QR secret, its typed code, or the browser's
// own key. Each direction then gets its own key, HKDF-SHA256 of SPAKE2's key
// with the whole handshake (mode, browser, counter, both shares) in its info,
// and every message is padded to a size that tells little and sealed with
// AES-256-GCM under a counter, so that a message replayed, reordered, cut or
// changed fails to open.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/crypto.h"

namespace vork {

// The three ways into a connection.
enum class LinkMode { Qr, Code, Key };

inline constexpr std::string_view PAGE_IDENTITY = "vork page";  // SPAKE2's A
inline constexpr std::string_view PC_IDENTITY = "vork pc";      // SPAKE2's B
inline constexpr std::size_t SMALLEST_PADDED = 48;  // keys, presses, clicks and moves all fill this
inline constexpr std::size_t PADDING_STEP = 64;     // longer texts grow by this
// What the window tells a page (the keypad's labels, what plays and its
// picture) would name the application or the title by its size: it grows by
// a kilobyte, and a picture by 16 KiB.
inline constexpr std::size_t WINDOW_PADDING_STEP = 1024;
inline constexpr std::size_t PICTURE_PADDING_STEP = std::size_t{16} * 1024;

std::string toHex(ByteView bytes);
// None unless an even number of hex digits.
std::optional<Bytes> fromHex(std::string_view hex);
inline ByteView bytesOf(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

std::string_view linkModeName(LinkMode mode);
// SPAKE2's w for the connection's password (the secret's bytes, or the code as typed).
std::optional<Bytes> linkPassword(Crypto& crypto, LinkMode mode, ByteView secret);
// SPAKE2's extra data: the mode, the browser's id (empty while pairing) and
// the counter (the offer's generation, or the browser key's number).
Bytes handshakeContext(LinkMode mode, std::string_view browserId, std::uint64_t counter);

struct ChannelKeys {
    Bytes pageToPc;
    Bytes pcToPage;
};
std::optional<ChannelKeys> channelKeys(Crypto& crypto, ByteView sharedKey, ByteView context, ByteView pageShare,
                                       ByteView pcShare);

// The size a message of `length` bytes is padded to before sealing: room for
// the 0x80 that ends it, rounded up to SMALLEST_PADDED, then to PADDING_STEP
// (or to `step`, a multiple of it).
std::size_t paddedLength(std::size_t length, std::size_t step = PADDING_STEP);

// One direction's counter as the 12-byte GCM nonce: four zero bytes, then
// the counter, most significant byte first.
Bytes counterNonce(std::uint64_t counter);

class SealedChannel {
public:
    SealedChannel(Crypto& crypto, Bytes sendKey, Bytes receiveKey)
        : crypto_(crypto), sendKey_(std::move(sendKey)), receiveKey_(std::move(receiveKey)) {}

    // The message padded (to `step`s, see paddedLength) and sealed, as hex for a text frame.
    std::optional<std::string> seal(std::string_view text, std::size_t step = PADDING_STEP);
    // The next message, or none: forged, replayed, out of order, cut or
    // padded wrongly (the connection is then over).
    std::optional<std::string> open(std::string_view hex);

private:
    Crypto& crypto_;
    Bytes sendKey_;
    Bytes receiveKey_;
    std::uint64_t sent_ = 0;
    std::uint64_t received_ = 0;
};

}  // namespace vork
