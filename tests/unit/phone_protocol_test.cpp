#include "link/phone_protocol.h"

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

    // The user at the PC decides during the given pause from now (0 = the next).
    void userDecidesAt(std::size_t pauseIndex, std::int32_t decision) {
        const std::size_t due = sleeper.pauses.size() + pauseIndex;
        sleeper.onPause = [this, due, decision](std::size_t index) {
            if (index == due) state.set(decision);
        };
    }

    // Logs the phone in with the user accepting it during the first pause.
    void logInAccepted(const std::string& name) {
        userDecidesAt(0, Accepted);
        ASSERT_EQ(std::string(LOGIN_OK_REPLY), protocol.handleRequest("LOGIN:1" + name));
        sleeper.onPause = nullptr;
    }

    // A later connection: the listener resets the state as it accepts one.
    void reconnectFrom(const std::string& address) {
        state.set(Pending);
        protocol.beginConnection(address);
    }

    std::vector<std::string> drainCommands() {
        std::vector<std::string> commands;
        for (unsigned message : notifier.messages())
            if (message == WM_PHONE_COMMAND) commands.push_back(mailbox.readCommand());
        return commands;
    }

    test::RecordingNotifier notifier;
    UiMailbox mailbox{notifier};
    ConnectionState state;
    test::FakeSleeper sleeper;
    PhoneProtocol protocol{mailbox, state, sleeper};
};

TEST_F(PhoneProtocolTest, NewPhoneAccepted_RepliesLoginOk_AndIsTrustedWithItsAddress) {
    userDecidesAt(2, Accepted);
    const auto reply = protocol.handleRequest("LOGIN:1MyPhone");
    EXPECT_EQ(std::string("LOGIN OK\n\r"), reply);
    EXPECT_EQ((std::vector<unsigned>{WM_PHONE_NOTICE, WM_PHONE_REQUEST}), notifier.messages());
    EXPECT_EQ("", mailbox.readNotice());
    EXPECT_EQ("MyPhone", mailbox.readRequest());
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
    EXPECT_TRUE(notifier.messages().empty());
}

TEST_F(PhoneProtocolTest, ReplyBytes_AreExact) {
    EXPECT_EQ(10U, LOGIN_OK_REPLY.size());
    EXPECT_EQ('\n', LOGIN_OK_REPLY[8]);
    EXPECT_EQ('\r', LOGIN_OK_REPLY[9]);
    EXPECT_EQ(std::string_view("LOGIN ERR\x0a\x0d"), LOGIN_ERR_REPLY);
    EXPECT_EQ(11U, LOGIN_ERR_REPLY.size());
}

TEST_F(PhoneProtocolTest, Decision_IsReadOnlyAfterAFullSecond_AndAgainEverySecond) {
    // The user accepts at once, while the request is being shown...
    userDecidesAt(0, Accepted);
    EXPECT_EQ(std::string(LOGIN_OK_REPLY), protocol.handleRequest("LOGIN:1A"));
    // ...and the protocol still waited one whole second before it looked.
    EXPECT_EQ((std::vector<std::uint32_t>{1000}), sleeper.pauses);

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
    EXPECT_EQ(Accepted, state.get());
    EXPECT_EQ((std::vector<unsigned>{WM_PHONE_NOTICE, WM_PHONE_STATUS}), notifier.messages());
    EXPECT_EQ("Connected.", mailbox.readStatus());
}

TEST_F(PhoneProtocolTest, TrustedNameFromAnotherDevice_IsAskedForAgain) {
    logInAccepted("MyPhone");
    reconnectFrom(OTHER_ADDRESS);
    notifier.clear();
    userDecidesAt(0, Rejected);
    EXPECT_EQ(std::string(LOGIN_ERR_REPLY), protocol.handleRequest("LOGIN:1MyPhone"));
    EXPECT_EQ((std::vector<unsigned>{WM_PHONE_NOTICE, WM_PHONE_REQUEST}), notifier.messages());
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
        reconnectFrom(PHONE_ADDRESS);
        userDecidesAt(0, Rejected);
        protocol.handleRequest(c.message);
        EXPECT_EQ(c.notice, mailbox.readNotice());
        EXPECT_FALSE(mailbox.readRequest().empty());
    }
}

TEST_F(PhoneProtocolTest, LoginWithoutName_AsksForUnknownTlf) {
    userDecidesAt(0, Accepted);
    EXPECT_EQ(std::string(LOGIN_OK_REPLY), protocol.handleRequest("LOGIN:"));
    EXPECT_EQ("", mailbox.readNotice());
    EXPECT_EQ("Unknown tlf", mailbox.readRequest());

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
    EXPECT_TRUE(notifier.messages().empty());
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
    EXPECT_EQ("MyPhone", mailbox.readRequest());
}

TEST_F(PhoneProtocolTest, ForgetCommand_FromPhoneNotAccepted_IsOnlyEchoed) {
    logInAccepted("MyPhone");
    reconnectFrom(OTHER_ADDRESS);
    EXPECT_EQ(std::string("U:X"), protocol.handleRequest("U:X"));
    ASSERT_TRUE(protocol.trustedPhone());
    EXPECT_EQ("MyPhone", protocol.trustedPhone()->name);
}

TEST_F(PhoneProtocolTest, AcceptanceAfterLoginErr_MakesLaterMessagesCommands) {
    userDecidesAt(0, Rejected);
    EXPECT_EQ(std::string(LOGIN_ERR_REPLY), protocol.handleRequest("LOGIN:1MyPhone"));
    state.set(Accepted);  // the user clicks ACCEPT on the request still shown
    notifier.clear();
    EXPECT_EQ(std::string("D:1"), protocol.handleRequest("D:1"));
    EXPECT_EQ((std::vector<std::string>{"D:1"}), drainCommands());
}

TEST_F(PhoneProtocolTest, StaleAcceptance_AdmitsNoConnectionThatHasNotLoggedIn) {
    // The user accepts a request whose connection has already gone, after
    // the listener took the next connection.
    reconnectFrom(OTHER_ADDRESS);
    state.set(Accepted);
    EXPECT_EQ(std::string("D:5"), protocol.handleRequest("D:5"));
    EXPECT_EQ(std::string("U:X"), protocol.handleRequest("U:X"));
    EXPECT_TRUE(notifier.messages().empty()) << "nothing may be executed before a login";

    // Its login is asked for afresh rather than let in by the old click.
    userDecidesAt(0, Rejected);
    EXPECT_EQ(std::string(LOGIN_ERR_REPLY), protocol.handleRequest("LOGIN:1Intruder"));
    EXPECT_EQ("Intruder", mailbox.readRequest());
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
    EXPECT_EQ(name, mailbox.readRequest());

    const std::string big(1024, '\xee');
    EXPECT_EQ(big, protocol.handleRequest(big));
    EXPECT_EQ((std::vector<std::string>{big}), drainCommands());

    reconnectFrom(OTHER_ADDRESS);
    for (std::string_view truncated : {"L", "LOGI", "LOGIN"}) EXPECT_EQ(std::string(truncated), protocol.handleRequest(truncated));
}

}  // namespace
}  // namespace vork
