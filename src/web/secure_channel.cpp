#include "web/secure_channel.h"

#include "link/hkdf.h"

namespace vork {

namespace {

constexpr std::string_view HEX_DIGITS = "0123456789abcdef";
constexpr std::string_view PAGE_TO_PC_INFO = "vork page to pc";
constexpr std::string_view PC_TO_PAGE_INFO = "vork pc to page";

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

Bytes joined(std::initializer_list<ByteView> parts) {
    Bytes out;
    for (const ByteView part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
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

std::optional<Bytes> handshakeProof(Crypto& crypto, ByteView secret, std::string_view side, ByteView pageNonce,
                                    ByteView pcNonce, std::string_view id) {
    const std::string label = "vork-" + std::string(side);
    return crypto.hmacSha256(secret, joined({bytesOf(label), pageNonce, pcNonce, bytesOf(id)}));
}

std::optional<ChannelKeys> channelKeys(Crypto& crypto, ByteView secret, ByteView pageNonce, ByteView pcNonce) {
    const Bytes salt = joined({pageNonce, pcNonce});
    std::optional<Bytes> up = hkdfSha256(crypto, secret, salt, bytesOf(PAGE_TO_PC_INFO), AES_KEY_BYTES);
    std::optional<Bytes> down = hkdfSha256(crypto, secret, salt, bytesOf(PC_TO_PAGE_INFO), AES_KEY_BYTES);
    if (!up || !down) return std::nullopt;
    return ChannelKeys{std::move(*up), std::move(*down)};
}

Bytes counterNonce(std::uint64_t counter) {
    Bytes nonce(GCM_NONCE_BYTES, 0);
    for (std::size_t i = 0; i < 8; ++i) nonce[GCM_NONCE_BYTES - 1 - i] = static_cast<std::uint8_t>(counter >> (8 * i));
    return nonce;
}

std::optional<std::string> SealedChannel::seal(std::string_view text) {
    const std::optional<Bytes> sealed = crypto_.sealAesGcm(sendKey_, counterNonce(sent_), bytesOf(text), {});
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
    return std::string(plain->begin(), plain->end());
}

}  // namespace vork
