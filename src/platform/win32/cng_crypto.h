// Crypto on Windows' own CNG (bcrypt.dll): its HMAC-SHA256, AES in GCM mode
// and PBKDF2. The algorithm providers are opened once and kept.
#pragma once

#include "platform/crypto.h"
#include "platform/unique_resource.h"

namespace vork::win32 {

class CngCrypto final : public Crypto {
public:
    CngCrypto();

    std::optional<Bytes> hmacSha256(ByteView key, ByteView data) override;
    std::optional<Bytes> sealAesGcm(ByteView key, ByteView nonce, ByteView plaintext, ByteView aad) override;
    std::optional<Bytes> openAesGcm(ByteView key, ByteView nonce, ByteView sealed, ByteView aad) override;
    std::optional<Bytes> pbkdf2Sha256(ByteView password, ByteView salt, std::uint32_t iterations,
                                      std::size_t length) override;

private:
    std::optional<Bytes> aesGcm(ByteView key, ByteView nonce, ByteView data, ByteView aad, bool seal);

    // BCRYPT_ALG_HANDLE, with bcrypt.h kept out of the header.
    struct CloseProvider {
        void operator()(void* provider) const;
    };
    using UniqueProvider = UniqueResource<void*, CloseProvider>;

    UniqueProvider hmac_;
    UniqueProvider aes_;
};

}  // namespace vork::win32
