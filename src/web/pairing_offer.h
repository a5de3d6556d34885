// What the Connect page offers a new browser: a secret for its QR code and a
// short code to type, together good for one pairing within ten minutes. Each
// offer has a generation; an answer pairs only with the offer still in force
// under that generation, and pairing ends it. The code allows three tries:
// the third failure ends the offer, and a new one is made only when the
// Connect page asks. Used by the server thread alone.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/crypto.h"
#include "platform/random_source.h"

namespace vork {

inline constexpr std::uint64_t OFFER_LIFETIME_MS = std::uint64_t{10} * 60 * 1000;
inline constexpr int CODE_TRIES = 3;
// SPAKE2 leaves a listener nothing to test codes against, and a guesser one
// guess a try: eight letters (31^8, about 2^40) are plenty for three tries.
inline constexpr std::size_t CODE_LENGTH = 8;
inline constexpr std::size_t OFFER_SECRET_BYTES = 16;
// No 0 and O, 1, I and L: nothing a reader could take for another.
inline constexpr std::string_view CODE_ALPHABET = "23456789ABCDEFGHJKMNPQRSTUVWXYZ";

struct PairingOffer {
    std::uint64_t generation = 0;
    Bytes secret;      // in the QR code's address
    std::string code;  // to type: CODE_LENGTH letters of CODE_ALPHABET
    std::uint64_t madeAtMs = 0;
    int codeTriesLeft = CODE_TRIES;
};

// The typed code as it is compared: capitals, without spaces or dashes.
std::string normalisedCode(std::string_view typed);
// "ABCD-EFGH", for reading.
std::string groupedCode(std::string_view code);

class PairingOffers {
public:
    explicit PairingOffers(RandomSource& random) : random_(random) {}

    // A new offer, because the Connect page asked; none when the system gives no random bytes.
    const PairingOffer* renew(std::uint64_t nowMs);
    // The offer in force; none when there is none, it was used or it expired.
    const PairingOffer* current(std::uint64_t nowMs);
    // A try with the typed code begins; false when the offer has no tries left for it.
    bool startCodeTry(std::uint64_t generation, std::uint64_t nowMs);
    // A try with the typed code failed (or never finished): the third ends the offer.
    void codeTryFailed(std::uint64_t generation);
    // A browser proved it holds the offer's secret or code: true when that
    // offer is still in force, which this ends, so that it pairs nobody else.
    bool take(std::uint64_t generation, std::uint64_t nowMs);

private:
    RandomSource& random_;
    std::optional<PairingOffer> offer_;
    std::uint64_t lastGeneration_ = 0;
};

}  // namespace vork
