// The browser remote's logic: pairing by the offer on the PC's screen, the
// handshake and the sealed channel, the page's messages and their limits.
#include <gtest/gtest.h>

#include <array>
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
#include "web/page_routes.h"
#include "web/web_session.h"

namespace vork {
namespace {
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
                        inputs.emplace_back("scroll " + std::to_string(e.amount) + (e.across ? " " + std::to_string(e.across) : ""),
                                            std::to_string(e.page));
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
                    else if constexpr (std::is_same_v<Event, PlayerEvent>)
                        inputs.emplace_back("player " + std::to_string(static_cast<int>(e.action)) + " " +
                                                std::to_string(e.positionMs) + " " + e.player,
                                            std::to_string(e.page));
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

TEST_F(WebSessionTest, PairingByTheQrSecretOrTheTypedCode_TakesThePlaceOfAccept_AndGivesTheBrowserItsOwnKey) {
    for (const bool typed : {false, true}) {
        SCOPED_TRACE(typed ? "typed code" : "QR secret");
        offer = *offers.renew(0);
        std::string code = groupedCode(offer->code);
        for (char& c : code) c = static_cast<char>(std::tolower(c));  // as typed on a phone
        WebSession page(link, typed ? "10.0.0.2" : "10.0.0.1", 0);
        const Paired paired = typed ? pair(page, code) : pairByQr(page);
        ASSERT_TRUE(paired.ok) << "each side proved it holds the secret";
        EXPECT_TRUE(paired.opened[0].starts_with("paired ") && paired.opened[0].find(" 1 ") == 39) << paired.opened[0];
        EXPECT_EQ("connected Pixel 7", paired.opened[1]);
        EXPECT_EQ(WebSession::Stage::Paired, page.stage());
        EXPECT_EQ((Inputs{{"Connected.", "status"}, {"visible 1", id(page)}}), webInputs())
            << "nobody is asked; the window sends the new page its labels";
        EXPECT_FALSE(offers.current(0)) << "an offer pairs one browser";

        // The key it was given lets it in again, from anywhere; Vork remembered the name.
        const auto [browser, key] = keyOf(paired.opened[0]);
        WebSession again(link, "10.0.0.9", 0);
        const Paired back = hello(again, browser, 1, key);
        ASSERT_TRUE(back.ok);
        EXPECT_EQ("connected Pixel 7", back.opened[0]);
        EXPECT_EQ("10.0.0.9", trusted.browser(browser)->lastAddress);
        webInputs();
    }
    EXPECT_EQ(2U, trusted.browsers());
}

TEST_F(WebSessionTest, WhatFailsTheHandshakeOrTheSeal_IsRefused_ReachesNothing_AndTheAddressWaits) {
    const std::string notAPoint = "04" + std::string(128, '0');
    struct Case {
        const char* what;
        std::function<Replies(WebSessionTest&, WebSession&)> run;
        Replies refusal{"unknown"};
        bool waits = true;  // a forgotten browser may pair again at once
    };
    const std::vector<Case> cases = {
        {"a command before the handshake", [](WebSessionTest& t, WebSession& s) { return t.send(s, "key D:1"); }},
        {"a wrong code, its confirmation made up",
         [](WebSessionTest& t, WebSession& s) {
             const Paired guess = t.pair(s, "2222-2222");
             EXPECT_TRUE(guess.opened.size() == 1 && guess.opened[0].starts_with("share ")) << "one guess, checked by the page";
             return t.send(s, "confirm " + std::string(64, 'a'));
         }},
        {"a known browser's id with the wrong key",
         [](WebSessionTest& t, WebSession& s) {
             t.trusted.trustBrowser("Known", std::string(32, 'b'), toHex(Bytes(32, 7)));
             t.hello(s, std::string(32, 'b'), 1, Bytes(32, 8));
             return t.send(s, "confirm " + std::string(64, 'a'));
         }},
        {"an id never given (or forgotten)",
         [&](WebSessionTest& t, WebSession& s) { return t.send(s, "hello " + std::string(32, 'c') + " 1 " + notAPoint); },
         {"unknown"}, false},
        {"a share that is no point of the curve",
         [&](WebSessionTest& t, WebSession& s) { return t.send(s, "pair qr " + notAPoint); }},
        {"a way in that does not exist",
         [](WebSessionTest& t, WebSession& s) {
             test::PageModel page(t.crypto, scalar(2));
             std::string first = page.pair(t.offer->secret);
             return t.send(s, first.replace(5, 2, "tv"));
         }},
        {"a sealed message replayed, reordered, cut, changed or too long",
         [](WebSessionTest& t, WebSession& s) {
             Paired p = t.pairByQr(s);
             const std::string first = p.page.seal("key D:1");
             t.send(s, first);
             t.webInputs();
             Replies replies = t.send(s, first);  // again
             if (replies != Replies{"unknown"}) return replies;
             // The others on sessions of their own:
             for (const int change : {0, 1, 2, 3}) {
                 t.offer = *t.offers.renew(0);
                 WebSession other(t.link, "10.0.1." + std::to_string(change), 0);
                 Paired q = t.pairByQr(other);
                 // Past the limit, whatever the WebSocket's own cap lets through.
                 std::string frame = q.page.seal(change == 3 ? "key " + std::string(WEB_MESSAGE_LIMIT + 64, '1') : "key D:1");
                 if (change == 0) frame = q.page.seal("key D:2");  // the second before the first
                 if (change == 1) frame.resize(frame.size() - 2);
                 if (change == 2) frame[4] = frame[4] == '0' ? '1' : '0';
                 t.webInputs();
                 if (t.send(other, frame) != Replies{"unknown"} || !t.webInputs().empty()) return Replies{"accepted"};
             }
             return replies;
         }},
    };
    int address = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        offer = *offers.renew(0);
        const std::string peer = "10.9.9." + std::to_string(++address);
        WebSession page(link, peer, 0);
        EXPECT_EQ(c.refusal, c.run(*this, page));
        EXPECT_TRUE(page.over());
        EXPECT_TRUE(webInputs().empty()) << "nothing reached the window";
        WebSession next(link, peer, 1000);
        const Replies retry = send(next, test::PageModel(crypto, scalar(9)).pair(offer->secret), 1000);
        EXPECT_EQ(c.waits, retry == Replies{"wait 4"}) << "the address waits: " << retry.at(0);
    }
}

TEST_F(WebSessionTest, AnOffer_PairsOneBrowser_OnlyWhileInForce_AndItsCodeHasThreeTries) {
    // Two phones that opened the same QR code and pressed Pair together.
    WebSession first(link, "10.0.0.1", 0);
    WebSession second(link, "10.0.0.2", 0);
    test::PageModel one(crypto, scalar(1));
    test::PageModel two(crypto, scalar(2));
    const std::string confirmOne = one.confirm(send(first, one.pair(offer->secret)).at(0));
    const std::string confirmTwo = two.confirm(send(second, two.pair(offer->secret)).at(0));
    ASSERT_FALSE(confirmOne.empty() || confirmTwo.empty()) << "both hold the secret";
    EXPECT_TRUE(send(first, confirmOne).empty());
    EXPECT_EQ(Replies{"nooffer"}, send(second, confirmTwo)) << "the offer has paired the first";

    // An answer that comes after the offer's ten minutes.
    offer = *offers.renew(0);
    WebSession late(link, "10.0.0.3", OFFER_LIFETIME_MS - 1000);
    test::PageModel slow(crypto, scalar(3));
    const std::string confirmLate = slow.confirm(send(late, slow.pair(offer->secret), OFFER_LIFETIME_MS - 1000).at(0));
    EXPECT_EQ(Replies{"nooffer"}, send(late, confirmLate, OFFER_LIFETIME_MS + 25000));
    WebSession after(link, "10.0.0.4", OFFER_LIFETIME_MS);
    EXPECT_EQ(Replies{"nooffer"}, send(after, slow.pair(offer->secret), OFFER_LIFETIME_MS));

    // Wrong QR secrets cost their addresses a wait, not the offer; wrong codes spend its tries.
    offer = *offers.renew(0);
    const std::string code = offer->code;
    for (int attempt = 1; attempt <= 4; ++attempt) {
        WebSession guess(link, "10.0.1." + std::to_string(attempt), 0);
        test::PageModel guesser(crypto, scalar(4));
        send(guess, guesser.pair(Bytes(OFFER_SECRET_BYTES, 0x42)));
        EXPECT_EQ(Replies{"unknown"}, send(guess, "confirm " + std::string(64, 'a')));
    }
    ASSERT_TRUE(offers.current(0));
    EXPECT_EQ(CODE_TRIES, offers.current(0)->codeTriesLeft);
    for (int attempt = 1; attempt <= CODE_TRIES; ++attempt) {
        WebSession guess(link, "10.0.2." + std::to_string(attempt), 0);
        EXPECT_FALSE(pair(guess, "2222-2222").ok);
        if (attempt < CODE_TRIES) EXPECT_EQ(Replies{"unknown"}, send(guess, "confirm " + std::string(64, 'a')));
        // The third guesser never confirms: an abandoned try fails all the same.
        else guess.closed();
    }
    EXPECT_FALSE(offers.current(0)) << "the third failure ends the offer";
    WebSession right(link, "10.0.2.9", 0);
    EXPECT_EQ(Replies{"nooffer"}, pair(right, code).opened);
    EXPECT_FALSE(offers.current(0)) << "and nothing but the Connect page makes a new one";
}

TEST_F(WebSessionTest, OneAddress_GetsOneTryAtATime_HoweverManySocketsItOpens) {
    std::vector<std::unique_ptr<WebSession>> sockets;
    std::vector<Replies> first;
    for (int i = 0; i < 4; ++i) {
        sockets.push_back(std::make_unique<WebSession>(link, "10.0.0.7", 0));
        first.push_back(send(*sockets.back(), test::PageModel(crypto, scalar(7)).pairByCode("2222-2222")));
    }
    EXPECT_TRUE(first[0].at(0).starts_with("share "));
    for (int i = 1; i < 4; ++i) EXPECT_EQ(Replies{"wait 5"}, first[i]) << "socket " << i;
    EXPECT_EQ(CODE_TRIES - 1, offers.current(0)->codeTriesLeft) << "one try, not four";
    send(*sockets[0], "confirm " + std::string(64, 'a'));
    // While the wait lasts every socket is turned away, whatever it says.
    for (const std::string& opening : {test::PageModel(crypto, scalar(8)).pair(offer->secret), std::string("hello x 1 y")}) {
        WebSession again(link, "10.0.0.7", 4000);
        EXPECT_EQ(Replies{"wait 1"}, send(again, opening, 4000));
    }
    WebSession later(link, "10.0.0.7", 5000);
    EXPECT_TRUE(send(later, test::PageModel(crypto, scalar(8)).pair(offer->secret), 5000).at(0).starts_with("share "));
}

TEST_F(WebSessionTest, EveryHello_EndsWithANewKey_AndAnOldKeyComingBackForgetsTheBrowser) {
    WebSession pairing(link, "10.0.0.1", 0);
    const auto [browser, key1] = keyOf(pairByQr(pairing).opened.at(0));
    webInputs();

    // Two tabs come back with key 1 before either has taken key 2: both get the same key 2.
    WebSession tabA(link, "10.0.0.1", 0);
    WebSession tabB(link, "10.0.0.2", 0);
    Paired a = hello(tabA, browser, 1, key1);
    Paired b = hello(tabB, browser, 1, key1);
    ASSERT_TRUE(a.ok && b.ok);
    ASSERT_EQ(2U, a.opened.size());
    EXPECT_TRUE(a.opened[1].starts_with("rekey 2 "));
    EXPECT_EQ(a.opened[1], b.opened[1]);
    const Bytes key2 = fromHex(a.opened[1].substr(8)).value();
    // Until the browser says it holds key 2, key 1 still lets it in...
    WebSession tabC(link, "10.0.0.1", 0);
    EXPECT_TRUE(hello(tabC, browser, 1, key1).ok);
    EXPECT_TRUE(send(tabA, a.page.seal("rekeyed 2")).empty());
    // ...after, key 2 does, and key 1 is a copy.
    WebSession next(link, "10.0.0.1", 0);
    const Paired withKey2 = hello(next, browser, 2, key2);
    ASSERT_TRUE(withKey2.ok);
    EXPECT_TRUE(withKey2.opened.at(1).starts_with("rekey 3 "));
    webInputs();
    WebSession thief(link, "192.168.1.37", 0);
    const Paired copied = hello(thief, browser, 1, key1);
    EXPECT_EQ(Replies{"forgotten"}, copied.opened);
    EXPECT_TRUE(thief.over());
    const std::string warning = "A copy of Pixel 7's key was used from 192.168.1.37; the phone was forgotten, pair it again";
    EXPECT_EQ((Inputs{{warning, "notice"}}), webInputs()) << "nothing else reaches the window";
    EXPECT_EQ(std::vector<std::string>{warning}, trusted.warnings()) << "for the Connect page";
    EXPECT_EQ(0U, trusted.browsers());
    WebSession owner(link, "10.0.0.1", 0);
    EXPECT_EQ(Replies{"unknown"}, hello(owner, browser, 3, key2).opened) << "the browser must pair again";
}

TEST_F(WebSessionTest, ABrowserForgottenWhileItsPageIsOpen_NeitherControlsThePcNorHearsFromItAnyLonger) {
    WebSession page(link, "10.0.0.1", 0);
    Paired paired = pairByQr(page);
    ASSERT_TRUE(paired.ok);
    webInputs();
    trusted.forget(trusted.list().at(0).id);  // the Connect page's Forget
    const WebSession::Outcome heard = page.fromWindow("playing");
    ASSERT_EQ(1U, heard.replies.size());
    EXPECT_EQ("forgotten", paired.page.open(heard.replies[0]));
    EXPECT_TRUE(heard.close && page.over());

    WebSession other(link, "10.0.0.2", 0);
    offer = *offers.renew(0);
    Paired second = pairByQr(other);
    ASSERT_TRUE(second.ok);
    webInputs();
    trusted.forgetAll();
    EXPECT_EQ(Replies{"forgotten"}, [&] {
        Replies opened;
        for (const std::string& reply : send(other, second.page.seal("key D:1")))
            opened.push_back(*second.page.open(reply));
        return opened;
    }());
    EXPECT_TRUE(other.over());
    EXPECT_TRUE(webInputs().empty()) << "the key reached nothing";
}

TEST_F(WebSessionTest, WhatTheWindowTellsAPage_GrowsByWholeKilobytes_APictureBy16KiB) {
    WebSession page(link, "10.0.0.1", 0);
    Paired paired = pairByQr(page);
    ASSERT_TRUE(paired.ok);
    const auto sealedSize = [&](const std::string& text) {
        const Replies replies = page.fromWindow(text).replies;
        EXPECT_EQ(text, paired.page.open(replies.at(0)).value_or("(sealed wrongly)"));
        return replies.at(0).size();
    };
    const std::size_t kilobyte = 2 * (1024 + GCM_TAG_BYTES);  // as hex
    EXPECT_EQ(kilobyte, sealedSize("playing"));
    EXPECT_EQ(kilobyte, sealedSize("playing id playing 1 2 p\tVLC\t" + std::string(900, 't')));
    EXPECT_EQ(kilobyte, sealedSize("labels Impress\t1=Previous"));
    EXPECT_EQ(2 * kilobyte - 2 * GCM_TAG_BYTES, sealedSize("labels " + std::string(1100, 'l')));
    EXPECT_EQ(sealedSize("art data:" + std::string(17000, 'a')), sealedSize("art data:" + std::string(32000, 'a')));
    EXPECT_LT(sealedSize("art data:" + std::string(32000, 'a')), sealedSize("art data:" + std::string(33000, 'a')));
}

TEST_F(WebSessionTest, ABrowserWhoseAckWasLost_ComesInWithItsNextKey_AndOnlyBrowsersAnswerToHello) {
    WebSession pairing(link, "10.0.0.1", 0);
    const auto [browser, key1] = keyOf(pairByQr(pairing).opened.at(0));
    WebSession first(link, "10.0.0.1", 0);
    const Paired rekeyed = hello(first, browser, 1, key1);
    const Bytes key2 = fromHex(rekeyed.opened.at(1).substr(8)).value();
    first.closed();  // before its "rekeyed 2" got through
    WebSession second(link, "10.0.0.1", 0);
    EXPECT_TRUE(hello(second, browser, 2, key2).ok) << "the next key proves itself";
    WebSession stale(link, "10.0.0.5", 0);
    EXPECT_EQ(Replies{"forgotten"}, hello(stale, browser, 1, key1).opened);

    // A trusted Bluetooth phone has no id and no key: nothing a hello can name.
    trusted.trustPhone("Nokia", "00:11:22:33:44:55");
    WebSession stranger(link, "10.0.0.6", 0);
    EXPECT_EQ(Replies{"unknown"}, hello(stranger, "", 1, {}).opened);
    EXPECT_FALSE(trusted.browser(""));
    EXPECT_EQ(KeyStanding::Unknown, trusted.browserKey("", 1).standing);
}

// What someone who recorded every byte can do with it later: try every code
// of a small keyspace (the right one among them), or the browser's key
// stolen afterwards, against the recorded handshake. SPAKE2 leaves nothing to
// test them on: only the page's and Vork's scalars, gone with the run, open it.
TEST_F(WebSessionTest, ARecording_GivesNoCodeAnythingToBeTestedOn_NorALaterStolenKeyAnythingToOpen) {
    const std::string typed = offer->code.substr(0, CODE_LENGTH - 1);
    WebSession page(link, "10.0.0.1", 0);
    test::PageModel honest(crypto, scalar(0x21));
    const std::string opening = honest.pairByCode(offer->code);
    const std::string share = send(page, opening).at(0);
    const std::string confirm = honest.confirm(share);
    ASSERT_FALSE(confirm.empty());
    send(page, confirm);
    const std::string pairedReply = send(page, honest.seal("name Pixel 7")).at(0);
    int fits = 0;
    for (const char last : CODE_ALPHABET) {
        test::PageModel guesser(crypto, scalar(0x33));
        guesser.pairByCode(typed + last);
        if (!guesser.confirm(share).empty()) ++fits;
    }
    EXPECT_EQ(0, fits) << "no code, not even the right one, reproduces Vork's confirmation";
    test::PageModel withTheScalar(crypto, scalar(0x21));
    withTheScalar.pairByCode(offer->code);
    EXPECT_FALSE(withTheScalar.confirm(share).empty()) << "the check itself works, given the page's own scalar";
    const std::string paired = withTheScalar.open(pairedReply).value_or("");
    ASSERT_TRUE(paired.starts_with("paired "));

    // A later session of the same browser, its key stolen afterwards.
    const auto [browser, key] = keyOf(paired);
    WebSession later(link, "10.0.0.1", 0);
    test::PageModel returning(crypto, scalar(0x44));
    const std::string recordedShare = send(later, returning.hello(browser, 1, key)).at(0);
    send(later, returning.confirm(recordedShare));
    const std::string typedSecret = returning.seal("text 0 hunter2");
    ASSERT_EQ(1U, send(later, typedSecret).size() + 1) << "typed, nothing answered";
    test::PageModel thief(crypto, scalar(0x55));
    thief.hello(browser, 1, key);
    EXPECT_TRUE(thief.confirm(recordedShare).empty()) << "the stolen key does not reproduce the recorded run";
    EXPECT_FALSE(thief.open(typedSecret));
}

TEST_F(WebSessionTest, Names_AreShownAsPrintableAsciiOfBoundedLength) {
    const std::string longName(60, 'n');
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"name Pixel 7", "Pixel 7"},          {"name   Pixel\x01\x7f 7  ", "Pixel 7"}, {"name ", "Browser"},
        {"name", "Browser"},                  {"name \xc3\xa9t\xc3\xa9", "t"},
        {"name " + longName, std::string(WEB_NAME_LIMIT, 'n')},
    };
    int address = 0;
    for (const auto& [message, shown] : cases) {
        offer = *offers.renew(0);
        WebSession page(link, "10.0.0." + std::to_string(++address), 0);
        const Paired paired = pair(page, std::nullopt, 0, message);
        ASSERT_TRUE(paired.ok) << message;
        EXPECT_EQ("connected " + shown, paired.opened[1]) << message;
    }
}

TEST_F(WebSessionTest, APageNotPairedWithinThirtySeconds_IsClosed_OnceAndForAll) {
    WebSession page(link, "10.0.0.1", 5000);
    EXPECT_EQ(std::optional<std::uint64_t>(5000 + UNPAIRED_LIMIT_MS), page.nextWake());
    EXPECT_FALSE(page.wake(5000 + UNPAIRED_LIMIT_MS - 1).close);
    const auto outcome = page.wake(5000 + UNPAIRED_LIMIT_MS);
    EXPECT_TRUE(outcome.close);
    EXPECT_EQ(Replies{"unknown"}, outcome.replies);
    // Its socket may take a while to close: it answers nothing more, and never wakes again.
    EXPECT_FALSE(page.nextWake());
    EXPECT_TRUE(page.wake(5000 + UNPAIRED_LIMIT_MS + 1).replies.empty());
    EXPECT_TRUE(send(page, "pair " + std::string(32, 'a')).empty());

    WebSession paired(link, "10.0.0.2", 0);
    ASSERT_TRUE(pairByQr(paired).ok);
    EXPECT_FALSE(paired.nextWake()) << "a paired page that holds nothing has no time limit";
}

TEST_F(WebSessionTest, PairedMessages_BecomeTheirEvents_AndBadOnesAreRefused) {
    WebSession page(link, "10.0.0.1", 0);
    EXPECT_TRUE(page.fromWindow("labels VLC").replies.empty()) << "nothing for a page not yet paired";
    Paired paired = pairByQr(page);
    webInputs();
    // The largest paste: WEB_TEXT_LIMIT characters of four bytes each.
    std::string paste;
    for (int i = 0; i < WEB_TEXT_LIMIT; ++i) paste += "\xF0\x9F\x98\x80";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"key D:1", ""},
        {"move 12 -7", ""},
        {"scroll -240", ""},
        {"scroll 0 -360", ""},
        {"click left", ""},
        {"click right", ""},
        {"beat", ""},
        {"move 2001 0", "error bad move"},
        {"move 1", "error bad move"},
        {"move x 1", "error bad move"},
        {"scroll 2401", "error bad scroll"},
        {"scroll 1 2401", "error bad scroll"},
        {"scroll 1 x", "error bad scroll"},
        {"scroll 1 2 3", "error bad scroll"},
        {"key ", "error bad key"},
        {"key D:\x01", "error bad key"},
        {"key " + std::string(WEB_COMMAND_LIMIT + 1, '1'), "error bad key"},
        {"click middle", "error unknown message"},
        {"name again", "error unknown message"},
        {"text 0 h\xC3\xA9llo \xF0\x9F\x98\x80", ""},
        {"text 3 ", ""},
        {"text 0 ", ""},  // nothing to do: nothing reaches the window
        {"text 0 " + paste, ""},
        {"text 0 " + paste + "a", "error bad text"},
        {"text 4001 ", "error bad text"},
        {"text -1 a", "error bad text"},
        {"text x a", "error bad text"},
        {"text 0 \xC3", "error bad text"},
        {"text 0 \x1B[2J", "error bad text"},
        {"press c ctrl", ""},
        {"press ( ctrl", "error bad press"},
        {"media play-pause", ""},
        {"media louder", "error bad media"},
        {"visible 0", ""},
        {"visible 2", "error unknown message"},
        {"player next", ""},
        {"player seek 65000", ""},
        {"player follow org.mpris.MediaPlayer2.vlc", ""},
        {"player seek -1", "error bad player"},
        {"player seek 86400001", "error bad player"},
        {"player next 1", "error bad player"},
        {"player follow ", "error bad player"},
        {"player follow a b", "error bad player"},
        {"player stop", "error bad player"},
    };
    for (const auto& [message, reply] : cases) {
        const Replies replies = send(page, paired.page.seal(message));
        EXPECT_EQ(reply, replies.empty() ? "" : paired.page.open(replies[0]).value_or("(sealed wrongly)")) << message;
    }
    const std::string me = id(page);
    EXPECT_EQ((Inputs{{"D:1", me}, {"move 12 -7", me}, {"scroll -240", me}, {"scroll 0 -360", me}, {"left", me}, {"right", me},
                      {"text 0 h\xC3\xA9llo \xF0\x9F\x98\x80", me}, {"text 3 ", me}, {"text 0 " + paste, me},
                      {"press ^c", me}, {"media 4", me}, {"visible 0", me},
                      {"player 1 0 ", me}, {"player 3 65000 ", me}, {"player 4 0 org.mpris.MediaPlayer2.vlc", me}}),
              webInputs());
    const Replies labels = page.fromWindow("labels VLC media player\tD:1=Previous").replies;
    ASSERT_EQ(1U, labels.size());
    EXPECT_EQ("labels VLC media player\tD:1=Previous", paired.page.open(labels[0])) << "sealed, in turn";

    EXPECT_EQ("forgotten", paired.page.open(send(page, paired.page.seal("key U:X")).at(0)));
    EXPECT_EQ(0U, trusted.browsers()) << "Forget drops the browser's key at once";
}

TEST_F(WebSessionTest, AHeldAction_StopsOnRelease_OnASilentSecond_OrWhenThePageCloses_AndBeatsReachTheWindow) {
    WebSession page(link, "10.0.0.1", 0);
    Paired paired = pairByQr(page);
    webInputs();
    const std::string me = id(page);
    const auto say = [&](std::string_view text, std::uint64_t at) { send(page, paired.page.seal(text), at); };

    say("key D:R", 1000);
    say("release", 1200);
    say("release", 1300);  // nothing more to release
    EXPECT_EQ((Inputs{{"D:R", me}, {"released", me}}), webInputs());
    EXPECT_FALSE(page.nextWake());

    say("key D:R", 2000);
    say("beat", 2600);  // the finger is still there
    EXPECT_EQ(std::optional<std::uint64_t>(2600 + HOLD_SILENCE_MS), page.nextWake());
    page.wake(2600 + HOLD_SILENCE_MS - 1);
    EXPECT_EQ((Inputs{{"D:R", me}, {"beat", me}}), webInputs());
    page.wake(2600 + HOLD_SILENCE_MS);
    EXPECT_EQ((Inputs{{"released", me}}), webInputs());
    say("beat", 3700);
    EXPECT_TRUE(webInputs().empty()) << "beats of a page that holds nothing stay with the server";

    say("media volume-up", 4000);
    EXPECT_TRUE(page.nextWake()) << "the volume media keys are held like Vol +";
    say("text 0 a", 4100);
    EXPECT_FALSE(page.nextWake()) << "typing, like any command, ends a held action";
    webInputs();

    say("key D:8", 5000);
    page.closed();
    EXPECT_EQ((Inputs{{"D:8", me}, {"departed", me}}), webInputs());

    // A page that holds nothing still leaves: the window stops counting it as connected.
    offer = *offers.renew(0);
    WebSession idle(link, "10.0.0.2", 0);
    ASSERT_TRUE(pairByQr(idle).ok);
    webInputs();
    idle.closed();
    EXPECT_EQ((Inputs{{"departed", id(idle)}}), webInputs());
}

}  // namespace
}  // namespace vork
