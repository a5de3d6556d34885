// Crypto on Windows' own CNG (bcrypt.dll): its HMAC-SHA256, AES in GCM mode
// and PBKDF2. The algorithm providers are opened once and kept.
#pragma once

#include "platform/crypto.h"

namespace vork::win32 {

class CngCrypto final : public Crypto {
public:
    CngCrypto();
    ~CngCrypto() override;

    std::optional<Bytes> hmacSha256(ByteView key, ByteView data) override;
    std::optional<Bytes> sealAesGcm(ByteView key, ByteView nonce, ByteView plaintext, ByteView aad) override;
    std::optional<Bytes> openAesGcm(ByteView key, ByteView nonce, ByteView sealed, ByteView aad) override;
    std::optional<Bytes> pbkdf2Sha256(ByteView password, ByteView salt, std::uint32_t iterations,
                                      std::size_t length) override;

private:
    std::optional<Bytes> aesGcm(ByteView key, ByteView nonce, ByteView data, ByteView aad, bool seal);

    void* hmac_ = nullptr;  // BCRYPT_ALG_HANDLE, kept out of the header
    void* aes_ = nullptr;
};

}  // namespace vork::win32
