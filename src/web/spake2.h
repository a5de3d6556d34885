// SPAKE2 as RFC 9382 gives it, with its P256-SHA256-HKDF-HMAC suite: two
// parties that share a password each send one point and arrive at one key
// with confirmation both ways. A listener learns nothing to test guesses
// against, a party that guesses gets one guess a run, and every run's
// secrets are fresh, so a password learnt later opens no recorded run.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/crypto.h"
#include "platform/random_source.h"

namespace vork {

// The suite's M and N for P-256, compressed, as the RFC gives them.
inline constexpr std::string_view SPAKE2_M = "02886e2f97ace46e55ba9dd7242579f2993b64e16ef3dcab95afd497333d8fa12f";
inline constexpr std::string_view SPAKE2_N = "03d8bbd6c639c62937b04d997f38c3770719c629d7014d49a24b4f98baa1292b49";
inline constexpr std::size_t SPAKE2_KEY_BYTES = SHA256_BYTES / 2;

enum class Spake2Role { A, B };  // A sends x*P + w*M, B y*P + w*N

struct Spake2Keys {
    Bytes sharedKey;      // Ke
    Bytes confirmationA;  // MAC(KcA, TT), which A sends
    Bytes confirmationB;  // MAC(KcB, TT), which B sends
};

// The password as the group's scalar w: HKDF-SHA256 of the password with
// `purpose` as its info, 64 bits longer than the order, then reduced, as the
// RFC advises against bias. Vork's passwords are random secrets or a code
// that only gets online guesses, so no memory-hard function is needed.
std::optional<Bytes> spake2Password(Crypto& crypto, ByteView password, std::string_view purpose);
// A scalar drawn uniformly (random bytes 64 bits longer than the order, reduced).
std::optional<Bytes> spake2RandomScalar(Crypto& crypto, RandomSource& random);

class Spake2 {
public:
    // `ephemeral` is x (for A) or y (for B); none when a scalar is not one.
    static std::optional<Spake2> start(Crypto& crypto, Spake2Role role, Bytes w, Bytes ephemeral,
                                       std::string_view idA, std::string_view idB);

    [[nodiscard]] const Bytes& share() const { return share_; }
    // The other party's share (an uncompressed point) gives the keys; none
    // when it is not a point of the group or cancels the password's mask.
    // The secrets are wiped either way: a run finishes once.
    std::optional<Spake2Keys> finish(ByteView peerShare, ByteView aad);

private:
    Spake2(Crypto& crypto, Spake2Role role, Bytes w, Bytes ephemeral, Bytes share, std::string idA, std::string idB)
        : crypto_(&crypto),
          role_(role),
          w_(std::move(w)),
          ephemeral_(std::move(ephemeral)),
          share_(std::move(share)),
          idA_(std::move(idA)),
          idB_(std::move(idB)) {}
    std::optional<Spake2Keys> derive(ByteView peerShare, ByteView aad);
    void wipe();

    Crypto* crypto_;
    Spake2Role role_;
    Bytes w_;
    Bytes ephemeral_;
    Bytes share_;
    std::string idA_;
    std::string idB_;
};

}  // namespace vork
