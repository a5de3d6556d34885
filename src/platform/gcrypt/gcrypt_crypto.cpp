#include "platform/gcrypt/gcrypt_crypto.h"

#include <gcrypt.h>

#include <array>
#include <mutex>

#include "platform/unique_resource.h"

namespace vork {

namespace {

constexpr const char* CURVE = "NIST P-256";

struct ReleaseMpi {
    void operator()(gcry_mpi_t mpi) const { gcry_mpi_release(mpi); }
};
using Mpi = UniqueResource<gcry_mpi_t, ReleaseMpi>;

struct ReleasePoint {
    void operator()(gcry_mpi_point_t point) const { gcry_mpi_point_release(point); }
};
using Point = UniqueResource<gcry_mpi_point_t, ReleasePoint>;

struct ReleaseContext {
    void operator()(gcry_ctx_t context) const { gcry_ctx_release(context); }
};
using Context = UniqueResource<gcry_ctx_t, ReleaseContext>;

struct CloseMac {
    void operator()(gcry_mac_hd_t mac) const { gcry_mac_close(mac); }
};
using Mac = UniqueResource<gcry_mac_hd_t, CloseMac>;

struct CloseCipher {
    void operator()(gcry_cipher_hd_t cipher) const { gcry_cipher_close(cipher); }
};
using Cipher = UniqueResource<gcry_cipher_hd_t, CloseCipher>;

bool initialise() {
    static bool ready = false;
    static std::once_flag once;
    std::call_once(once, [] {
        if (gcry_check_version("1.10.0") == nullptr) return;
        // No locked memory pool: the secrets are short-lived, and a pool that
        // cannot be locked (no privilege) only prints warnings. Scalars are
        // still flagged secret below, which is what selects the
        // constant-time multiplication.
        gcry_control(GCRYCTL_DISABLE_SECMEM, 0);
        gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
        ready = true;
    });
    return ready;
}

Mpi numberOf(ByteView bytes, bool secret) {
    gcry_mpi_t mpi = nullptr;
    static const std::uint8_t zero = 0;
    const ByteView digits = bytes.empty() ? ByteView(&zero, 1) : bytes;
    if (gcry_mpi_scan(&mpi, GCRYMPI_FMT_USG, digits.data(), digits.size(), nullptr) != 0) return Mpi();
    Mpi owned(mpi);
    if (secret) gcry_mpi_set_flag(owned.get(), GCRYMPI_FLAG_SECURE);
    return owned;
}

// Big-endian, left-padded to `width` bytes; none when it does not fit.
std::optional<Bytes> fixedWidth(gcry_mpi_t mpi, std::size_t width) {
    std::array<std::uint8_t, 64> buffer{};
    std::size_t written = 0;
    if (gcry_mpi_get_nbits(mpi) > width * 8) return std::nullopt;
    if (gcry_mpi_cmp_ui(mpi, 0) == 0) return Bytes(width, 0);
    if (gcry_mpi_print(GCRYMPI_FMT_USG, buffer.data(), buffer.size(), &written, mpi) != 0 || written > width)
        return std::nullopt;
    Bytes out(width - written, 0);
    out.insert(out.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(written));
    return out;
}

Context curve() {
    gcry_ctx_t context = nullptr;
    if (gcry_mpi_ec_new(&context, nullptr, CURVE) != 0) return Context();
    return Context(context);
}

Mpi order(gcry_ctx_t context) { return Mpi(gcry_mpi_ec_get_mpi("n", context, 1)); }

// A point from its SEC1 encoding, checked to lie on the curve.
Point decoded(ByteView encoding, gcry_ctx_t context) {
    if (encoding.empty()) return Point(gcry_mpi_ec_get_point("g", context, 1));
    const Mpi opaque(gcry_mpi_set_opaque_copy(nullptr, encoding.data(), static_cast<unsigned>(encoding.size() * 8)));
    Point point(gcry_mpi_point_new(0));
    if (!opaque || !point || gcry_mpi_ec_decode_point(point.get(), opaque.get(), context) != 0 ||
        gcry_mpi_ec_curve_point(point.get(), context) == 0)
        return Point();
    return point;
}

// A scalar below the order, or nothing.
Mpi scalarOf(ByteView bytes, gcry_ctx_t context) {
    if (bytes.size() != P256_SCALAR_BYTES) return Mpi();
    Mpi value = numberOf(bytes, true);
    const Mpi n = order(context);
    if (!value || !n || gcry_mpi_cmp(value.get(), n.get()) >= 0) return Mpi();
    return value;
}

}  // namespace

GcryptCrypto::GcryptCrypto() : ready_(initialise()) {}

std::optional<Bytes> GcryptCrypto::sha256(ByteView data) {
    if (!ready_) return std::nullopt;
    Bytes out(SHA256_BYTES);
    gcry_md_hash_buffer(GCRY_MD_SHA256, out.data(), data.data(), data.size());
    return out;
}

std::optional<Bytes> GcryptCrypto::hmacSha256(ByteView key, ByteView data) {
    if (!ready_) return std::nullopt;
    gcry_mac_hd_t handle = nullptr;
    if (gcry_mac_open(&handle, GCRY_MAC_HMAC_SHA256, 0, nullptr) != 0) return std::nullopt;
    const Mac mac(handle);
    // HMAC pads a short key with zeros, so an empty key is the same as one
    // zero byte, which the library takes.
    static const std::uint8_t zero = 0;
    const ByteView usedKey = key.empty() ? ByteView(&zero, 1) : key;
    Bytes out(SHA256_BYTES);
    std::size_t length = out.size();
    if (gcry_mac_setkey(mac.get(), usedKey.data(), usedKey.size()) != 0 ||
        gcry_mac_write(mac.get(), data.data(), data.size()) != 0 || gcry_mac_read(mac.get(), out.data(), &length) != 0 ||
        length != SHA256_BYTES)
        return std::nullopt;
    return out;
}

namespace {

Cipher gcm(ByteView key, ByteView nonce, ByteView aad) {
    if (key.size() != AES_KEY_BYTES || nonce.size() != GCM_NONCE_BYTES) return Cipher();
    gcry_cipher_hd_t handle = nullptr;
    if (gcry_cipher_open(&handle, GCRY_CIPHER_AES256, GCRY_CIPHER_MODE_GCM, 0) != 0) return Cipher();
    Cipher cipher(handle);
    if (gcry_cipher_setkey(cipher.get(), key.data(), key.size()) != 0 ||
        gcry_cipher_setiv(cipher.get(), nonce.data(), nonce.size()) != 0 ||
        gcry_cipher_authenticate(cipher.get(), aad.data(), aad.size()) != 0)
        return Cipher();
    return cipher;
}

}  // namespace

std::optional<Bytes> GcryptCrypto::sealAesGcm(ByteView key, ByteView nonce, ByteView plaintext, ByteView aad) {
    if (!ready_) return std::nullopt;
    const Cipher cipher = gcm(key, nonce, aad);
    if (!cipher) return std::nullopt;
    Bytes out(plaintext.size() + GCM_TAG_BYTES);
    gcry_cipher_final(cipher.get());
    if (gcry_cipher_encrypt(cipher.get(), out.data(), plaintext.size(), plaintext.data(), plaintext.size()) != 0 ||
        gcry_cipher_gettag(cipher.get(), out.data() + plaintext.size(), GCM_TAG_BYTES) != 0)
        return std::nullopt;
    return out;
}

std::optional<Bytes> GcryptCrypto::openAesGcm(ByteView key, ByteView nonce, ByteView sealed, ByteView aad) {
    if (!ready_ || sealed.size() < GCM_TAG_BYTES) return std::nullopt;
    const Cipher cipher = gcm(key, nonce, aad);
    if (!cipher) return std::nullopt;
    const std::size_t length = sealed.size() - GCM_TAG_BYTES;
    Bytes out(length);
    gcry_cipher_final(cipher.get());
    if (gcry_cipher_decrypt(cipher.get(), out.data(), length, sealed.data(), length) != 0 ||
        gcry_cipher_checktag(cipher.get(), sealed.data() + length, GCM_TAG_BYTES) != 0)
        return std::nullopt;
    return out;
}

std::optional<Bytes> GcryptCrypto::p256Reduce(ByteView number) {
    if (!ready_) return std::nullopt;
    const Context context = curve();
    if (!context) return std::nullopt;
    const Mpi value = numberOf(number, true);
    const Mpi n = order(context.get());
    const Mpi reduced(gcry_mpi_snew(0));
    if (!value || !n || !reduced) return std::nullopt;
    gcry_mpi_mod(reduced.get(), value.get(), n.get());
    return fixedWidth(reduced.get(), P256_SCALAR_BYTES);
}

std::optional<Bytes> GcryptCrypto::p256Negate(ByteView scalar) {
    if (!ready_) return std::nullopt;
    const Context context = curve();
    if (!context) return std::nullopt;
    const Mpi value = scalarOf(scalar, context.get());
    const Mpi n = order(context.get());
    const Mpi negated(gcry_mpi_snew(0));
    if (!value || !n || !negated) return std::nullopt;
    gcry_mpi_sub(negated.get(), n.get(), value.get());
    gcry_mpi_mod(negated.get(), negated.get(), n.get());
    return fixedWidth(negated.get(), P256_SCALAR_BYTES);
}

std::optional<Bytes> GcryptCrypto::p256Combine(ByteView a, ByteView p, ByteView b, ByteView q) {
    if (!ready_) return std::nullopt;
    const Context context = curve();
    if (!context) return std::nullopt;
    const Mpi first = scalarOf(a, context.get());
    const Point firstPoint = decoded(p, context.get());
    const Point result(gcry_mpi_point_new(0));
    if (!first || !firstPoint || !result) return std::nullopt;
    gcry_mpi_ec_mul(result.get(), first.get(), firstPoint.get(), context.get());
    if (!b.empty() || !q.empty()) {
        const Mpi second = scalarOf(b, context.get());
        const Point secondPoint = decoded(q, context.get());
        const Point product(gcry_mpi_point_new(0));
        if (!second || !secondPoint || !product) return std::nullopt;
        gcry_mpi_ec_mul(product.get(), second.get(), secondPoint.get(), context.get());
        gcry_mpi_ec_add(result.get(), result.get(), product.get(), context.get());
    }
    const Mpi x(gcry_mpi_new(0));
    const Mpi y(gcry_mpi_new(0));
    // -1: the point at infinity, which no honest party ever sends.
    if (!x || !y || gcry_mpi_ec_get_affine(x.get(), y.get(), result.get(), context.get()) != 0) return std::nullopt;
    const std::optional<Bytes> xBytes = fixedWidth(x.get(), P256_SCALAR_BYTES);
    const std::optional<Bytes> yBytes = fixedWidth(y.get(), P256_SCALAR_BYTES);
    if (!xBytes || !yBytes) return std::nullopt;
    Bytes out{0x04};
    out.insert(out.end(), xBytes->begin(), xBytes->end());
    out.insert(out.end(), yBytes->begin(), yBytes->end());
    return out;
}

}  // namespace vork
