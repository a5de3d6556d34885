// The published test vectors of the primitives the secure link is made of
// (RFC 5869's HKDF, RFC 4231's HMAC-SHA256, McGrew and Viega's GCM AES-256
// case, RFC 7914's PBKDF2-HMAC-SHA256), for any implementation of the seam.
#pragma once

#include <gtest/gtest.h>

#include "link/hkdf.h"
#include "platform/crypto.h"
#include "web/secure_channel.h"

namespace vork::test {

inline void expectPublishedVectors(Crypto& crypto) {
    const auto hex = [](std::string_view text) { return fromHex(text).value(); };
    // RFC 5869, test cases 1 and 3.
    EXPECT_EQ("3cb25f25faacd57a90434f64d0362f2a2d2d0a90cf1a5a4c5db02d56ecc4c5bf34007208d5b887185865",
              toHex(hkdfSha256(crypto, hex("0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b"), hex("000102030405060708090a0b0c"),
                               hex("f0f1f2f3f4f5f6f7f8f9"), 42).value()));
    EXPECT_EQ("8da4e775a563c18f715f802a063c5a31b8a11f5c5ee1879ec3454e5f3c738d2d9d201395faa4b61a96c8",
              toHex(hkdfSha256(crypto, hex("0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b"), {}, {}, 42).value()));
    // RFC 4231 test case 2 (HMAC-SHA256).
    EXPECT_EQ("5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843",
              toHex(crypto.hmacSha256(bytesOf("Jefe"), bytesOf("what do ya want for nothing?")).value()));
    // McGrew and Viega's GCM test case 15 (AES-256, no extra data).
    const Bytes key = hex("feffe9928665731c6d6a8f9467308308feffe9928665731c6d6a8f9467308308");
    const Bytes nonce = hex("cafebabefacedbaddecaf888");
    const Bytes plain = hex("d9313225f88406e5a55909c5aff5269a86a7a9531534f7da2e4c303d8a318a721c3c0c95956809532fcf0e2449a6b525"
                            "b16aedf5aa0de657ba637b391aafd255");
    const std::string sealed = "522dc1f099567d07f47f37a32a84427d643a8cdcbfe5c0c97598a2bd2555d1aa8cb08e48590dbb3da7b08b1056828838"
                               "c5f61e6393ba7a0abcc9f662898015adb094dac5d93471bdec1a502270e3cc6c";
    EXPECT_EQ(sealed, toHex(crypto.sealAesGcm(key, nonce, plain, {}).value()));
    EXPECT_EQ(plain, crypto.openAesGcm(key, nonce, hex(sealed), {}).value());
    Bytes changed = hex(sealed);
    changed.back() ^= 1;
    EXPECT_FALSE(crypto.openAesGcm(key, nonce, changed, {}));
    // RFC 7914's PBKDF2-HMAC-SHA256 vector ("passwd", "salt", 1 iteration).
    EXPECT_EQ("55ac046e56e3089fec1691c22544b605f94185216dde0465e68b9d57c20dacbc49ca9cccf179b645991664b39d77ef317c71b845b1e30bd509112041d3a19783",
              toHex(crypto.pbkdf2Sha256(bytesOf("passwd"), bytesOf("salt"), 1, 64).value()));
}

}  // namespace vork::test
