// The browser remote's logic: its requests to the user, its tokens, the
// page's messages, the limits and which requests reach the page's files.
#include <gtest/gtest.h>

#include <array>

#include "app/command_line.h"
#include "link/phone_protocol.h"
#include "counting_random.h"
#include "recording_notifier.h"
#include "web/page_routes.h"
#include "web/web_session.h"

namespace vork {
namespace {

class WebSessionTest : public ::testing::Test {
protected:
    using Replies = std::vector<std::string>;
    using Kind = WebInput::Kind;
    using Inputs = std::vector<std::pair<std::string, std::string>>;

    Replies send(WebSession& session, std::string_view message, std::uint64_t at = 0) {
        auto outcome = session.receive(message, at);
        return outcome.replies;
    }
    // The window's side: what reached it since the last look, oldest first:
    // commands by their text, moves as "move DX DY", releases and departures by the page's id.
    Inputs webInputs() {
        Inputs inputs;
        for (const test::Posted& posted : notifier.posted()) {
            if (posted.message == WM_LINK_RELEASE)
                inputs.emplace_back(posted.lParam == LINK_DEPARTED ? "departed" : "released",
                                    std::to_string(posted.wParam));
            if (posted.message != WM_WEB_INPUT) continue;
            const WebInput input = mailbox.readWebInput();
            const std::string page = std::to_string(input.page);
            if (input.kind == Kind::Command) inputs.emplace_back(input.command, page);
            if (input.kind == Kind::Move) inputs.emplace_back("move " + std::to_string(input.dx) + " " + std::to_string(input.dy), page);
            if (input.kind == Kind::Scroll) inputs.emplace_back("scroll " + std::to_string(input.dy), page);
            if (input.kind == Kind::LeftClick) inputs.emplace_back("left", page);
            if (input.kind == Kind::RightClick) inputs.emplace_back("right", page);
            if (input.kind == Kind::Beat) inputs.emplace_back("beat", page);
        }
        notifier.clear();
        return inputs;
    }
    // Logs in and lets the user answer; the first reply.
    std::string pair(WebSession& session, ConnectionStateValue answer = Accepted) {
        EXPECT_EQ(Replies{"asking"}, send(session, "login Pixel"));
        const PhoneRequest shown = mailbox.readRequest();
        state.answer(shown.number, answer, 0);
        const auto outcome = session.wake(100);
        notifier.clear();
        return outcome.replies.empty() ? "" : outcome.replies[0];
    }
    std::string id(const WebSession& session) { return std::to_string(session.id()); }

    test::RecordingNotifier notifier;
    UiMailbox mailbox{notifier};
    ConnectionState state;
    test::CountingRandom random;
    TrustedDevices trusted;
    WebLink link{mailbox, state, random, trusted};
};

TEST_F(WebSessionTest, Accept_GivesATokenThatLetsTheBrowserInWithoutAsking) {
    WebSession page(link, "192.168.1.5", 0);
    EXPECT_EQ("accepted 000102030405060708090a0b0c0d0e0f", pair(page));
    EXPECT_EQ(WebSession::Stage::Paired, page.stage());

    WebSession again(link, "192.168.1.5", 0);
    EXPECT_EQ(Replies{"connected"}, send(again, "hello 000102030405060708090a0b0c0d0e0f"));
    const LinkText connected = mailbox.readStatus();
    EXPECT_EQ(std::string(CONNECTED_STATUS), connected.text);
    EXPECT_EQ((LinkOrigin{LinkKind::Browser, again.id()}), connected.origin);
    EXPECT_EQ((std::vector<unsigned>{WM_PHONE_STATUS}), notifier.messages()) << "nobody is asked";

    for (const char* guess : {"hello 000102030405060708090a0b0c0d0e0e", "hello 000102030405060708090a0b0c0d0e0",
                              "hello ", "hello 000102030405060708090a0b0c0d0e0f0"}) {
        WebSession stranger(link, "192.168.1.6", 0);
        EXPECT_EQ(Replies{"unknown"}, send(stranger, guess)) << guess;
        EXPECT_EQ(Replies{"unpaired"}, send(stranger, "key D:1"));
    }
}

TEST_F(WebSessionTest, DeclinedBusyUnansweredOrReplaced_NeverPairs_AndTheKeysOfSuchAPageReachNothing) {
    const auto unpaired = [this](WebSession& page) {
        notifier.clear();
        EXPECT_EQ(WebSession::Stage::Unpaired, page.stage());
        EXPECT_EQ(Replies{"unpaired"}, send(page, "key D:1"));
        EXPECT_TRUE(webInputs().empty()) << "a page not let in reached the window";
    };
    WebSession page(link, "192.168.1.5", 0);
    EXPECT_EQ("declined", pair(page, Rejected));
    unpaired(page);
    EXPECT_EQ(Replies{"declined"}, send(page, "login Pixel", 4999)) << "it waits 5 s, and nothing is shown";
    EXPECT_TRUE(notifier.messages().empty());

    // A request on screen stays there: the page is told to wait.
    const RequestNumber phone = state.openRequest("phone", 0).number;
    EXPECT_EQ(Replies{"busy"}, send(page, "login Pixel", 5000));
    EXPECT_TRUE(state.isOpen(phone));
    unpaired(page);
    state.closeRequest(phone);

    // A Bluetooth phone's request replaces the page's: the page's answer can only be the phone's.
    EXPECT_EQ(Replies{"asking"}, send(page, "login Pixel", 5000));
    const RequestNumber replacing = state.openRequest("phone", 5000).number;
    state.answer(replacing, Accepted, 5000);
    EXPECT_EQ(Replies{"busy"}, page.wake(5100).replies);
    unpaired(page);
    state.closeRequest(replacing);

    // Nobody answers for a minute: withdrawn, like a page that left.
    WebSession slow(link, "192.168.1.7", 0);
    EXPECT_EQ(Replies{"asking"}, send(slow, "login Slow"));
    const RequestNumber asked = mailbox.readRequest().number;
    EXPECT_TRUE(slow.wake(REQUEST_LIMIT_MS - 1).replies.empty());
    EXPECT_EQ(Replies{"unanswered"}, slow.wake(REQUEST_LIMIT_MS).replies);
    EXPECT_FALSE(state.isOpen(asked));
    ASSERT_FALSE(notifier.posted().empty());
    EXPECT_EQ(WM_REQUEST_WITHDRAWN, notifier.posted().back().message);
    unpaired(slow);
    EXPECT_EQ(0U, trusted.browsers());
}

TEST_F(WebSessionTest, ThePageGoingAway_WithdrawsItsRequest) {
    WebSession page(link, "192.168.1.5", 0);
    EXPECT_EQ(Replies{"asking"}, send(page, "login Pixel"));
    const PhoneRequest shown = mailbox.readRequest();
    EXPECT_EQ(std::optional<std::uint64_t>(DECISION_CHECK_MS), page.nextWake());
    notifier.clear();
    page.closed(100);
    EXPECT_FALSE(state.isOpen(shown.number));
    EXPECT_FALSE(state.answer(shown.number, Accepted, 100)) << "a late ACCEPT admits nobody";
    ASSERT_EQ(1U, notifier.posted().size());
    EXPECT_EQ(WM_REQUEST_WITHDRAWN, notifier.posted()[0].message);
    EXPECT_FALSE(page.nextWake());
    EXPECT_TRUE(page.wake(200).replies.empty()) << "a closed page says nothing more";
}

TEST_F(WebSessionTest, Names_AreShownAsPrintableAsciiOfBoundedLength) {
    const std::string long_name(60, 'n');
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"login Pixel 7", "Pixel 7"},
        {"login   Pixel\x01\x7f 7  ", "Pixel 7"},
        {"login ", "Browser"},
        {"login", "Browser"},
        {"login \xc3\xa9t\xc3\xa9", "t"},
        {"login " + long_name, std::string(WEB_NAME_LIMIT, 'n')},
    };
    int address = 0;
    for (const auto& [message, shown] : cases) {
        WebSession page(link, "10.0.0." + std::to_string(++address), 0);
        send(page, message);
        EXPECT_EQ(shown, mailbox.readRequest().name) << message;
        page.closed(0);
    }
}

TEST_F(WebSessionTest, AnUnpairedSocket_IsClosedAfterThirtySeconds_OnceAndForAll) {
    WebSession page(link, "192.168.1.5", 5000);
    EXPECT_EQ(std::optional<std::uint64_t>(5000 + UNPAIRED_LIMIT_MS), page.nextWake());
    EXPECT_FALSE(page.wake(5000 + UNPAIRED_LIMIT_MS - 1).close);
    const auto outcome = page.wake(5000 + UNPAIRED_LIMIT_MS);
    EXPECT_TRUE(outcome.close);
    EXPECT_EQ(Replies{"unpaired"}, outcome.replies);
    // Its socket may take a while to close: it asks nothing more, and never wakes again.
    EXPECT_FALSE(page.nextWake());
    EXPECT_TRUE(page.wake(5000 + UNPAIRED_LIMIT_MS + 1).replies.empty());
    EXPECT_TRUE(send(page, "login Pixel").empty());

    WebSession paired(link, "192.168.1.6", 0);
    pair(paired);
    EXPECT_FALSE(paired.nextWake()) << "a paired page that holds nothing has no time limit";
}

TEST_F(WebSessionTest, PairedMessages_BecomeWebInputs_AndBadOnesAreRefused) {
    WebSession page(link, "192.168.1.5", 0);
    pair(page);
    const std::vector<std::pair<std::string, Replies>> cases = {
        {"key D:1", {}},
        {"move 12 -7", {}},
        {"scroll -240", {}},
        {"click left", {}},
        {"click right", {}},
        {"beat", {}},
        {"move 2001 0", {"error bad move"}},
        {"move 1", {"error bad move"}},
        {"move 1 2 3", {"error bad move"}},
        {"move x 1", {"error bad move"}},
        {"scroll 2401", {"error bad scroll"}},
        {"key ", {"error bad key"}},
        {"key D:\x01", {"error bad key"}},
        {"key " + std::string(WEB_COMMAND_LIMIT + 1, '1'), {"error bad key"}},
        {"click middle", {"error unknown message"}},
        {"login again", {"error unknown message"}},
    };
    for (const auto& [message, replies] : cases) EXPECT_EQ(replies, send(page, message)) << message;
    const std::string me = id(page);
    EXPECT_EQ((Inputs{{"D:1", me}, {"move 12 -7", me}, {"scroll -240", me}, {"left", me}, {"right", me}}),
              webInputs());
}

TEST_F(WebSessionTest, Forget_DropsTheToken) {
    WebSession page(link, "192.168.1.5", 0);
    const std::string accepted = pair(page);
    EXPECT_EQ(Replies{"forgotten"}, send(page, "key U:X"));
    EXPECT_EQ((Inputs{{"U:X", id(page)}}), webInputs());
    WebSession again(link, "192.168.1.5", 0);
    EXPECT_EQ(Replies{"unknown"}, send(again, "hello " + accepted.substr(accepted.find(' ') + 1)));
}

TEST_F(WebSessionTest, WithoutRandomBytes_TheBrowserIsLetInOnceButNotRemembered) {
    random.refuse = true;
    WebSession page(link, "192.168.1.5", 0);
    EXPECT_EQ("connected", pair(page));
    EXPECT_EQ(0U, trusted.browsers());
}

TEST_F(WebSessionTest, AHeldAction_StopsOnRelease_OnASilentSecond_OrWhenThePageCloses_AndBeatsReachTheWindow) {
    WebSession page(link, "192.168.1.5", 0);
    pair(page);
    const std::string me = id(page);

    send(page, "key D:R", 1000);
    send(page, "release", 1200);
    send(page, "release", 1300);  // nothing more to release
    EXPECT_EQ((Inputs{{"D:R", me}, {"released", me}}), webInputs());
    EXPECT_FALSE(page.nextWake());

    send(page, "key D:R", 2000);
    send(page, "beat", 2600);  // the finger is still there
    EXPECT_EQ(std::optional<std::uint64_t>(2600 + HOLD_SILENCE_MS), page.nextWake());
    page.wake(2600 + HOLD_SILENCE_MS - 1);
    EXPECT_EQ((Inputs{{"D:R", me}, {"beat", me}}), webInputs());
    page.wake(2600 + HOLD_SILENCE_MS);
    EXPECT_EQ((Inputs{{"released", me}}), webInputs());
    send(page, "beat", 3700);
    EXPECT_TRUE(webInputs().empty()) << "beats of a page that holds nothing stay with the server";

    send(page, "key D:8", 5000);
    page.closed(5100);
    EXPECT_EQ((Inputs{{"D:8", me}, {"departed", me}}), webInputs());
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
