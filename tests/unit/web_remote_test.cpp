// The browser remote's logic: pairing by the offer on the PC's screen, the
// handshake and the sealed channel, the page's messages, the limits and which
// requests reach the page's files.
#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <functional>

#include "app/command_line.h"
#include "link/phone_protocol.h"
#include "counting_random.h"
#include "crypto_vectors.h"
#include "openssl_crypto.h"
#include "page_model.h"
#include "recording_notifier.h"
#include "web/page_routes.h"
#include "web/web_session.h"

namespace vork {
namespace {

class WebSessionTest : public ::testing::Test {
public:
    using Replies = std::vector<std::string>;
    using Kind = WebInput::Kind;
    using Inputs = std::vector<std::pair<std::string, std::string>>;
    static constexpr std::uint32_t ITERATIONS = 1000;  // the code's PBKDF2, kept quick here

    void SetUp() override { offer = offers.renew(0); }

    Replies send(WebSession& session, std::string_view message, std::uint64_t at = 0) {
        return session.receive(message, at).replies;
    }
    // A page's whole handshake; the replies to its last message, opened.
    struct Paired {
        test::PageModel page;
        Replies opened;
        bool ok = false;
    };
    Paired handshake(WebSession& session, std::string_view first, std::optional<Bytes> qr, std::string_view code,
                     std::uint64_t at = 0) {
        Paired result{test::PageModel(crypto, Bytes(LINK_NONCE_BYTES, 0xAB)), {}, false};
        std::string start(first);
        if (start.empty()) start = result.page.pair();
        const Replies challenge = send(session, start, at);
        if (challenge.size() != 1 || !challenge[0].starts_with("challenge ")) {
            result.opened = challenge;
            return result;
        }
        Replies verified = send(session, result.page.answer(challenge[0], qr, code, ITERATIONS), at);
        if (verified.empty() || !result.page.verified(verified[0])) {
            result.opened = verified;
            return result;
        }
        result.ok = true;
        if (first.empty()) verified = send(session, result.page.seal("name Pixel 7"), at);
        else verified.erase(verified.begin());
        for (const std::string& reply : verified) result.opened.push_back(result.page.open(reply).value_or("(sealed wrongly)"));
        return result;
    }
    Paired pairByQr(WebSession& session) { return handshake(session, "", offer->secret, {}); }
    // The window's side: what reached it since the last look, oldest first.
    Inputs webInputs() {
        Inputs inputs;
        for (const test::Posted& posted : notifier.posted()) {
            if (posted.message == WM_LINK_RELEASE)
                inputs.emplace_back(posted.lParam == LINK_DEPARTED ? "departed" : "released",
                                    std::to_string(posted.wParam));
            if (posted.message == WM_PHONE_STATUS) inputs.emplace_back(mailbox.readStatus().text, "status");
            if (posted.message != WM_WEB_INPUT) continue;
            const WebInput input = mailbox.readWebInput();
            const std::string page = std::to_string(input.page);
            if (input.kind == Kind::Command) inputs.emplace_back(input.command, page);
            if (input.kind == Kind::Move) inputs.emplace_back("move " + std::to_string(input.dx) + " " + std::to_string(input.dy), page);
            if (input.kind == Kind::Scroll) inputs.emplace_back("scroll " + std::to_string(input.dy), page);
            if (input.kind == Kind::LeftClick) inputs.emplace_back("left", page);
            if (input.kind == Kind::RightClick) inputs.emplace_back("right", page);
            if (input.kind == Kind::Beat) inputs.emplace_back("beat", page);
            if (input.kind == Kind::Text) inputs.emplace_back("text " + std::to_string(input.dx) + " " + input.command, page);
            if (input.kind == Kind::Press) inputs.emplace_back("press " + input.command, page);
            if (input.kind == Kind::Media) inputs.emplace_back("media " + std::to_string(input.dx), page);
            if (input.kind == Kind::Visible) inputs.emplace_back("visible " + std::to_string(input.dx), page);
        }
        notifier.clear();
        return inputs;
    }
    std::string id(const WebSession& session) { return std::to_string(session.id()); }

    test::RecordingNotifier notifier;
    UiMailbox mailbox{notifier};
    ConnectionState state;
    test::CountingRandom random;
    test::OpenSslCrypto crypto;
    TrustedDevices trusted;
    PairingOffers offers{crypto, random, ITERATIONS};
    const PairingOffer* offer = nullptr;
    WebLink link{mailbox, state, random, trusted, crypto, offers};
};

TEST_F(WebSessionTest, PairingByTheQrSecretOrTheTypedCode_TakesThePlaceOfAccept_AndGivesTheBrowserItsOwnKey) {
    for (const bool typed : {false, true}) {
        SCOPED_TRACE(typed ? "typed code" : "QR secret");
        offer = offers.renew(0);
        std::string code = groupedCode(offer->code);
        for (char& c : code) c = static_cast<char>(std::tolower(c));  // as typed on a phone
        WebSession page(link, typed ? "10.0.0.2" : "10.0.0.1", 0);
        Paired paired = typed ? handshake(page, "", std::nullopt, code) : pairByQr(page);
        ASSERT_TRUE(paired.ok) << "Vork proved it holds the secret too";
        ASSERT_EQ(2U, paired.opened.size());
        EXPECT_EQ("connected Pixel 7", paired.opened[1]);
        EXPECT_TRUE(paired.opened[0].starts_with("paired "));
        EXPECT_EQ(WebSession::Stage::Paired, page.stage());
        EXPECT_EQ((Inputs{{"Connected.", "status"}, {"visible 1", id(page)}}), webInputs())
            << "nobody is asked; the window sends the new page its labels";
        EXPECT_FALSE(offers.current(0)) << "an offer pairs one browser";

        // The key it was given lets it in again; Vork remembered the name.
        const std::string id = paired.opened[0].substr(7, 2 * BROWSER_ID_BYTES);
        const Bytes key = fromHex(paired.opened[0].substr(8 + 2 * BROWSER_ID_BYTES)).value();
        WebSession again(link, "10.0.0.9", 0);
        test::PageModel returning(crypto, Bytes(LINK_NONCE_BYTES, 0x11));
        const Replies challenge = send(again, returning.hello(id, key));
        const Replies verified = send(again, returning.answer(challenge.at(0)));
        ASSERT_EQ(2U, verified.size());
        EXPECT_TRUE(returning.verified(verified[0]));
        EXPECT_EQ("connected Pixel 7", returning.open(verified[1]));
        webInputs();
    }
    EXPECT_EQ(2U, trusted.browsers());
}

TEST_F(WebSessionTest, WhatFailsTheHandshakeOrTheSeal_IsToldOnlyUnknown_ReachesNothing_AndTheAddressWaits) {
    const Replies unknown{"unknown"};
    struct Case {
        const char* what;
        std::function<Replies(WebSessionTest&, WebSession&)> run;
        bool waits = true;  // a forgotten browser may pair again at once
    };
    const std::vector<Case> cases = {
        {"a command before the challenge", [](WebSessionTest& t, WebSession& s) { return t.send(s, "key D:1"); }},
        {"a wrong code", [](WebSessionTest& t, WebSession& s) { return t.handshake(s, "", std::nullopt, "AAAAA-AAAAA").opened; }},
        {"a forged answer to a known id",
         [](WebSessionTest& t, WebSession& s) {
             t.trusted.trustBrowser("Known", "00112233445566778899aabbccddeeff", toHex(Bytes(32, 7)));
             test::PageModel page(t.crypto, Bytes(LINK_NONCE_BYTES, 1));
             const Replies challenge = t.send(s, page.hello("00112233445566778899aabbccddeeff", Bytes(32, 8)));
             return t.send(s, page.answer(challenge.at(0)));
         }},
        {"an id never given (or forgotten)",
         [](WebSessionTest& t, WebSession& s) { return t.send(s, "hello 0123 " + std::string(32, 'a')); }, false},
        {"a nonce of the wrong length", [](WebSessionTest& t, WebSession& s) { return t.send(s, "pair abcd"); }},
        {"a sealed message replayed, reordered, cut or changed",
         [](WebSessionTest& t, WebSession& s) {
             Paired p = t.pairByQr(s);
             const std::string first = p.page.seal("key D:1");
             const std::string second = p.page.seal("key D:2");
             t.send(s, first);
             t.webInputs();
             Replies replies = t.send(s, first);  // again
             if (replies != Replies{"unknown"}) return replies;
             // The others on sessions of their own:
             for (const int change : {0, 1, 2}) {
                 t.offer = t.offers.renew(0);
                 WebSession other(t.link, "10.0.1." + std::to_string(change), 0);
                 Paired q = t.pairByQr(other);
                 std::string frame = q.page.seal("key D:1");
                 if (change == 0) frame = q.page.seal("key D:2");  // the second before the first
                 if (change == 1) frame.resize(frame.size() - 2);
                 if (change == 2) frame[4] = frame[4] == '0' ? '1' : '0';
                 t.webInputs();
                 if (t.send(other, frame) != Replies{"unknown"} || !t.webInputs().empty()) return Replies{"accepted"};
             }
             (void)second;
             return replies;
         }},
    };
    int address = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        offer = offers.renew(0);
        const std::string peer = "10.9.9." + std::to_string(++address);
        WebSession page(link, peer, 0);
        EXPECT_EQ(unknown, c.run(*this, page));
        EXPECT_TRUE(page.over());
        EXPECT_TRUE(webInputs().empty()) << "nothing reached the window";
        WebSession next(link, peer, 1000);
        EXPECT_EQ(c.waits, send(next, "pair " + std::string(32, 'a'), 1000) == unknown) << "the address waits";
    }
}

TEST_F(WebSessionTest, TheOffer_LastsTenMinutes_AndThreeWrongCodesReplaceIt) {
    EXPECT_TRUE(offers.current(OFFER_LIFETIME_MS - 1));
    EXPECT_FALSE(offers.current(OFFER_LIFETIME_MS));
    WebSession late(link, "10.0.0.1", OFFER_LIFETIME_MS);
    EXPECT_EQ(Replies{"nooffer"}, send(late, "pair " + std::string(32, 'a'), OFFER_LIFETIME_MS));

    offer = offers.renew(0);
    const std::string code = offer->code;
    for (int attempt = 1; attempt <= CODE_TRIES; ++attempt) {
        WebSession guess(link, "10.0.0." + std::to_string(10 + attempt), 0);
        EXPECT_FALSE(handshake(guess, "", std::nullopt, "2222222222").ok);
        ASSERT_TRUE(offers.current(0));
        EXPECT_EQ(attempt < CODE_TRIES, offers.current(0)->code == code) << attempt;
    }
    WebSession old(link, "10.0.0.20", 0);
    EXPECT_FALSE(handshake(old, "", std::nullopt, code).ok) << "the replaced code no longer pairs";
    offer = offers.current(0);
    WebSession fresh(link, "10.0.0.21", 0);
    EXPECT_TRUE(handshake(fresh, "", std::nullopt, offer->code).ok);
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
        offer = offers.renew(0);
        WebSession page(link, "10.0.0." + std::to_string(++address), 0);
        test::PageModel model(crypto, Bytes(LINK_NONCE_BYTES, 3));
        const Replies challenge = send(page, model.pair());
        ASSERT_TRUE(model.verified(send(page, model.answer(challenge.at(0), offer->secret)).at(0)));
        const Replies named = send(page, model.seal(message));
        ASSERT_EQ(2U, named.size());
        EXPECT_EQ("connected " + shown, model.open(named[0]).has_value() ? model.open(named[1]).value_or("") : "")
            << message;
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

TEST_F(WebSessionTest, PairedMessages_BecomeWebInputs_AndBadOnesAreRefused) {
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
        {"click left", ""},
        {"click right", ""},
        {"beat", ""},
        {"move 2001 0", "error bad move"},
        {"move 1", "error bad move"},
        {"move x 1", "error bad move"},
        {"scroll 2401", "error bad scroll"},
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
    };
    for (const auto& [message, reply] : cases) {
        const Replies replies = send(page, paired.page.seal(message));
        EXPECT_EQ(reply, replies.empty() ? "" : paired.page.open(replies[0]).value_or("(sealed wrongly)")) << message;
    }
    const std::string me = id(page);
    EXPECT_EQ((Inputs{{"D:1", me}, {"move 12 -7", me}, {"scroll -240", me}, {"left", me}, {"right", me},
                      {"text 0 h\xC3\xA9llo \xF0\x9F\x98\x80", me}, {"text 3 ", me}, {"text 0 " + paste, me},
                      {"press ^c", me}, {"media 4", me}, {"visible 0", me}}),
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
}

TEST(SecureChannel, HkdfMatchesRfc5869_AndGcmHmacAndPbkdf2TheirPublishedVectors) {
    test::OpenSslCrypto crypto;
    test::expectPublishedVectors(crypto);
}

TEST(TrustedDevices, SecretsAreComparedInFull_AndOnlyEqualWhenEqual) {
    EXPECT_TRUE(equalInConstantTime("", ""));
    EXPECT_TRUE(equalInConstantTime("abc", "abc"));
    EXPECT_FALSE(equalInConstantTime("abc", "abd"));
    EXPECT_FALSE(equalInConstantTime("abc", "xbc"));
    EXPECT_FALSE(equalInConstantTime("abc", "abcd"));
    EXPECT_FALSE(equalInConstantTime(std::string_view("a\0c", 3), "abc"));
}

TEST(PageRoutes, OnlyThePagesFilesAndItsOwnSocket_ForThisHostByAddress) {
    const std::array<PageFile, 2> files = {{{"/index.html", "text/html", "<p>"}, {"/remote.js", "text/javascript", ""}}};
    struct Case {
        RequestLine request;
        int status;
        std::string_view file;
    };
    const std::vector<Case> cases = {
        {{"GET", "/", "192.168.1.20:8642", "", false}, 200, "/index.html"},
        {{"GET", "/?from=qr", "192.168.1.20:8642", "", false}, 200, "/index.html"},
        {{"HEAD", "/remote.js", "localhost:8642", "", false}, 200, "/remote.js"},
        {{"GET", "/../vork.toml", "127.0.0.1", "", false}, 404, ""},
        {{"GET", "/index.html/", "127.0.0.1", "", false}, 404, ""},
        {{"POST", "/", "127.0.0.1:8642", "", false}, 405, ""},
        {{"GET", "/", "attacker.example:8642", "", false}, 403, ""},
        {{"GET", "/", "", "", false}, 403, ""},
        {{"GET", "/", "192.168.1.256:8642", "", false}, 403, ""},
        {{"GET", "/", "192.168.1:8642", "", false}, 403, ""},
        {{"GET", "/", "192.168.1.20:86420", "", false}, 403, ""},
        {{"GET", "/ws", "192.168.1.20:8642", "http://192.168.1.20:8642", true}, 101, ""},
        {{"GET", "/ws", "LocalHost:8642", "http://localhost:8642", true}, 101, ""},
        {{"GET", "/ws", "192.168.1.20:8642", "http://attacker.example", true}, 403, ""},
        {{"GET", "/ws", "192.168.1.20:8642", "http://192.168.1.20:8643", true}, 403, ""},
        {{"GET", "/ws", "192.168.1.20:8642", "https://192.168.1.20:8642", true}, 403, ""},
        {{"GET", "/ws", "192.168.1.20:8642", "", true}, 403, ""},
        {{"GET", "/other", "192.168.1.20:8642", "http://192.168.1.20:8642", true}, 403, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.request.method) + " " + std::string(c.request.target) + " host " +
                     std::string(c.request.host) + " origin " + std::string(c.request.origin));
        const Route route = routeRequest(c.request, files);
        EXPECT_EQ(c.status, route.status);
        EXPECT_EQ(c.status == 101, route.webSocket);
        EXPECT_EQ(c.file, route.file ? route.file->path : "");
    }
}

TEST(CommandLine, WebOption_TakesTheDefaultPortOrAGivenOne) {
    const std::vector<std::tuple<std::string, std::optional<std::uint16_t>, bool>> cases = {
        {"--web", 8642, true},         {"--web=9000", 9000, true}, {"--web=65535", 65535, true},
        {"--web=0", std::nullopt, false}, {"--web=65536", std::nullopt, false}, {"--web=", std::nullopt, false},
        {"--web=-1", std::nullopt, false}, {"--web=80a", std::nullopt, false},  {"--webb", std::nullopt, false},
    };
    for (const auto& [argument, port, good] : cases) {
        const CommandLine line = parseCommandLine({argument});
        EXPECT_EQ(port, line.webPort) << argument;
        EXPECT_EQ(good, line.error.empty()) << argument;
    }
    EXPECT_FALSE(parseCommandLine({}).webPort) << "off unless asked for";
    const CommandLine others = parseCommandLine({"--minimised", "--connect"});
    EXPECT_TRUE(others.minimized && others.connect && others.error.empty());
}

}  // namespace
}  // namespace vork
