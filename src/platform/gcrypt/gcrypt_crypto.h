// The crypto seam on libgcrypt, for every build: the Windows program (its
// static MinGW library), the Linux program and the native tests, so the bytes
// tested are the bytes shipped.
#pragma once

#include "platform/crypto.h"

namespace vork {

class GcryptCrypto final : public Crypto {
public:
    // Initialises the library once per process.
    GcryptCrypto();

    std::optional<Bytes> sha256(ByteView data) override;
    std::optional<Bytes> hmacSha256(ByteView key, ByteView data) override;
    std::optional<Bytes> sealAesGcm(ByteView key, ByteView nonce, ByteView plaintext, ByteView aad) override;
    std::optional<Bytes> openAesGcm(ByteView key, ByteView nonce, ByteView sealed, ByteView aad) override;
    std::optional<Bytes> p256Reduce(ByteView number) override;
    std::optional<Bytes> p256Negate(ByteView scalar) override;
    std::optional<Bytes> p256Combine(ByteView a, ByteView p, ByteView b, ByteView q) override;

private:
    bool ready_ = false;
};

}  // namespace vork
