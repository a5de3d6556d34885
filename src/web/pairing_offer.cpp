#include "web/pairing_offer.h"

#include <array>

#include "text/ascii_case.h"

namespace vork {

namespace {

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

const PairingOffer* PairingOffers::renew(std::uint64_t nowMs) {
    offer_.reset();
    PairingOffer offer;
    offer.secret.resize(OFFER_SECRET_BYTES);
    std::optional<std::string> code = randomCode(random_);
    if (!code || !random_.fill(offer.secret)) return nullptr;
    offer.code = std::move(*code);
    offer.madeAtMs = nowMs;
    offer.generation = ++lastGeneration_;
    offer_ = std::move(offer);
    return &*offer_;
}

const PairingOffer* PairingOffers::current(std::uint64_t nowMs) {
    if (offer_ && nowMs - offer_->madeAtMs >= OFFER_LIFETIME_MS) offer_.reset();
    return offer_ ? &*offer_ : nullptr;
}

bool PairingOffers::startCodeTry(std::uint64_t generation, std::uint64_t nowMs) {
    if (!current(nowMs) || offer_->generation != generation || offer_->codeTriesLeft <= 0) return false;
    --offer_->codeTriesLeft;
    return true;
}

void PairingOffers::codeTryFailed(std::uint64_t generation) {
    if (offer_ && offer_->generation == generation && offer_->codeTriesLeft <= 0) offer_.reset();
}

bool PairingOffers::take(std::uint64_t generation, std::uint64_t nowMs) {
    if (!current(nowMs) || offer_->generation != generation) return false;
    offer_.reset();
    return true;
}

}  // namespace vork
