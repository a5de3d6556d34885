#include "web/spake2.h"

#include <algorithm>

#include "web/hkdf.h"
#include "web/secure_channel.h"

namespace vork {

namespace {

// 48 bytes: the order's 256 bits and 64 more.
constexpr std::size_t WIDE_SCALAR_BYTES = P256_SCALAR_BYTES + 16;
constexpr std::string_view PASSWORD_SALT = "vork spake2 password";
constexpr std::string_view CONFIRMATION_INFO = "ConfirmationKeys";

// len(S) || S, the length as eight bytes, least significant first.
void appendWithLength(Bytes& out, ByteView part) {
    std::uint64_t length = part.size();
    for (int i = 0; i < 8; ++i, length >>= 8) out.push_back(static_cast<std::uint8_t>(length & 0xFF));
    out.insert(out.end(), part.begin(), part.end());
}

}  // namespace

std::optional<Bytes> spake2Password(Crypto& crypto, ByteView password, std::string_view purpose) {
    const std::optional<Bytes> wide = hkdfSha256(crypto, password, bytesOf(PASSWORD_SALT), bytesOf(purpose), WIDE_SCALAR_BYTES);
    return wide ? crypto.p256Reduce(*wide) : std::nullopt;
}

std::optional<Bytes> spake2RandomScalar(Crypto& crypto, RandomSource& random) {
    Bytes wide(WIDE_SCALAR_BYTES);
    if (!random.fill(wide)) return std::nullopt;
    std::optional<Bytes> scalar = crypto.p256Reduce(wide);
    std::fill(wide.begin(), wide.end(), 0);
    return scalar;
}

std::optional<Spake2> Spake2::start(Crypto& crypto, Spake2Role role, Bytes w, Bytes ephemeral, std::string_view idA,
                                    std::string_view idB) {
    const Bytes mask = fromHex(role == Spake2Role::A ? SPAKE2_M : SPAKE2_N).value_or(Bytes{});
    std::optional<Bytes> share = crypto.p256Combine(ephemeral, {}, w, mask);
    if (!share) return std::nullopt;
    return Spake2(crypto, role, std::move(w), std::move(ephemeral), std::move(*share), std::string(idA),
                  std::string(idB));
}

std::optional<Spake2Keys> Spake2::finish(ByteView peerShare, ByteView aad) {
    std::optional<Spake2Keys> keys;
    if (!ephemeral_.empty() && peerShare.size() == P256_POINT_BYTES && peerShare[0] == 0x04) keys = derive(peerShare, aad);
    wipe();
    return keys;
}

std::optional<Spake2Keys> Spake2::derive(ByteView peerShare, ByteView aad) {
    // K = ephemeral * (peer - w * the peer's mask): A takes off N, B takes off M.
    const Bytes peerMask = fromHex(role_ == Spake2Role::A ? SPAKE2_N : SPAKE2_M).value_or(Bytes{});
    Bytes one(P256_SCALAR_BYTES, 0);
    one.back() = 1;
    const std::optional<Bytes> minusW = crypto_->p256Negate(w_);
    const std::optional<Bytes> unmasked = minusW ? crypto_->p256Combine(one, peerShare, *minusW, peerMask) : std::nullopt;
    const std::optional<Bytes> k = unmasked ? crypto_->p256Combine(ephemeral_, *unmasked, {}, {}) : std::nullopt;
    if (!k) return std::nullopt;
    const ByteView shareA = role_ == Spake2Role::A ? ByteView(share_) : peerShare;
    const ByteView shareB = role_ == Spake2Role::A ? peerShare : ByteView(share_);
    Bytes transcript;
    appendWithLength(transcript, bytesOf(idA_));
    appendWithLength(transcript, bytesOf(idB_));
    appendWithLength(transcript, shareA);
    appendWithLength(transcript, shareB);
    appendWithLength(transcript, *k);
    appendWithLength(transcript, w_);
    // Ke || Ka = Hash(TT); KcA || KcB = KDF(nil, Ka, "ConfirmationKeys" || AAD); each confirms with MAC(Kc, TT).
    const std::optional<Bytes> hash = crypto_->sha256(transcript);
    std::optional<Bytes> confirmationKeys;
    if (hash) {
        Bytes info(CONFIRMATION_INFO.begin(), CONFIRMATION_INFO.end());
        info.insert(info.end(), aad.begin(), aad.end());
        confirmationKeys = hkdfSha256(*crypto_, ByteView(*hash).subspan(SPAKE2_KEY_BYTES), {}, info, 2 * SPAKE2_KEY_BYTES);
    }
    std::optional<Bytes> macA;
    std::optional<Bytes> macB;
    if (confirmationKeys) {
        macA = crypto_->hmacSha256(ByteView(*confirmationKeys).first(SPAKE2_KEY_BYTES), transcript);
        macB = crypto_->hmacSha256(ByteView(*confirmationKeys).subspan(SPAKE2_KEY_BYTES), transcript);
    }
    std::fill(transcript.begin(), transcript.end(), 0);
    if (!macA || !macB) return std::nullopt;
    return Spake2Keys{Bytes(hash->begin(), hash->begin() + SPAKE2_KEY_BYTES), std::move(*macA), std::move(*macB)};
}

void Spake2::wipe() {
    std::fill(w_.begin(), w_.end(), 0);
    std::fill(ephemeral_.begin(), ephemeral_.end(), 0);
    w_.clear();
    ephemeral_.clear();
}

}  // namespace vork
