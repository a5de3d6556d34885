#include "openssl_crypto.h"

#include <openssl/evp.h>
#include <openssl/hmac.h>

#include <memory>

namespace vork::test {

namespace {

struct FreeCipher {
    void operator()(EVP_CIPHER_CTX* context) const { EVP_CIPHER_CTX_free(context); }
};
using CipherContext = std::unique_ptr<EVP_CIPHER_CTX, FreeCipher>;

int size(ByteView bytes) { return static_cast<int>(bytes.size()); }

// Both ways of GCM start alike: the key, a 12-byte nonce, the extra data.
CipherContext startGcm(ByteView key, ByteView nonce, ByteView aad, bool seal) {
    if (key.size() != AES_KEY_BYTES || nonce.size() != GCM_NONCE_BYTES) return nullptr;
    CipherContext context(EVP_CIPHER_CTX_new());
    int ignored = 0;
    const auto init = seal ? EVP_EncryptInit_ex : EVP_DecryptInit_ex;
    const auto update = seal ? EVP_EncryptUpdate : EVP_DecryptUpdate;
    if (!context || init(context.get(), EVP_aes_256_gcm(), nullptr, key.data(), nonce.data()) != 1 ||
        (!aad.empty() && update(context.get(), nullptr, &ignored, aad.data(), size(aad)) != 1))
        return nullptr;
    return context;
}

}  // namespace

std::optional<Bytes> OpenSslCrypto::hmacSha256(ByteView key, ByteView data) {
    Bytes out(SHA256_BYTES);
    unsigned length = 0;
    static const std::uint8_t empty = 0;
    if (!HMAC(EVP_sha256(), key.empty() ? &empty : key.data(), size(key), data.empty() ? &empty : data.data(),
              data.size(), out.data(), &length) ||
        length != SHA256_BYTES)
        return std::nullopt;
    return out;
}

std::optional<Bytes> OpenSslCrypto::sealAesGcm(ByteView key, ByteView nonce, ByteView plaintext, ByteView aad) {
    const CipherContext context = startGcm(key, nonce, aad, true);
    if (!context) return std::nullopt;
    Bytes out(plaintext.size() + GCM_TAG_BYTES);
    int written = 0;
    int last = 0;
    if ((!plaintext.empty() && EVP_EncryptUpdate(context.get(), out.data(), &written, plaintext.data(), size(plaintext)) != 1) ||
        EVP_EncryptFinal_ex(context.get(), out.data() + written, &last) != 1 ||
        EVP_CIPHER_CTX_ctrl(context.get(), EVP_CTRL_GCM_GET_TAG, GCM_TAG_BYTES, out.data() + plaintext.size()) != 1)
        return std::nullopt;
    return out;
}

std::optional<Bytes> OpenSslCrypto::openAesGcm(ByteView key, ByteView nonce, ByteView sealed, ByteView aad) {
    if (sealed.size() < GCM_TAG_BYTES) return std::nullopt;
    const CipherContext context = startGcm(key, nonce, aad, false);
    if (!context) return std::nullopt;
    const std::size_t length = sealed.size() - GCM_TAG_BYTES;
    Bytes out(length);
    Bytes tag(sealed.end() - GCM_TAG_BYTES, sealed.end());
    int written = 0;
    int last = 0;
    if ((length > 0 && EVP_DecryptUpdate(context.get(), out.data(), &written, sealed.data(), static_cast<int>(length)) != 1) ||
        EVP_CIPHER_CTX_ctrl(context.get(), EVP_CTRL_GCM_SET_TAG, GCM_TAG_BYTES, tag.data()) != 1 ||
        EVP_DecryptFinal_ex(context.get(), out.data() + written, &last) != 1)
        return std::nullopt;
    return out;
}

std::optional<Bytes> OpenSslCrypto::pbkdf2Sha256(ByteView password, ByteView salt, std::uint32_t iterations,
                                                 std::size_t length) {
    Bytes out(length);
    if (PKCS5_PBKDF2_HMAC(reinterpret_cast<const char*>(password.data()), size(password), salt.data(), size(salt),
                          static_cast<int>(iterations), EVP_sha256(), static_cast<int>(length), out.data()) != 1)
        return std::nullopt;
    return out;
}

}  // namespace vork::test
