#include "web/pairing_offer.h"

#include <array>

#include "link/hkdf.h"
#include "platform/virtual_keys.h"
#include "web/secure_channel.h"

namespace vork {

namespace {

constexpr std::string_view QR_KEY_INFO = "vork pairing qr";

// A code of uniformly chosen letters: bytes past the largest whole multiple
// of the alphabet's size are drawn again.
std::optional<std::string> randomCode(RandomSource& random) {
    constexpr auto SIZE = static_cast<unsigned>(CODE_ALPHABET.size());
    constexpr unsigned LIMIT = 256 / SIZE * SIZE;
    std::string code;
    while (code.size() < CODE_LENGTH) {
        std::array<std::uint8_t, 16> bytes{};
        if (!random.fill(bytes)) return std::nullopt;
        for (const std::uint8_t byte : bytes)
            if (byte < LIMIT && code.size() < CODE_LENGTH) code.push_back(CODE_ALPHABET[byte % SIZE]);
    }
    return code;
}

}  // namespace

std::string normalisedCode(std::string_view typed) {
    std::string code;
    for (const char c : typed) {
        if (c == ' ' || c == '-') continue;
        code.push_back(asciiUpper(c));
    }
    return code;
}

std::string groupedCode(std::string_view code) {
    const std::size_t half = code.size() / 2;
    return std::string(code.substr(0, half)) + "-" + std::string(code.substr(half));
}

std::optional<Bytes> qrPairingKey(Crypto& crypto, ByteView secret, ByteView salt) {
    return hkdfSha256(crypto, secret, salt, bytesOf(QR_KEY_INFO), AES_KEY_BYTES);
}

std::optional<Bytes> codePairingKey(Crypto& crypto, std::string_view code, ByteView salt, std::uint32_t iterations) {
    return crypto.pbkdf2Sha256(bytesOf(normalisedCode(code)), salt, iterations, AES_KEY_BYTES);
}

const PairingOffer* PairingOffers::renew(std::uint64_t nowMs) {
    offer_.reset();
    PairingOffer offer;
    offer.secret.resize(OFFER_SECRET_BYTES);
    offer.salt.resize(OFFER_SECRET_BYTES);
    std::optional<std::string> code = randomCode(random_);
    if (!code || !random_.fill(offer.secret) || !random_.fill(offer.salt)) return nullptr;
    offer.code = std::move(*code);
    std::optional<Bytes> qrKey = qrPairingKey(crypto_, offer.secret, offer.salt);
    std::optional<Bytes> codeKey = codePairingKey(crypto_, offer.code, offer.salt, iterations_);
    if (!qrKey || !codeKey) return nullptr;
    offer.qrKey = std::move(*qrKey);
    offer.codeKey = std::move(*codeKey);
    offer.madeAtMs = nowMs;
    offer_ = std::move(offer);
    return &*offer_;
}

const PairingOffer* PairingOffers::current(std::uint64_t nowMs) {
    if (offer_ && nowMs - offer_->madeAtMs >= OFFER_LIFETIME_MS) offer_.reset();
    return offer_ ? &*offer_ : nullptr;
}

void PairingOffers::failedTry(std::uint64_t nowMs) {
    if (!offer_ || --offer_->triesLeft > 0) return;
    renew(nowMs);
}

}  // namespace vork
