#include "web/hkdf.h"

namespace vork {

std::optional<Bytes> hkdfSha256(Crypto& crypto, ByteView inputKey, ByteView salt, ByteView info, std::size_t length) {
    if (length > 255 * SHA256_BYTES) return std::nullopt;
    // Extract: PRK = HMAC(salt, IKM), a salt of zeros when none is given.
    const Bytes zeros(SHA256_BYTES, 0);
    const std::optional<Bytes> prk = crypto.hmacSha256(salt.empty() ? ByteView(zeros) : salt, inputKey);
    if (!prk) return std::nullopt;
    // Expand: T(i) = HMAC(PRK, T(i-1) | info | i), the output their concatenation.
    Bytes out;
    Bytes block;
    for (std::uint8_t counter = 1; out.size() < length; ++counter) {
        Bytes input = block;
        input.insert(input.end(), info.begin(), info.end());
        input.push_back(counter);
        const std::optional<Bytes> next = crypto.hmacSha256(*prk, input);
        if (!next) return std::nullopt;
        block = *next;
        out.insert(out.end(), block.begin(), block.end());
    }
    out.resize(length);
    return out;
}

}  // namespace vork
