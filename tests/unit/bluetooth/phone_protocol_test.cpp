#include "bluetooth/phone_protocol.h"

#include <gtest/gtest.h>

#include "fake_system.h"
#include "recording_notifier.h"

namespace vork {
namespace {

constexpr const char* PHONE_ADDRESS = "00:11:22:33:44:55";
constexpr const char* OTHER_ADDRESS = "66:77:88:99:AA:BB";

class PhoneProtocolTest : public ::testing::Test {
protected:
    void SetUp() override { protocol.beginConnection(PHONE_ADDRESS); }

    // The user at the PC answers the request on screen during the given
    // pause from now (0 = the next).
    void userDecidesAt(std::size_t pauseIndex, ConnectionStateValue decision) {
        const std::size_t due = sleeper.pauses.size() + pauseIndex;
        sleeper.onPause = [this, due, decision](std::size_t index) {
            if (index == due) state.answer(showRequest(), decision, sleeper.nowMs());
        };
    }
    // The window takes the request from the mailbox; its number.
    RequestNumber showRequest() {
        shown.push_back(test::take<RequestEvent>(mailbox));
        return shown.back().number;
    }

    // Logs the phone in with the user accepting it during the first pause.
    void logInAccepted(const std::string& name) {
        userDecidesAt(0, Accepted);
        ASSERT_EQ(std::string(LOGIN_OK_REPLY), protocol.handleRequest("LOGIN:1" + name));
        sleeper.onPause = nullptr;
    }

    void reconnectFrom(const std::string& address) { protocol.beginConnection(address); }

    std::vector<std::string> drainCommands() {
        std::vector<std::string> commands;
        for (EventQueue message : notifier.wakes())
            if (message == EventQueue::Command) commands.push_back(test::take<CommandEvent>(mailbox).command);
        return commands;
    }

    test::RecordingNotifier notifier;
    UiMailbox mailbox{notifier};
    ConnectionState state;
    test::FakeSleeper sleeper;
    PhoneProtocol protocol{mailbox, state, sleeper};
    std::vector<RequestEvent> shown;
};

TEST_F(PhoneProtocolTest, NewPhoneAccepted_RepliesLoginOk_AndIsTrustedWithItsAddress) {
    userDecidesAt(2, Accepted);
    const auto reply = protocol.handleRequest("LOGIN:1MyPhone");
    EXPECT_EQ(std::string("LOGIN OK\n\r"), reply);
    EXPECT_EQ((std::vector<EventQueue>{EventQueue::Notice, EventQueue::Request}), notifier.wakes());
    EXPECT_EQ("", test::take<NoticeEvent>(mailbox).text);
    EXPECT_EQ("MyPhone", shown.at(0).name);
    ASSERT_TRUE(protocol.trustedPhone());
    EXPECT_EQ("MyPhone", protocol.trustedPhone()->name);
    EXPECT_EQ(PHONE_ADDRESS, protocol.trustedPhone()->address);
}

TEST_F(PhoneProtocolTest, NewPhoneDeclined_RepliesLoginErr_AndTrustsNobody) {
    userDecidesAt(0, Rejected);
    EXPECT_EQ(std::string("LOGIN ERR\n\r"), protocol.handleRequest("LOGIN:1MyPhone"));
    EXPECT_FALSE(protocol.trustedPhone());
    // Declined: the phone's further texts are only echoed.
    notifier.clear();
    EXPECT_EQ(std::string("D:5"), protocol.handleRequest("D:5"));
    EXPECT_TRUE(notifier.wakes().empty());
}

TEST_F(PhoneProtocolTest, ReplyBytes_AreExact) {
    EXPECT_EQ(10U, LOGIN_OK_REPLY.size());
    EXPECT_EQ('\n', LOGIN_OK_REPLY[8]);
    EXPECT_EQ('\r', LOGIN_OK_REPLY[9]);
    EXPECT_EQ(std::string_view("LOGIN ERR\x0a\x0d"), LOGIN_ERR_REPLY);
    EXPECT_EQ(11U, LOGIN_ERR_REPLY.size());
}

TEST_F(PhoneProtocolTest, Decision_IsReadOnlyAfterAFullSecond_AndAgainEverySecond) {
    // The user accepts the moment the request arrives, before any pause...
    notifier.onWake = [this](EventQueue message) {
        if (message == EventQueue::Request) state.answer(showRequest(), Accepted, sleeper.nowMs());
    };
    EXPECT_EQ(std::string(LOGIN_OK_REPLY), protocol.handleRequest("LOGIN:1A"));
    // ...and the protocol still waited one whole second before it looked.
    EXPECT_EQ((std::vector<std::uint32_t>{1000}), sleeper.pauses);
    notifier.onWake = nullptr;

    reconnectFrom(OTHER_ADDRESS);
    sleeper.pauses.clear();
    userDecidesAt(5, Rejected);
    EXPECT_EQ(std::string(LOGIN_ERR_REPLY), protocol.handleRequest("LOGIN:1B"));
    EXPECT_EQ(std::vector<std::uint32_t>(6, 1000), sleeper.pauses);
}

TEST_F(PhoneProtocolTest, TrustedNameFromSameDevice_IsAcceptedWithoutAsking) {
    logInAccepted("MyPhone");
    reconnectFrom(PHONE_ADDRESS);
    notifier.clear();
    sleeper.pauses.clear();

    EXPECT_EQ(std::string(LOGIN_OK_REPLY), protocol.handleRequest("LOGIN:1MyPhone"));
    EXPECT_TRUE(sleeper.pauses.empty());
    EXPECT_EQ((std::vector<EventQueue>{EventQueue::Notice, EventQueue::Status}), notifier.wakes());
    EXPECT_EQ("Connected.", test::take<StatusEvent>(mailbox).text);
}

TEST_F(PhoneProtocolTest, TrustedNameFromAnotherDevice_IsAskedForAgain) {
    logInAccepted("MyPhone");
    reconnectFrom(OTHER_ADDRESS);
    notifier.clear();
    userDecidesAt(0, Rejected);
    EXPECT_EQ(std::string(LOGIN_ERR_REPLY), protocol.handleRequest("LOGIN:1MyPhone"));
    EXPECT_EQ((std::vector<EventQueue>{EventQueue::Notice, EventQueue::Request}), notifier.wakes());
    // The phone that really was accepted keeps its trust.
    ASSERT_TRUE(protocol.trustedPhone());
    EXPECT_EQ(PHONE_ADDRESS, protocol.trustedPhone()->address);
}

TEST_F(PhoneProtocolTest, VersionDigit_SelectsTheNotice) {
    struct Case {
        std::string message;
        std::string notice;
    };
    const std::vector<Case> cases = {
        {"LOGIN:0P", ""},  {"LOGIN:1P", ""},
        {"LOGIN:2P", "Update to newer version!"},  {"LOGIN:3P", "Update to newer version!"},
        {"LOGIN:4P", "Update to newer version!"},  {"LOGIN:5P", "Update to newer version!"},
        {"LOGIN:6P", "Update to newer version!"},  {"LOGIN:7P", "Update to newer version!"},
        {"LOGIN:8P", "Update to newer version!"},  {"LOGIN:9P", "Update to newer version!"},
        {"LOGIN:xP", ""},  {"LOGIN:/P", ""},  {"LOGIN::P", ""},  {"LOGIN:\xb2P", ""},
        {"LOGIN:", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        sleeper.advance(10 * 60 * 1000);  // past the wait that each decline owes
        reconnectFrom(PHONE_ADDRESS);
        userDecidesAt(0, Rejected);
        protocol.handleRequest(c.message);
        EXPECT_EQ(c.notice, test::take<NoticeEvent>(mailbox).text);
        EXPECT_FALSE(shown.back().name.empty());
    }
}

TEST_F(PhoneProtocolTest, LoginWithoutName_AsksForUnknownTlf) {
    userDecidesAt(0, Accepted);
    EXPECT_EQ(std::string(LOGIN_OK_REPLY), protocol.handleRequest("LOGIN:"));
    EXPECT_EQ("", test::take<NoticeEvent>(mailbox).text);
    EXPECT_EQ("Unknown tlf", shown.back().name);

    reconnectFrom(PHONE_ADDRESS);
    sleeper.pauses.clear();
    EXPECT_EQ(std::string(LOGIN_OK_REPLY), protocol.handleRequest("LOGIN:7"));
    EXPECT_TRUE(sleeper.pauses.empty()) << "\"Unknown tlf\" is now trusted";
}

TEST_F(PhoneProtocolTest, NotALogin_IsEchoedAndNothingPublished) {
    for (const std::string message : {"login:1MyPhone", "LOGIN", "LOGIN 1x", "D:5", "U:X", ""}) {
        SCOPED_TRACE(message);
        EXPECT_EQ(message, protocol.handleRequest(message));
    }
    EXPECT_TRUE(notifier.wakes().empty());
}

TEST_F(PhoneProtocolTest, AcceptedPhone_EveryMessageIsEchoedAndPublishedAsCommand) {
    logInAccepted("MyPhone");
    notifier.clear();
    for (const std::string message : {"D:5", "LOGIN:1MyPhone", "anything", ""})
        EXPECT_EQ(message, protocol.handleRequest(message));
    EXPECT_EQ((std::vector<std::string>{"D:5", "LOGIN:1MyPhone", "anything", ""}), drainCommands());
    EXPECT_TRUE(sleeper.pauses.size() == 1) << "no second request was shown";
}

TEST_F(PhoneProtocolTest, ForgetCommand_FromAcceptedPhone_ClearsTrustButKeepsTheConnection) {
    logInAccepted("MyPhone");
    notifier.clear();
    EXPECT_EQ(std::string("U:X"), protocol.handleRequest("U:X"));
    EXPECT_FALSE(protocol.trustedPhone());
    EXPECT_EQ(std::string("LOGIN:1MyPhone"), protocol.handleRequest("LOGIN:1MyPhone"));
    EXPECT_EQ((std::vector<std::string>{"U:X", "LOGIN:1MyPhone"}), drainCommands());

    // On a later connection the same phone has to be accepted again.
    reconnectFrom(PHONE_ADDRESS);
    notifier.clear();
    userDecidesAt(0, Rejected);
    EXPECT_EQ(std::string(LOGIN_ERR_REPLY), protocol.handleRequest("LOGIN:1MyPhone"));
    EXPECT_EQ("MyPhone", shown.back().name);
}

TEST_F(PhoneProtocolTest, ForgetCommand_FromPhoneNotAccepted_IsOnlyEchoed) {
    logInAccepted("MyPhone");
    reconnectFrom(OTHER_ADDRESS);
    EXPECT_EQ(std::string("U:X"), protocol.handleRequest("U:X"));
    ASSERT_TRUE(protocol.trustedPhone());
    EXPECT_EQ("MyPhone", protocol.trustedPhone()->name);
}

TEST_F(PhoneProtocolTest, AnswerToAnyOtherRequest_AdmitsNobody) {
    // A late ACCEPT on a request that was declined and answered...
    userDecidesAt(0, Rejected);
    EXPECT_EQ(std::string(LOGIN_ERR_REPLY), protocol.handleRequest("LOGIN:1MyPhone"));
    const RequestNumber declined = shown.back().number;
    EXPECT_FALSE(state.answer(declined, Accepted, sleeper.nowMs()));
    EXPECT_EQ(std::string("D:1"), protocol.handleRequest("D:1"));
    EXPECT_TRUE(drainCommands().empty());

    // ...or on it while the next login waits: only the request on screen counts.
    reconnectFrom(OTHER_ADDRESS);
    sleeper.onPause = [&](std::size_t index) {
        if (index == 1) state.answer(declined, Accepted, sleeper.nowMs());
        if (index == 3) state.answer(showRequest(), Rejected, sleeper.nowMs());
    };
    EXPECT_EQ(std::string(LOGIN_ERR_REPLY), protocol.handleRequest("LOGIN:1Intruder"));
    EXPECT_EQ("Intruder", shown.back().name);
    EXPECT_NE(declined, shown.back().number);
    EXPECT_FALSE(protocol.trustedPhone());
}

TEST_F(PhoneProtocolTest, PhoneGoneWhileAsking_WithdrawsTheRequestWithinASecond) {
    bool present = true;
    protocol.beginConnection(PHONE_ADDRESS, [&present] { return present; });
    sleeper.onPause = [&](std::size_t index) {
        if (index == 0) showRequest();
        if (index == 2) present = false;
    };
    EXPECT_FALSE(protocol.handleRequest("LOGIN:1MyPhone").has_value());
    EXPECT_EQ(3U, sleeper.pauses.size()) << "noticed at the poll right after it left";
    EXPECT_FALSE(state.isOpen(shown.at(0).number));
    EXPECT_FALSE(state.answer(shown.at(0).number, Accepted, sleeper.nowMs())) << "ACCEPT afterwards admits nobody";
    EXPECT_FALSE(protocol.trustedPhone());
}

TEST_F(PhoneProtocolTest, UnansweredForAMinute_IsWithdrawn_AndTheDeviceWaitsLongerEachTime) {
    // The user answers at the first poll, if asked.
    const auto login = [this](const char* address, ConnectionStateValue answer = Pending) {
        reconnectFrom(address);
        notifier.clear();
        sleeper.pauses.clear();
        sleeper.onPause = nullptr;
        if (answer != Pending) userDecidesAt(0, answer);
        return protocol.handleRequest("LOGIN:1MyPhone");
    };
    EXPECT_EQ(std::string(LOGIN_ERR_REPLY), login(PHONE_ADDRESS)) << "nobody answers";
    EXPECT_EQ(std::vector<std::uint32_t>(60, 1000), sleeper.pauses);
    const RequestEvent asked = test::take<RequestEvent>(mailbox);
    // The notice, the request, its withdrawal.
    EXPECT_EQ((std::vector<EventQueue>{EventQueue::Notice, EventQueue::Request, EventQueue::Signal}), notifier.wakes());
    EXPECT_EQ(asked.number, test::take<WithdrawnEvent>(mailbox).number);
    EXPECT_FALSE(state.isOpen(asked.number));

    // Refused at once, with nothing shown, for 5 s; each device for itself;
    // 10 s after its next refusal; not at all once accepted. A request takes
    // a second (its one poll) and the wait runs from its answer.
    struct Step {
        std::uint32_t waitMs;
        const char* address;
        bool asked;
        ConnectionStateValue answer;
    };
    const std::vector<Step> steps = {
        {0, PHONE_ADDRESS, false, Pending},  {4999, PHONE_ADDRESS, false, Pending}, {0, OTHER_ADDRESS, true, Rejected},
        {0, OTHER_ADDRESS, false, Pending},  {0, PHONE_ADDRESS, true, Rejected},     {9999, PHONE_ADDRESS, false, Pending},
        {1, PHONE_ADDRESS, true, Accepted},
    };
    for (const Step& step : steps) {
        sleeper.advance(step.waitMs);
        SCOPED_TRACE(std::to_string(sleeper.nowMs()) + " " + step.address);
        EXPECT_EQ(std::string(step.answer == Accepted ? LOGIN_OK_REPLY : LOGIN_ERR_REPLY),
                  login(step.address, step.answer));
        EXPECT_EQ(step.asked, !notifier.wakes().empty());
        EXPECT_EQ(step.asked ? 1U : 0U, sleeper.pauses.size());
    }
    // The accepted phone is trusted, and no longer waits.
    EXPECT_EQ(std::string(LOGIN_OK_REPLY), login(PHONE_ADDRESS));
}

TEST_F(PhoneProtocolTest, StopWhileWaitingForTheUser_EndsWithoutAReply) {
    sleeper.onPause = [this](std::size_t index) {
        if (index == 3) sleeper.stopped = true;
    };
    EXPECT_FALSE(protocol.handleRequest("LOGIN:1MyPhone").has_value());
    EXPECT_FALSE(protocol.trustedPhone());
}

TEST_F(PhoneProtocolTest, ArbitraryBytes_AreHandledAsTheyAre) {
    const std::string name("\x00\xff\x80 x", 5);
    userDecidesAt(0, Accepted);
    EXPECT_EQ(std::string(LOGIN_OK_REPLY), protocol.handleRequest("LOGIN:1" + name));
    EXPECT_EQ(name, shown.back().name);

    const std::string big(1024, '\xee');
    EXPECT_EQ(big, protocol.handleRequest(big));
    EXPECT_EQ((std::vector<std::string>{big}), drainCommands());

    reconnectFrom(OTHER_ADDRESS);
    for (std::string_view truncated : {"L", "LOGI", "LOGIN"}) EXPECT_EQ(std::string(truncated), protocol.handleRequest(truncated));
}

}  // namespace
}  // namespace vork
