// Crypto on OpenSSL, for the native tests and tools.
#pragma once

#include "platform/crypto.h"

namespace vork::test {

class OpenSslCrypto final : public Crypto {
public:
    std::optional<Bytes> hmacSha256(ByteView key, ByteView data) override;
    std::optional<Bytes> sealAesGcm(ByteView key, ByteView nonce, ByteView plaintext, ByteView aad) override;
    std::optional<Bytes> openAesGcm(ByteView key, ByteView nonce, ByteView sealed, ByteView aad) override;
    std::optional<Bytes> pbkdf2Sha256(ByteView password, ByteView salt, std::uint32_t iterations,
                                      std::size_t length) override;
};

}  // namespace vork::test
