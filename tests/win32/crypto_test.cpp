// Windows' own CNG behind the crypto seam, under Wine: the same published
// vectors as OpenSSL passes in the native tests.
#include "platform/win32/cng_crypto.h"

#include <gtest/gtest.h>

#include "crypto_vectors.h"

namespace vork {
namespace {

TEST(CngCrypto, PassesThePublishedVectors) {
    win32::CngCrypto crypto;
    test::expectPublishedVectors(crypto);
}

}  // namespace
}  // namespace vork
