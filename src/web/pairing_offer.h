// What the Connect page offers a new browser: a secret for its QR code and a
// short code to type, valid together for one pairing within ten minutes.
// The keys each gives are worked out once, when the offer is made: the
// code's through PBKDF2 with enough iterations that a recorded exchange
// cannot be tried against every code offline. Used by the server thread alone.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/crypto.h"
#include "platform/random_source.h"

namespace vork {

inline constexpr std::uint64_t OFFER_LIFETIME_MS = std::uint64_t{10} * 60 * 1000;
inline constexpr std::uint32_t CODE_ITERATIONS = 200000;
inline constexpr int CODE_TRIES = 3;
inline constexpr std::size_t CODE_LENGTH = 10;
inline constexpr std::size_t OFFER_SECRET_BYTES = 16;
// No 0 and O, 1, I and L: nothing a reader could take for another.
inline constexpr std::string_view CODE_ALPHABET = "23456789ABCDEFGHJKMNPQRSTUVWXYZ";

struct PairingOffer {
    Bytes secret;      // in the QR code's address
    std::string code;  // to type: CODE_LENGTH letters of CODE_ALPHABET
    Bytes salt;
    Bytes qrKey;    // the shared secret a browser with `secret` arrives at
    Bytes codeKey;  // the one a browser that typed `code` arrives at
    std::uint64_t madeAtMs = 0;
    int triesLeft = CODE_TRIES;
};

// The typed code as it is compared: capitals, without spaces or dashes.
std::string normalisedCode(std::string_view typed);
// "ABCDE-FGHJK", for reading.
std::string groupedCode(std::string_view code);
// The shared secrets a browser derives from the offer's parts.
std::optional<Bytes> qrPairingKey(Crypto& crypto, ByteView secret, ByteView salt);
std::optional<Bytes> codePairingKey(Crypto& crypto, std::string_view code, ByteView salt, std::uint32_t iterations);

class PairingOffers {
public:
    PairingOffers(Crypto& crypto, RandomSource& random, std::uint32_t iterations = CODE_ITERATIONS)
        : crypto_(crypto), random_(random), iterations_(iterations) {}

    // A new offer, for a new showing of the Connect page; none when the system gives no random bytes.
    const PairingOffer* renew(std::uint64_t nowMs);
    // The offer in force; none when there is none or it expired.
    const PairingOffer* current(std::uint64_t nowMs);
    // A browser paired with it: it offers nothing more.
    void used() { offer_.reset(); }
    // A wrong answer; the third replaces the offer.
    void failedTry(std::uint64_t nowMs);
    [[nodiscard]] std::uint32_t iterations() const { return iterations_; }

private:
    Crypto& crypto_;
    RandomSource& random_;
    std::uint32_t iterations_;
    std::optional<PairingOffer> offer_;
};

}  // namespace vork
