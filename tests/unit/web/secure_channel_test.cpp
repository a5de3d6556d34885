// The sealed channel between the page and Vork.
#include <gtest/gtest.h>

#include "crypto_vectors.h"
#include "platform/gcrypt/gcrypt_crypto.h"

namespace vork {
namespace {

TEST(SecureChannel, ThePrimitivesAndSpake2_GiveTheirStandardsVectors) {
    GcryptCrypto crypto;
    test::expectPublishedVectors(crypto);
}

}  // namespace
}  // namespace vork
