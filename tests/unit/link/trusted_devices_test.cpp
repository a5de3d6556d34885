// The paired phones and browsers, and the protected file that keeps them.
#include <gtest/gtest.h>

#include <array>

#include "config/remote_switch.h"
#include "memory_store.h"
#include "config/settings_file.h"
#include "config/starter_settings.h"
#include "link/refusal_backoff.h"
#include "link/trusted_devices.h"
#include "web/connect_page.h"
#include "web/page_routes.h"
#include "web/reachable_addresses.h"
#include <cctype>
#include <functional>
#include "app/command_line.h"
#include "bluetooth/phone_protocol.h"
#include "counting_random.h"
#include "crypto_vectors.h"
#include "page_model.h"
#include "platform/gcrypt/gcrypt_crypto.h"
#include "recording_notifier.h"
#include "utf8_of.h"
#include "web/web_session.h"

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

// A page's ephemeral scalar: any 32 bytes below the group's order.
Bytes scalar(std::uint8_t fill) { return Bytes(P256_SCALAR_BYTES, fill); }

class WebSessionTest : public ::testing::Test {
public:
    using Replies = std::vector<std::string>;
    using Inputs = std::vector<std::pair<std::string, std::string>>;

    void SetUp() override { offer = *offers.renew(0); }

    Replies send(WebSession& session, std::string_view message, std::uint64_t at = 0) {
        return session.receive(message, at).replies;
    }
    // A page's whole handshake; the replies to its last message, opened
    // (or in the clear when it was refused).
    struct Paired {
        test::PageModel page;
        Replies opened;
        bool ok = false;
    };
    // The page pairs by the QR code's secret (or the typed code) and is named Pixel 7.
    Paired pair(WebSession& session, std::optional<std::string> code = {}, std::uint64_t at = 0,
                std::string_view naming = "name Pixel 7") {
        Paired result{test::PageModel(crypto, scalar(0xAB)), {}, false};
        const std::string first = code ? result.page.pairByCode(*code) : result.page.pair(offer->secret);
        const Replies share = send(session, first, at);
        const std::string confirm = share.size() == 1 ? result.page.confirm(share[0]) : "";
        if (confirm.empty()) {
            result.opened = share;
            return result;
        }
        const Replies afterConfirm = send(session, confirm, at);
        if (!afterConfirm.empty()) {
            result.opened = afterConfirm;  // in the clear: refused
            return result;
        }
        for (const std::string& reply : send(session, result.page.seal(naming), at))
            result.opened.push_back(result.page.open(reply).value_or("(sealed wrongly)"));
        result.ok = result.opened.size() == 2;
        return result;
    }
    Paired pairByQr(WebSession& session) { return pair(session); }
    // A remembered browser says hello with its key number `number`.
    Paired hello(WebSession& session, std::string_view browser, std::uint64_t number, const Bytes& key,
                 std::uint64_t at = 0) {
        Paired result{test::PageModel(crypto, scalar(0x5C)), {}, false};
        const Replies share = send(session, result.page.hello(browser, number, key), at);
        const std::string confirm = share.size() == 1 ? result.page.confirm(share[0]) : "";
        if (confirm.empty()) {
            result.opened = share;
            return result;
        }
        for (const std::string& reply : send(session, confirm, at))
            result.opened.push_back(result.page.open(reply).value_or(reply));
        result.ok = !result.opened.empty() && result.opened[0].starts_with("connected ");
        return result;
    }
    // The browser's id and key from "paired ID 1 KEY".
    static std::pair<std::string, Bytes> keyOf(std::string_view paired) {
        const std::string id(paired.substr(7, 2 * BROWSER_ID_BYTES));
        return {id, fromHex(paired.substr(10 + 2 * BROWSER_ID_BYTES)).value_or(Bytes{})};
    }
    // The window's side: what reached it since the last look, oldest first.
    Inputs webInputs() {
        Inputs inputs;
        for (const LinkEvent& event : test::drain(mailbox, notifier.wakes())) {
            std::visit(
                [&inputs](const auto& e) {
                    using Event = std::decay_t<decltype(e)>;
                    if constexpr (std::is_same_v<Event, ReleaseEvent>)
                        inputs.emplace_back("released", std::to_string(e.connection));
                    else if constexpr (std::is_same_v<Event, GoneEvent>)
                        inputs.emplace_back("departed", std::to_string(e.connection));
                    else if constexpr (std::is_same_v<Event, StatusEvent>)
                        inputs.emplace_back(e.text, "status");
                    else if constexpr (std::is_same_v<Event, NoticeEvent>)
                        inputs.emplace_back(e.text, "notice");
                    else if constexpr (std::is_same_v<Event, CommandEvent>)
                        inputs.emplace_back(e.command, std::to_string(e.origin.connection));
                    else if constexpr (std::is_same_v<Event, MoveEvent>)
                        inputs.emplace_back("move " + std::to_string(e.dx) + " " + std::to_string(e.dy), std::to_string(e.page));
                    else if constexpr (std::is_same_v<Event, ScrollEvent>)
                        inputs.emplace_back("scroll " + std::to_string(e.amount), std::to_string(e.page));
                    else if constexpr (std::is_same_v<Event, ClickEvent>)
                        inputs.emplace_back(e.right ? "right" : "left", std::to_string(e.page));
                    else if constexpr (std::is_same_v<Event, BeatEvent>)
                        inputs.emplace_back("beat", std::to_string(e.page));
                    else if constexpr (std::is_same_v<Event, TypedEvent>)
                        inputs.emplace_back("text " + std::to_string(e.deletions) + " " + test::utf8Of(e.text),
                                            std::to_string(e.page));
                    else if constexpr (std::is_same_v<Event, PressEvent>)
                        inputs.emplace_back("press " + e.keys, std::to_string(e.page));
                    else if constexpr (std::is_same_v<Event, MediaEvent>)
                        inputs.emplace_back("media " + std::to_string(e.key), std::to_string(e.page));
                    else if constexpr (std::is_same_v<Event, VisibleEvent>)
                        inputs.emplace_back("visible " + std::to_string(e.shown ? 1 : 0), std::to_string(e.page));
                    else
                        inputs.emplace_back("other", "");
                },
                event);
        }
        notifier.clear();
        return inputs;
    }
    std::string id(const WebSession& session) { return std::to_string(session.id()); }

    test::RecordingNotifier notifier;
    UiMailbox mailbox{notifier};
    ConnectionState state;
    test::CountingRandom random;
    GcryptCrypto crypto;
    TrustedDevices trusted;
    PairingOffers offers{random};
    // A copy: a pairing that succeeds ends the offer itself.
    std::optional<PairingOffer> offer;
    WebLink link{mailbox, state, random, trusted, crypto, offers};
};

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
