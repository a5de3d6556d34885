#include "bluetooth/phone_listener.h"

#include <gtest/gtest.h>

#include "listener_harness.h"

namespace vork {
namespace {

using test::ScriptedConnection;
using test::ScriptedSockets;

class PhoneListenerTest : public ::testing::Test, protected test::ListenerHarness {};

TEST_F(PhoneListenerTest, EachFailingSetupCall_ShowsItsNumberAndCode_ClosesAndPauses) {
    using Call = ScriptedSockets::Call;
    const std::vector<std::pair<Call, std::string>> cases = {
        {Call::Socket, "Cannot find bluetooth (1 #10043)"},
        {Call::ProtocolInfo, "Cannot find bluetooth (2 #10043)"},
        {Call::Bind, "Cannot find bluetooth (3 #10043)"},
        {Call::BoundAddress, "Cannot find bluetooth (4 #10043)"},
        {Call::Listen, "Cannot find bluetooth (5 #10043)"},
        {Call::Register, "Cannot find bluetooth (6 #10043)"},
    };
    sockets.errorCode = 10043;
    for (const auto& [call, text] : cases) {
        SCOPED_TRACE(text);
        sockets.failingCall = call;
        notifier.clear();
        sleeper.pauses.clear();
        EXPECT_TRUE(listener.runCycle());
        EXPECT_EQ((std::vector<std::string>{"Searching for bluetooth device..", text}), statuses());
        EXPECT_EQ((std::vector<std::uint32_t>{2000, 3000}), sleeper.pauses);
        EXPECT_TRUE(sockets.openSockets().empty());
    }
    EXPECT_EQ(0, sockets.registrations());
    EXPECT_EQ(sockets.startups(), sockets.cleanups());
}

TEST_F(PhoneListenerTest, NegativeErrorCode_PrintsWithItsSign) {
    EXPECT_EQ("Cannot find bluetooth (3 #-5)", setupFailureStatus(3, -5));
    EXPECT_EQ("Cannot find bluetooth (1 #-2147483648)", setupFailureStatus(1, -2147483647 - 1));
}

TEST_F(PhoneListenerTest, FailingStartup_StartsOverWithoutAMessage) {
    sockets.failStartup = true;
    EXPECT_TRUE(listener.runCycle());
    EXPECT_TRUE(listener.runCycle());
    EXPECT_EQ(std::vector<std::string>(2, "Searching for bluetooth device.."), statuses());
    EXPECT_EQ((std::vector<std::uint32_t>{2000, 2000}), sleeper.pauses);
}

TEST_F(PhoneListenerTest, Connection_IsServedMessageByMessage) {
    const std::string full(1024, 'x');
    sockets.connections.push_back(ScriptedConnection{
        "00:11:22:33:44:55", {"D:5", std::string("D:1\0junk", 8), full, std::string("\0D:2", 4), "LOGIN"}});
    EXPECT_TRUE(listener.runCycle());
    EXPECT_EQ((std::vector<std::string>{"D:5", "D:1", full, "", "LOGIN"}), sockets.replies());
    for (const std::size_t size : sockets.receiveSizes()) EXPECT_EQ(1024U, size);
    EXPECT_EQ((std::vector<std::string>{"Searching for bluetooth device..", "Waiting for phone to connect"}),
              statuses());
}

TEST_F(PhoneListenerTest, JoinedMessages_AreOneMessage) {
    sockets.connections.push_back(ScriptedConnection{"A", {"LOGIN:1PhoneD:1"}});
    sleeper.onPause = [this](std::size_t index) {
        if (index == 1) answerShownRequest(Accepted);
    };
    listener.runCycle();
    ASSERT_TRUE(listener.protocol().trustedPhone());
    EXPECT_EQ("PhoneD:1", listener.protocol().trustedPhone()->name);
}

TEST_F(PhoneListenerTest, LostConnection_ClosesEverything_AndTheNextCycleStartsAfresh) {
    for (const int end : {0, -1}) {
        SCOPED_TRACE(end);
        sockets.connections.push_back(ScriptedConnection{"A", {"LOGIN:1Phone"}, end});
        sleeper.onPause = [this](std::size_t index) {
            if (index == 1) answerShownRequest(Accepted);
        };
        EXPECT_TRUE(listener.runCycle());
        EXPECT_TRUE(sockets.openSockets().empty());
        EXPECT_EQ(sockets.registrations(), sockets.unregistrations());
        ASSERT_TRUE(listener.protocol().trustedPhone());
        sleeper.onPause = nullptr;
        sleeper.pauses.clear();
        listener.runCycle();
        EXPECT_EQ((std::vector<std::uint32_t>{2000}), sleeper.pauses);
    }
    EXPECT_EQ(2, disconnections());
    EXPECT_EQ(0, sockets.doubleCloses());
}

TEST_F(PhoneListenerTest, TrustedPhone_SurvivesCycles) {
    sockets.connections.push_back(ScriptedConnection{"A", {"LOGIN:1Phone"}});
    sockets.connections.push_back(ScriptedConnection{"A", {"LOGIN:1Phone", "D:1"}});
    sleeper.onPause = [this](std::size_t index) {
        if (index == 1) answerShownRequest(Accepted);
    };
    listener.runCycle();
    sleeper.onPause = nullptr;
    listener.runCycle();
    EXPECT_EQ((std::vector<std::string>{"LOGIN OK\n\r", "LOGIN OK\n\r", "D:1"}), sockets.replies());
}

TEST_F(PhoneListenerTest, LateAcceptOfAnEarlierRequest_AdmitsNoLaterConnection) {
    const RequestNumber earlier = state.openRequest("earlier", 0).number;
    state.closeRequest(earlier);
    sockets.connections.push_back(ScriptedConnection{"B", {"D:5", "LOGIN:1B", "D:1"}});
    sleeper.onPause = [&](std::size_t index) {
        state.answer(earlier, Accepted, 0);  // a late ACCEPT click
        if (index == 3) answerShownRequest(Rejected);
    };
    listener.runCycle();
    EXPECT_EQ((std::vector<std::string>{"D:5", "LOGIN ERR\n\r", "D:1"}), sockets.replies());
    for (EventQueue message : notifier.wakes()) EXPECT_NE(EventQueue::Command, message);
}

TEST_F(PhoneListenerTest, PhoneGoneWhileAsking_WithdrawsTheRequest_AndTheNextCycleRuns) {
    sockets.connections.push_back(ScriptedConnection{"A", {"LOGIN:1Gone"}, 0, true, 1});
    EXPECT_TRUE(listener.runCycle());
    const RequestEvent request = test::take<RequestEvent>(mailbox);
    EXPECT_EQ("Gone", request.name);
    EXPECT_FALSE(state.isOpen(request.number));
    EXPECT_TRUE(sockets.replies().empty());
    EXPECT_EQ((std::vector<std::uint32_t>{2000, 1000, 1000}), sleeper.pauses) << "noticed at the second poll";
    EXPECT_EQ(1, disconnections());
    EXPECT_TRUE(sockets.openSockets().empty());
    EXPECT_FALSE(listener.protocol().trustedPhone());
}

TEST_F(PhoneListenerTest, SecureLink_AskedBeforeBinding_ARefusalIsNoticedOnce) {
    using Call = ScriptedSockets::Call;
    EXPECT_TRUE(listener.runCycle());
    EXPECT_EQ((std::vector<Call>{Call::Socket, Call::Authenticate, Call::Encrypt, Call::ProtocolInfo, Call::Bind,
                                 Call::BoundAddress, Call::Listen, Call::Register}),
              sockets.setupCalls());
    EXPECT_EQ("", test::take<NoticeEvent>(mailbox).text) << "no notice while the stack grants both";

    for (const Call refused : {Call::Authenticate, Call::Encrypt}) {
        sockets.failingCall = refused;
        sockets.connections.push_back(ScriptedConnection{"A", {"D:1"}});
        EXPECT_TRUE(listener.runCycle());
        EXPECT_EQ("D:1", sockets.replies().back()) << "the phone is served all the same";
    }
    const auto messages = notifier.wakes();
    EXPECT_EQ(1, std::count(messages.begin(), messages.end(), EventQueue::Notice));
    EXPECT_EQ(std::string(UNSECURED_LINK_NOTICE), test::take<NoticeEvent>(mailbox).text);
}

TEST_F(PhoneListenerTest, FailedAccept_EndsTheCycleQuietly) {
    sockets.failAccept = true;
    EXPECT_TRUE(listener.runCycle());
    EXPECT_TRUE(sockets.openSockets().empty());
    EXPECT_EQ(1, sockets.unregistrations());
    EXPECT_EQ(0, disconnections());
}

TEST_F(PhoneListenerTest, ShortSends_StillDeliverTheWholeReply_AndFailedSendsAreIgnored) {
    sockets.sendLimit = 3;
    sockets.connections.push_back(ScriptedConnection{"A", {"LOGIN:1Phone"}});
    sleeper.onPause = [this](std::size_t index) {
        if (index == 1) answerShownRequest(Rejected);
    };
    listener.runCycle();
    EXPECT_EQ((std::vector<std::string>{"LOG", "IN ", "ERR", "\n\r"}), sockets.replies());

    sockets.failSends = true;
    sockets.connections.push_back(ScriptedConnection{"A", {"a", "b"}});
    EXPECT_TRUE(listener.runCycle());
    EXPECT_EQ(5U, sockets.receiveSizes().size()) << "2 receives on the first connection, 3 on the second";
}

TEST_F(PhoneListenerTest, StopDuringThePause_EndsTheRun) {
    sleeper.onPause = [this](std::size_t index) {
        if (index == 4) sleeper.stopped = true;
    };
    sockets.failingCall = ScriptedSockets::Call::Socket;
    listener.run();
    EXPECT_EQ(5U, sleeper.pauses.size());
}

TEST_F(PhoneListenerTest, PeerThatSendsNoLoginFor30Seconds_IsClosed_AndTheNextCycleRuns) {
    // Silent after connecting; chatty without ever logging in (a text every
    // 10 s); logging in 1 ms before the limit, and then left alone; 1 ms after it.
    sockets.connections.push_back(ScriptedConnection{"A", {}, 0, false, -1, true});
    sockets.connections.push_back(ScriptedConnection{"B", {"a", "b", "c", "d"}, 0, false, -1, false, 10000});
    sockets.connections.push_back(ScriptedConnection{"C", {"LOGIN:1C", "D:1"}, 0, false, -1, false, 29999});
    sockets.connections.push_back(ScriptedConnection{"D", {"LOGIN:1D"}, 0, false, -1, false, 30001});
    sleeper.onPause = [this](std::size_t) { answerShownRequest(Rejected); };
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(listener.runCycle());
    EXPECT_EQ((std::vector<std::string>{"a", "b", "c", "LOGIN ERR\n\r", "D:1"}), sockets.replies())
        << "the chatty one was cut off at 30 s, before \"d\"; the late login got nothing";
    // Each wait is for what is left of the 30 s; once logged in, the receive waits alone.
    EXPECT_EQ((std::vector<std::uint32_t>{30000, 30000, 20000, 10000, 30000, 30000}), sockets.waitLimits());
    EXPECT_EQ(4, disconnections());
    EXPECT_TRUE(sockets.openSockets().empty());
    EXPECT_EQ(SEND_LIMIT_MS, sockets.sendTimeLimit());
}

TEST_F(PhoneListenerTest, PeerThatStopsReading_EndsTheConnectionAtTheSendLimit) {
    sockets.sendsTimeOut = true;
    sockets.connections.push_back(ScriptedConnection{"A", {"D:1", "D:2"}});
    EXPECT_TRUE(listener.runCycle());
    EXPECT_EQ((std::vector<std::string>{"r3", "s-1"}), sockets.traffic()) << "nothing more is read or sent";
    EXPECT_EQ(1, disconnections());
    sockets.sendsTimeOut = false;
    sockets.connections.push_back(ScriptedConnection{"A", {"D:5"}});
    EXPECT_TRUE(listener.runCycle());
    EXPECT_EQ("D:5", sockets.replies().back());
}

}  // namespace
}  // namespace vork
