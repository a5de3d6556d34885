// The paired phones and browsers, and the protected file that keeps them.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "link/trusted_devices.h"
#include "memory_store.h"

namespace vork {
namespace {
using test::MemoryFile;

TEST(TrustedDevices, BrowsersAndRememberedPhonesOutliveARestart_AndForgettingIsWrittenAtOnce) {
    MemoryFile file;
    std::int64_t now = 1000;
    {
        TrustedDevices before(&file, [&now] { return now; });
        before.setKeepPhones(true);
        EXPECT_FALSE(before.load());
        before.trustBrowser("Pixel 7", "00ff", "0a0b");
        before.trustBrowser("Odd\t%name\n", "ab01", "0c0d");
        before.trustPhone("Nokia \xe9", "00:11:22:33:44:55");
    }
    now = 2000;
    TrustedDevices after(&file, [&now] { return now; });
    after.setKeepPhones(true);
    EXPECT_FALSE(after.load());
    ASSERT_TRUE(after.browser("ab01"));
    EXPECT_EQ("Odd\t%name\n", after.browser("ab01")->name);
    EXPECT_EQ("0c0d", after.browser("ab01")->key);
    after.browserSeen("ab01");
    EXPECT_TRUE(after.phoneTrusted("Nokia \xe9", "00:11:22:33:44:55"));
    const std::vector<TrustedDevice> listed = after.list();
    ASSERT_EQ(3U, listed.size());
    EXPECT_EQ(1000, listed[0].lastSeen);
    EXPECT_EQ(2000, listed[1].lastSeen) << "seen again";
    EXPECT_TRUE(listed[1].secret.empty() && listed[1].key.empty()) << "the Connect page is given no secret";

    const int writes = file.writes;
    EXPECT_TRUE(after.forget(listed[0].id));
    EXPECT_EQ(writes + 1, file.writes);
    TrustedDevices again(&file, [&now] { return now; });
    again.setKeepPhones(false);  // the settings no longer keep phones: the one kept is dropped
    EXPECT_FALSE(again.load());
    EXPECT_FALSE(again.browser("00ff"));
    EXPECT_FALSE(again.phone());
    EXPECT_TRUE(again.browser("ab01"));
}

// What the pairings file must keep, checked through a fresh TrustedDevices
// that reads it: keys as they rotate, where each browser was last seen, a
// forgotten browser gone for good, and no phone unless the user said so.
TEST(TrustedDevices, TheFileKeepsEachKeyAsItRotates_ForgetsAtOnce_AndKeepsPhonesOnlyWhenAsked) {
    MemoryFile file;
    std::int64_t now = 1000;
    const auto clock = [&now] { return now; };
    const std::string id(32, 'a');
    const std::string other(32, 'b');
    {
        TrustedDevices devices(&file, clock);
        devices.trustBrowser("Pixel 7", id, "01", "10.0.0.2");
        devices.trustBrowser("Tablet", other, "02");
        devices.trustPhone("Nokia", "00:11:22:33:44:55");  // not remembered: the setting is off
        EXPECT_EQ((std::pair<std::uint64_t, std::string>{2, "03"}), devices.nextKey(id, "03"));
        EXPECT_EQ((std::pair<std::uint64_t, std::string>{2, "03"}), devices.nextKey(id, "04")) << "the one on its way";
    }
    EXPECT_EQ(std::string::npos, file.text->find("00:11:22")) << "a phone's address reaches the disk only when asked";
    {
        TrustedDevices devices(&file, clock);
        EXPECT_FALSE(devices.load());
        EXPECT_EQ(KeyStanding::Next, devices.browserKey(id, 2).standing) << "the next key outlives a restart";
        EXPECT_TRUE(devices.nextKeyHeld(id, 2));
        devices.forgetBrowser(other);
        EXPECT_FALSE(devices.phone());
        devices.trustBrowser("Copied", std::string(32, 'c'), "05");
        EXPECT_EQ("A copy of Copied's key was used from 10.0.0.66; the phone was forgotten, pair it again",
                  devices.forgetCopied(std::string(32, 'c'), "10.0.0.66"));
    }
    TrustedDevices devices(&file, clock);
    EXPECT_FALSE(devices.load());
    const BrowserKey current = devices.browserKey(id, 2);
    EXPECT_EQ(KeyStanding::Current, current.standing);
    EXPECT_EQ("03", current.key);
    EXPECT_EQ(KeyStanding::Retired, devices.browserKey(id, 1).standing);
    EXPECT_EQ(KeyStanding::Unknown, devices.browserKey(id, 3).standing);
    EXPECT_EQ("10.0.0.2", devices.browser(id)->lastAddress);
    EXPECT_FALSE(devices.browser(other)) << "forgotten, also after a restart";
    EXPECT_FALSE(devices.browser(std::string(32, 'c'))) << "a copied one too";
    // A pairing unused for 90 days expires.
    now += UNUSED_PAIRING_SECONDS + 1;
    EXPECT_FALSE(devices.browser(id));
    TrustedDevices later(&file, clock);
    EXPECT_FALSE(later.load());
    EXPECT_EQ(0U, later.browsers());

    // The last version's file is read as it was: each browser on its first key.
    MemoryFile previous;
    previous.text = "vork pairings 2\nbrowser 1000 " + id + " 0a0b Pixel%207\n";
    TrustedDevices upgraded(&previous, [] { return 2000; });
    EXPECT_FALSE(upgraded.load());
    EXPECT_EQ(KeyStanding::Current, upgraded.browserKey(id, 1).standing);
    EXPECT_EQ("Pixel 7", upgraded.browserKey(id, 1).name);
}

TEST(TrustedDevices, ADamagedOrForeignFile_StartsEmpty_AndSaysSo) {
    for (const std::string& text : {std::string("not a pairings file"), std::string("vork pairings 2\nbrowser x 00ff 0a n\n"),
                                   std::string("vork pairings 2\nbrowser 5 00ff 0a n"), std::string("vork pairings 2\ntablet 5 ab - n\n"),
                                   std::string("vork pairings 2\nbrowser 5 %zz 0a n\n"), std::string("vork pairings 2\nbrowser 5 00ff - \n"),
                                   std::string("vork pairings 1\nbrowser 5 00ff n\n")}) {
        MemoryFile file;
        file.text = text;
        TrustedDevices devices(&file);
        EXPECT_EQ(std::optional<std::string>(PAIRINGS_DAMAGED_NOTICE), devices.load()) << text;
        EXPECT_TRUE(devices.list().empty());
    }
    MemoryFile unreadable;
    unreadable.text = "";
    unreadable.damaged = true;
    TrustedDevices devices(&unreadable);
    EXPECT_EQ(std::optional<std::string>(PAIRINGS_DAMAGED_NOTICE), devices.load());
    EXPECT_EQ("vork pairings 3\n", encodePairings({}));
}


TEST(TrustedDevices, SecretsAreComparedInFull_AndOnlyEqualWhenEqual) {
    EXPECT_TRUE(equalInConstantTime("", ""));
    EXPECT_TRUE(equalInConstantTime("abc", "abc"));
    EXPECT_FALSE(equalInConstantTime("abc", "abd"));
    EXPECT_FALSE(equalInConstantTime("abc", "xbc"));
    EXPECT_FALSE(equalInConstantTime("abc", "abcd"));
    EXPECT_FALSE(equalInConstantTime(std::string_view("a\0c", 3), "abc"));
}

}  // namespace
}  // namespace vork
