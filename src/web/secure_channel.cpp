#include "web/secure_channel.h"

#include "web/hkdf.h"
#include "web/spake2.h"

namespace vork {

namespace {

constexpr std::string_view HEX_DIGITS = "0123456789abcdef";
constexpr std::string_view PAGE_TO_PC_INFO = "vork page to pc";
constexpr std::string_view PC_TO_PAGE_INFO = "vork pc to page";
constexpr std::string_view CONTEXT_LABEL = "vork link 1";
constexpr std::uint8_t END_OF_TEXT = 0x80;

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// label, a zero byte, the context, then both shares: every part of the handshake.
Bytes keyInfo(std::string_view label, ByteView context, ByteView pageShare, ByteView pcShare) {
    Bytes info(label.begin(), label.end());
    info.push_back(0);
    for (const ByteView part : {context, pageShare, pcShare}) info.insert(info.end(), part.begin(), part.end());
    return info;
}

}  // namespace

std::string toHex(ByteView bytes) {
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (const std::uint8_t byte : bytes) {
        hex.push_back(HEX_DIGITS[byte >> 4]);
        hex.push_back(HEX_DIGITS[byte & 0x0F]);
    }
    return hex;
}

std::optional<Bytes> fromHex(std::string_view hex) {
    if (hex.size() % 2 != 0) return std::nullopt;
    Bytes bytes;
    bytes.reserve(hex.size() / 2);
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        const int high = hexValue(hex[i]);
        const int low = hexValue(hex[i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
    }
    return bytes;
}

std::string_view linkModeName(LinkMode mode) {
    switch (mode) {
    case LinkMode::Qr: return "qr";
    case LinkMode::Code: return "code";
    case LinkMode::Key: return "key";
    }
    return "key";
}

std::optional<Bytes> linkPassword(Crypto& crypto, LinkMode mode, ByteView secret) {
    return spake2Password(crypto, secret, "vork " + std::string(linkModeName(mode)));
}

Bytes handshakeContext(LinkMode mode, std::string_view browserId, std::uint64_t counter) {
    const std::string text = std::string(CONTEXT_LABEL) + " " + std::string(linkModeName(mode)) + " " +
                             std::string(browserId) + " " + std::to_string(counter);
    return Bytes(text.begin(), text.end());
}

std::optional<ChannelKeys> channelKeys(Crypto& crypto, ByteView sharedKey, ByteView context, ByteView pageShare,
                                       ByteView pcShare) {
    std::optional<Bytes> up =
        hkdfSha256(crypto, sharedKey, {}, keyInfo(PAGE_TO_PC_INFO, context, pageShare, pcShare), AES_KEY_BYTES);
    std::optional<Bytes> down =
        hkdfSha256(crypto, sharedKey, {}, keyInfo(PC_TO_PAGE_INFO, context, pageShare, pcShare), AES_KEY_BYTES);
    if (!up || !down) return std::nullopt;
    return ChannelKeys{std::move(*up), std::move(*down)};
}

std::size_t paddedLength(std::size_t length, std::size_t step) {
    const std::size_t needed = length + 1;
    // A coarser step pads even the smallest message to a whole step.
    if (needed <= SMALLEST_PADDED && step == PADDING_STEP) return SMALLEST_PADDED;
    return (needed + step - 1) / step * step;
}

Bytes counterNonce(std::uint64_t counter) {
    Bytes nonce(GCM_NONCE_BYTES, 0);
    for (std::size_t i = 0; i < 8; ++i) nonce[GCM_NONCE_BYTES - 1 - i] = static_cast<std::uint8_t>(counter >> (8 * i));
    return nonce;
}

std::optional<std::string> SealedChannel::seal(std::string_view text, std::size_t step) {
    // The text, 0x80, then zeros: ISO/IEC 7816-4's padding, unambiguous for any text.
    Bytes padded(bytesOf(text).begin(), bytesOf(text).end());
    padded.push_back(END_OF_TEXT);
    padded.resize(paddedLength(text.size(), step), 0);
    const std::optional<Bytes> sealed = crypto_.sealAesGcm(sendKey_, counterNonce(sent_), padded, {});
    if (!sealed) return std::nullopt;
    ++sent_;
    return toHex(*sealed);
}

std::optional<std::string> SealedChannel::open(std::string_view hex) {
    const std::optional<Bytes> sealed = fromHex(hex);
    if (!sealed) return std::nullopt;
    // Only the counter expected next opens it: a replay, a reordering or a gap fails.
    const std::optional<Bytes> plain = crypto_.openAesGcm(receiveKey_, counterNonce(received_), *sealed, {});
    if (!plain) return std::nullopt;
    ++received_;
    std::size_t end = plain->size();
    while (end > 0 && (*plain)[end - 1] == 0) --end;
    if (end == 0 || (*plain)[end - 1] != END_OF_TEXT) return std::nullopt;
    return std::string(plain->begin(), plain->begin() + static_cast<std::ptrdiff_t>(end - 1));
}

}  // namespace vork
