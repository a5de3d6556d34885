// The primitives Vork's secure link is composed of, each exactly as its
// standard gives it and each from a library: SHA-256, HMAC-SHA256,
// AES-256-GCM and the P-256 group's arithmetic (for SPAKE2). One
// implementation for every build (libgcrypt), so the bytes tested are the
// bytes shipped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "platform/non_copyable.h"

namespace vork {

using Bytes = std::vector<std::uint8_t>;
using ByteView = std::span<const std::uint8_t>;

inline constexpr std::size_t AES_KEY_BYTES = 32;
inline constexpr std::size_t GCM_NONCE_BYTES = 12;
inline constexpr std::size_t GCM_TAG_BYTES = 16;
inline constexpr std::size_t SHA256_BYTES = 32;
inline constexpr std::size_t P256_SCALAR_BYTES = 32;
inline constexpr std::size_t P256_POINT_BYTES = 65;  // SEC1 uncompressed: 04, x, y

class Crypto : public Interface {
public:
    // None only when the library fails.
    virtual std::optional<Bytes> sha256(ByteView data) = 0;
    virtual std::optional<Bytes> hmacSha256(ByteView key, ByteView data) = 0;
    // The ciphertext with the 16-byte tag after it.
    virtual std::optional<Bytes> sealAesGcm(ByteView key, ByteView nonce, ByteView plaintext, ByteView aad) = 0;
    // None when the tag does not match (or the input is cut short).
    virtual std::optional<Bytes> openAesGcm(ByteView key, ByteView nonce, ByteView sealed, ByteView aad) = 0;

    // P-256. Scalars are big-endian numbers of P256_SCALAR_BYTES below the
    // group order n; points are SEC1 encodings (compressed or not going in,
    // uncompressed coming out).
    // A big-endian number of any length, modulo n.
    virtual std::optional<Bytes> p256Reduce(ByteView number) = 0;
    // n - s (modulo n).
    virtual std::optional<Bytes> p256Negate(ByteView scalar) = 0;
    // a*P + b*Q; P empty is the group's generator; b and Q empty leave out
    // the second term. None when a point is not on the curve or the result
    // is the point at infinity.
    virtual std::optional<Bytes> p256Combine(ByteView a, ByteView p, ByteView b, ByteView q) = 0;
};

}  // namespace vork
