// Each socket call the listener makes fails once, in turn; the next cycle
// serves a phone as usual, nothing leaked.
#include <gtest/gtest.h>

#include "bluetooth/phone_listener.h"
#include "listener_harness.h"
#include "recording_notifier.h"

namespace vork {
namespace {
using test::ScriptedConnection;
using test::ScriptedSockets;

class ListenerFaults : public ::testing::Test, protected test::ListenerHarness {
protected:
    // After the faulty cycle, a clean one serves a phone as usual.
    void expectNextCycleServes() {
        sockets.connections.push_back(ScriptedConnection{"A", {"D:5"}});
        const std::size_t repliesBefore = sockets.replies().size();
        EXPECT_TRUE(listener.runCycle());
        ASSERT_EQ(repliesBefore + 1, sockets.replies().size());
        EXPECT_EQ("D:5", sockets.replies().back());
        EXPECT_TRUE(sockets.openSockets().empty());
        EXPECT_EQ(sockets.registrations(), sockets.unregistrations());
        EXPECT_EQ(sockets.startups(), sockets.cleanups());
        EXPECT_EQ(0, sockets.doubleCloses());
    }
};

TEST_F(ListenerFaults, SetupCallFailsOnce) {
    using Call = ScriptedSockets::Call;
    const std::vector<std::pair<Call, int>> calls = {{Call::Socket, 1},       {Call::ProtocolInfo, 2},
                                                     {Call::Bind, 3},         {Call::BoundAddress, 4},
                                                     {Call::Listen, 5},       {Call::Register, 6}};
    for (const auto& [call, step] : calls) {
        SCOPED_TRACE(step);
        sockets.failingCall = call;
        EXPECT_TRUE(listener.runCycle());
        EXPECT_EQ((std::vector<std::string>{std::string(SEARCHING_STATUS), setupFailureStatus(step, 10050)}),
                  statuses());
        sockets.failingCall = Call::None;
        expectNextCycleServes();
        statuses();
    }
}

TEST_F(ListenerFaults, StartupFailsOnce) {
    sockets.failStartup = true;
    EXPECT_TRUE(listener.runCycle());
    EXPECT_EQ((std::vector<std::string>{std::string(SEARCHING_STATUS)}), statuses());
    sockets.failStartup = false;
    expectNextCycleServes();
}

TEST_F(ListenerFaults, AcceptFailsOnce) {
    sockets.failAccept = true;
    EXPECT_TRUE(listener.runCycle());
    sockets.failAccept = false;
    expectNextCycleServes();
}

TEST_F(ListenerFaults, ReceiveFailsOnce) {
    sockets.connections.push_back(ScriptedConnection{"A", {"D:1"}, -1});
    EXPECT_TRUE(listener.runCycle());
    expectNextCycleServes();
}

TEST_F(ListenerFaults, SendFailsOnce) {
    sockets.failSends = true;
    sockets.connections.push_back(ScriptedConnection{"A", {"D:1", "D:2"}});
    EXPECT_TRUE(listener.runCycle());
    EXPECT_EQ(3U, sockets.receiveSizes().size()) << "both messages and the end were still read";
    sockets.failSends = false;
    expectNextCycleServes();
}

TEST_F(ListenerFaults, WakingTheWindowFailsOnce) {
    notifier.failWakes = true;
    EXPECT_TRUE(listener.runCycle());  // "Searching…" cannot be posted
    notifier.failWakes = false;
    sockets.connections.push_back(ScriptedConnection{"A", {"D:1"}});
    EXPECT_TRUE(listener.runCycle());
    EXPECT_EQ((std::vector<std::string>{std::string(SEARCHING_STATUS), std::string(WAITING_STATUS)}), statuses())
        << "the lost notification left no text behind to be read by a later one";
}

}  // namespace
}  // namespace vork
