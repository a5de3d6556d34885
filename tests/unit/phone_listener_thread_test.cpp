// Stopping the listener thread from each place it can block in.
#include "link/phone_listener.h"

#include <gtest/gtest.h>

#include <chrono>

#include "recording_notifier.h"
#include "scripted_sockets.h"

namespace vork {
namespace {

using Clock = std::chrono::steady_clock;
using test::ScriptedConnection;
using test::ScriptedSockets;

class ListenerThreadStop : public ::testing::Test {
protected:
    // Starts the thread with the sockets as scripted.
    void startWith(std::unique_ptr<ScriptedSockets> scripted) {
        ScriptedSockets& observed = *scripted;
        thread = std::make_unique<ListenerThread>(std::move(scripted), mailbox, state);
        ASSERT_TRUE(thread->start());
        sockets = &observed;
    }

    void expectPromptStop() {
        const auto start = Clock::now();
        EXPECT_TRUE(thread->stop());
        EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
    }

    test::RecordingNotifier notifier;
    std::shared_ptr<UiMailbox> mailbox = std::make_shared<UiMailbox>(notifier);
    std::shared_ptr<ConnectionState> state = std::make_shared<ConnectionState>();
    std::unique_ptr<ListenerThread> thread;
    ScriptedSockets* sockets = nullptr;
};

TEST_F(ListenerThreadStop, WhileWaitingForAPhone) {
    auto scripted = std::make_unique<ScriptedSockets>();
    scripted->blockWhenNoConnection = true;
    ScriptedSockets& observed = *scripted;
    startWith(std::move(scripted));
    ASSERT_TRUE(observed.waitUntilBlocked());  // after the first 2 s pause
    expectPromptStop();
}

TEST_F(ListenerThreadStop, WhileReceiving) {
    auto scripted = std::make_unique<ScriptedSockets>();
    scripted->connections.push_back(ScriptedConnection{"A", {"D:1"}, 0, true});
    ScriptedSockets& observed = *scripted;
    startWith(std::move(scripted));
    ASSERT_TRUE(observed.waitUntilBlocked());
    expectPromptStop();
    EXPECT_EQ((std::vector<std::string>{"D:1"}), observed.replies());
}

TEST_F(ListenerThreadStop, WhileTheUserDecides) {
    auto scripted = std::make_unique<ScriptedSockets>();
    scripted->connections.push_back(ScriptedConnection{"A", {"LOGIN:1Phone"}, 0, true});
    startWith(std::move(scripted));
    // Wait for the request to reach the window.
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    auto requested = [&] {
        for (unsigned m : notifier.messages())
            if (m == WM_PHONE_REQUEST) return true;
        return false;
    };
    while (!requested() && Clock::now() < deadline) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(requested());
    expectPromptStop();
    EXPECT_TRUE(sockets->replies().empty()) << "a stopped wait sends no reply";
}

TEST_F(ListenerThreadStop, DuringTheFirstPause) {
    startWith(std::make_unique<ScriptedSockets>());
    expectPromptStop();
}

}  // namespace
}  // namespace vork
