// The browsers the user accepted: each holds a token of 128 random bits,
// given at ACCEPT and presented on every connection. Tokens live until the
// program exits. Used by the server thread alone.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/random_source.h"

namespace vork {

inline constexpr std::size_t TOKEN_BYTES = 16;
inline constexpr std::size_t TOKEN_LENGTH = TOKEN_BYTES * 2;  // in hex digits

class PairingTokens {
public:
    explicit PairingTokens(RandomSource& random) : random_(random) {}

    // A new token for the browser `name`; none when the system had no random bytes.
    std::optional<std::string> issue(std::string_view name);
    // The name of the browser holding `token`; every known token is compared
    // in full, so the time taken tells nothing of how close a guess came.
    [[nodiscard]] std::optional<std::string> find(std::string_view token) const;
    void forget(std::string_view token);
    [[nodiscard]] std::size_t size() const { return trusted_.size(); }

private:
    struct Trusted {
        std::string token;
        std::string name;
    };
    RandomSource& random_;
    std::vector<Trusted> trusted_;
};

// Equal texts of the same length, in a time that depends only on the length.
bool equalInConstantTime(std::string_view a, std::string_view b);

}  // namespace vork
