// The browser link's protection, composed of the crypto seam's primitives:
// a handshake in which each side proves, with HMAC-SHA256 over both sides'
// fresh nonces, that it holds the shared secret (which never crosses the
// network); keys for the connection, one per direction, from HKDF-SHA256 of
// the secret and both nonces; then every message sealed with AES-256-GCM
// under a counter, so that a message replayed, reordered, cut or changed
// fails to open.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/crypto.h"

namespace vork {

inline constexpr std::size_t LINK_NONCE_BYTES = 16;
inline constexpr std::string_view PAGE_SIDE = "page";
inline constexpr std::string_view PC_SIDE = "pc";

std::string toHex(ByteView bytes);
// None unless an even number of hex digits.
std::optional<Bytes> fromHex(std::string_view hex);
inline ByteView bytesOf(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// What `side` sends to prove it holds `secret`: HMAC(secret, "vork-" side, the
// page's nonce, Vork's nonce, the browser's id (empty while pairing)).
std::optional<Bytes> handshakeProof(Crypto& crypto, ByteView secret, std::string_view side, ByteView pageNonce,
                                    ByteView pcNonce, std::string_view id);

struct ChannelKeys {
    Bytes pageToPc;
    Bytes pcToPage;
};
std::optional<ChannelKeys> channelKeys(Crypto& crypto, ByteView secret, ByteView pageNonce, ByteView pcNonce);

// One direction's counter as the 12-byte GCM nonce: four zero bytes, then
// the counter, most significant byte first.
Bytes counterNonce(std::uint64_t counter);

class SealedChannel {
public:
    SealedChannel(Crypto& crypto, Bytes sendKey, Bytes receiveKey)
        : crypto_(crypto), sendKey_(std::move(sendKey)), receiveKey_(std::move(receiveKey)) {}

    // The message sealed, as hex for a text frame.
    std::optional<std::string> seal(std::string_view text);
    // The next message, or none: forged, replayed, out of order or cut (the
    // connection is then over).
    std::optional<std::string> open(std::string_view hex);

private:
    Crypto& crypto_;
    Bytes sendKey_;
    Bytes receiveKey_;
    std::uint64_t sent_ = 0;
    std::uint64_t received_ = 0;
};

}  // namespace vork
