// The primitives Vork's secure link is composed of, each exactly as its
// standard gives it and each from a library: HMAC-SHA256, AES-256-GCM and
// PBKDF2-HMAC-SHA256. Windows' CNG in the program, OpenSSL in the native tests.
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

class Crypto : public Interface {
public:
    // None only when the library fails.
    virtual std::optional<Bytes> hmacSha256(ByteView key, ByteView data) = 0;
    // The ciphertext with the 16-byte tag after it.
    virtual std::optional<Bytes> sealAesGcm(ByteView key, ByteView nonce, ByteView plaintext, ByteView aad) = 0;
    // None when the tag does not match (or the input is cut short).
    virtual std::optional<Bytes> openAesGcm(ByteView key, ByteView nonce, ByteView sealed, ByteView aad) = 0;
    virtual std::optional<Bytes> pbkdf2Sha256(ByteView password, ByteView salt, std::uint32_t iterations,
                                              std::size_t length) = 0;
};

}  // namespace vork
