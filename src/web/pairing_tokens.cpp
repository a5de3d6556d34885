#include "web/pairing_tokens.h"

#include <algorithm>
#include <array>

namespace vork {

bool equalInConstantTime(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;  // every token has the same, public, length
    unsigned difference = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        difference |= static_cast<unsigned char>(a[i]) ^ static_cast<unsigned char>(b[i]);
    return difference == 0;
}

std::optional<std::string> PairingTokens::issue(std::string_view name) {
    std::array<std::uint8_t, TOKEN_BYTES> bytes{};
    if (!random_.fill(bytes)) return std::nullopt;
    constexpr std::string_view DIGITS = "0123456789abcdef";
    std::string token;
    for (const std::uint8_t byte : bytes) {
        token.push_back(DIGITS[byte >> 4]);
        token.push_back(DIGITS[byte & 0x0F]);
    }
    trusted_.push_back(Trusted{token, std::string(name)});
    return token;
}

std::optional<std::string> PairingTokens::find(std::string_view token) const {
    const Trusted* match = nullptr;
    for (const Trusted& trusted : trusted_)
        if (equalInConstantTime(trusted.token, token) && !match) match = &trusted;
    return match ? std::optional(match->name) : std::nullopt;
}

void PairingTokens::forget(std::string_view token) {
    std::erase_if(trusted_, [token](const Trusted& trusted) { return equalInConstantTime(trusted.token, token); });
}

}  // namespace vork
