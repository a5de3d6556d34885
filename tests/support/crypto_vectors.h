// The published test vectors of what the secure link is made of (FIPS 180's
// SHA-256, RFC 4231's HMAC-SHA256, RFC 5869's HKDF, McGrew and Viega's GCM
// AES-256 case, RFC 9382's SPAKE2 over P-256), for any implementation of the
// seam: the native tests and the Windows build under Wine run the same.
#pragma once

#include <gtest/gtest.h>

#include "platform/crypto.h"
#include "web/hkdf.h"
#include "web/secure_channel.h"
#include "web/spake2.h"

namespace vork::test {

inline void expectPublishedVectors(Crypto& crypto) {
    const auto hex = [](std::string_view text) { return fromHex(text).value(); };
    // FIPS 180-2, appendix B.1.
    EXPECT_EQ("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad", toHex(crypto.sha256(bytesOf("abc")).value()));
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

    // RFC 9382, appendix B: SPAKE2(A='server', B='client') with the
    // P256-SHA256-HKDF-HMAC suite, both roles.
    const Bytes w = hex("2ee57912099d31560b3a44b1184b9b4866e904c49d12ac5042c97dca461b1a5f");
    std::optional<Spake2> a = Spake2::start(crypto, Spake2Role::A, w, hex("43dd0fd7215bdcb482879fca3220c6a968e66d70b1356cac18bb26c84a78d729"),
                                            "server", "client");
    std::optional<Spake2> b = Spake2::start(crypto, Spake2Role::B, w, hex("dcb60106f276b02606d8ef0a328c02e4b629f84f89786af5befb0bc75b6e66be"),
                                            "server", "client");
    ASSERT_TRUE(a && b);
    const Bytes pA = a->share();
    const Bytes pB = b->share();
    EXPECT_EQ("04a56fa807caaa53a4d28dbb9853b9815c61a411118a6fe516a8798434751470f9010153ac33d0d5f2047ffdb1a3e42c9b4e6be662766e1eeb4116988ede5f912c",
              toHex(pA));
    EXPECT_EQ("0406557e482bd03097ad0cbaa5df82115460d951e3451962f1eaf4367a420676d09857ccbc522686c83d1852abfa8ed6e4a1155cf8f1543ceca528afb591a1e0b7",
              toHex(pB));
    const std::optional<Spake2Keys> ofA = a->finish(pB, {});
    const std::optional<Spake2Keys> ofB = b->finish(pA, {});
    ASSERT_TRUE(ofA && ofB);
    for (const Spake2Keys* keys : {&*ofA, &*ofB}) {
        EXPECT_EQ("0e0672dc86f8e45565d338b0540abe69", toHex(keys->sharedKey));
        EXPECT_EQ("58ad4aa88e0b60d5061eb6b5dd93e80d9c4f00d127c65b3b35b1b5281fee38f0", toHex(keys->confirmationA));
        EXPECT_EQ("d3e2e547f1ae04f2dbdbf0fc4b79f8ecff2dff314b5d32fe9fcef2fb26dc459b", toHex(keys->confirmationB));
    }
    EXPECT_FALSE(a->finish(pB, {})) << "a run finishes once: its secrets are gone";
}

}  // namespace vork::test
