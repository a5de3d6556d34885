// The crypto seam as vork.exe carries it (the static MinGW libgcrypt), under
// Wine: the same published vectors as the native tests pass.
#include "platform/gcrypt/gcrypt_crypto.h"

#include <gtest/gtest.h>

#include "crypto_vectors.h"

namespace vork {
namespace {

TEST(GcryptCrypto, PassesThePublishedVectors) {
    GcryptCrypto crypto;
    test::expectPublishedVectors(crypto);
}

}  // namespace
}  // namespace vork
