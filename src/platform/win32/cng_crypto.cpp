#include "platform/win32/cng_crypto.h"

#include <windows.h>
// windows.h first: bcrypt.h needs its types.
#include <bcrypt.h>

#include <utility>

#include "platform/unique_resource.h"

namespace vork::win32 {

namespace {

bool succeeded(NTSTATUS status) { return status >= 0; }

struct DestroyKey {
    void operator()(BCRYPT_KEY_HANDLE key) const { BCryptDestroyKey(key); }
};
using UniqueKey = UniqueResource<BCRYPT_KEY_HANDLE, DestroyKey>;

struct DestroyHash {
    void operator()(BCRYPT_HASH_HANDLE hash) const { BCryptDestroyHash(hash); }
};
using UniqueHash = UniqueResource<BCRYPT_HASH_HANDLE, DestroyHash>;

// CNG takes non-const pointers for input it does not change.
PUCHAR input(ByteView bytes) { return const_cast<PUCHAR>(bytes.data()); }
ULONG size(ByteView bytes) { return static_cast<ULONG>(bytes.size()); }

}  // namespace

void CngCrypto::CloseProvider::operator()(void* provider) const { BCryptCloseAlgorithmProvider(provider, 0); }

CngCrypto::CngCrypto() {
    BCRYPT_ALG_HANDLE hmac = nullptr;
    if (succeeded(BCryptOpenAlgorithmProvider(&hmac, BCRYPT_SHA256_ALGORITHM, nullptr, BCRYPT_ALG_HANDLE_HMAC_FLAG)))
        hmac_.reset(hmac);
    BCRYPT_ALG_HANDLE handle = nullptr;
    if (succeeded(BCryptOpenAlgorithmProvider(&handle, BCRYPT_AES_ALGORITHM, nullptr, 0))) {
        UniqueProvider aes(handle);
        const auto* mode = reinterpret_cast<const UCHAR*>(BCRYPT_CHAIN_MODE_GCM);
        if (succeeded(BCryptSetProperty(aes.get(), BCRYPT_CHAINING_MODE, const_cast<PUCHAR>(mode),
                                        sizeof(BCRYPT_CHAIN_MODE_GCM), 0)))
            aes_ = std::move(aes);
    }
}

std::optional<Bytes> CngCrypto::hmacSha256(ByteView key, ByteView data) {
    if (!hmac_) return std::nullopt;
    BCRYPT_HASH_HANDLE handle = nullptr;
    if (!succeeded(BCryptCreateHash(hmac_.get(), &handle, nullptr, 0, input(key), size(key), 0))) return std::nullopt;
    const UniqueHash hash(handle);
    Bytes out(SHA256_BYTES);
    if (!succeeded(BCryptHashData(hash.get(), input(data), size(data), 0)) ||
        !succeeded(BCryptFinishHash(hash.get(), out.data(), size(out), 0)))
        return std::nullopt;
    return out;
}

std::optional<Bytes> CngCrypto::aesGcm(ByteView key, ByteView nonce, ByteView data, ByteView aad, bool seal) {
    if (!aes_ || key.size() != AES_KEY_BYTES || nonce.size() != GCM_NONCE_BYTES) return std::nullopt;
    BCRYPT_KEY_HANDLE handle = nullptr;
    if (!succeeded(BCryptGenerateSymmetricKey(aes_.get(), &handle, nullptr, 0, input(key), size(key), 0))) return std::nullopt;
    const UniqueKey aesKey(handle);
    const ByteView text = seal ? data : data.first(data.size() - GCM_TAG_BYTES);
    Bytes tag(GCM_TAG_BYTES);
    if (!seal) tag.assign(data.end() - GCM_TAG_BYTES, data.end());
    BCRYPT_AUTHENTICATED_CIPHER_MODE_INFO info;
    BCRYPT_INIT_AUTH_MODE_INFO(info);
    info.pbNonce = input(nonce);
    info.cbNonce = size(nonce);
    info.pbAuthData = aad.empty() ? nullptr : input(aad);
    info.cbAuthData = size(aad);
    info.pbTag = tag.data();
    info.cbTag = size(tag);
    Bytes out(text.size());
    ULONG written = 0;
    const NTSTATUS status =
        seal ? BCryptEncrypt(aesKey.get(), input(text), size(text), &info, nullptr, 0, out.data(), size(out), &written, 0)
             : BCryptDecrypt(aesKey.get(), input(text), size(text), &info, nullptr, 0, out.data(), size(out), &written, 0);
    if (!succeeded(status) || written != text.size()) return std::nullopt;
    if (seal) out.insert(out.end(), tag.begin(), tag.end());
    return out;
}

std::optional<Bytes> CngCrypto::sealAesGcm(ByteView key, ByteView nonce, ByteView plaintext, ByteView aad) {
    return aesGcm(key, nonce, plaintext, aad, true);
}

std::optional<Bytes> CngCrypto::openAesGcm(ByteView key, ByteView nonce, ByteView sealed, ByteView aad) {
    if (sealed.size() < GCM_TAG_BYTES) return std::nullopt;
    return aesGcm(key, nonce, sealed, aad, false);
}

std::optional<Bytes> CngCrypto::pbkdf2Sha256(ByteView password, ByteView salt, std::uint32_t iterations,
                                             std::size_t length) {
    if (!hmac_) return std::nullopt;
    Bytes out(length);
    if (!succeeded(BCryptDeriveKeyPBKDF2(hmac_.get(), input(password), size(password), input(salt), size(salt), iterations,
                                         out.data(), size(out), 0)))
        return std::nullopt;
    return out;
}

}  // namespace vork::win32
