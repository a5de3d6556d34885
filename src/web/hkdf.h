// HKDF with HMAC-SHA256, composed from HMAC exactly as RFC 5869 gives it:
// extract a pseudorandom key from the input key material, then expand it.
#pragma once

#include <optional>

#include "platform/crypto.h"

namespace vork {

// None when the library fails or more than 255 blocks are asked for.
std::optional<Bytes> hkdfSha256(Crypto& crypto, ByteView inputKey, ByteView salt, ByteView info, std::size_t length);

}  // namespace vork
