// Stopping the listener thread from each place it can block in.
#include "bluetooth/phone_listener.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <system_error>

#include "recording_notifier.h"
#include "platform/win32/winsock_serial_service.h"
#include "scripted_sockets.h"

namespace vork {
namespace {

using Clock = std::chrono::steady_clock;
using test::ScriptedConnection;
using test::ScriptedSockets;

std::unique_ptr<SerialService> serviceOver(std::unique_ptr<ScriptedSockets> scripted) {
    return std::make_unique<win32::WinsockSerialService>(std::move(scripted));
}

class ListenerThreadStop : public ::testing::Test {
protected:
    // Starts the thread with the sockets as scripted.
    void startWith(std::unique_ptr<ScriptedSockets> scripted) {
        ScriptedSockets& observed = *scripted;
        thread = std::make_unique<ListenerThread>(serviceOver(std::move(scripted)), mailbox, state);
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
        for (EventQueue m : notifier.wakes())
            if (m == EventQueue::Request) return true;
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

// Counts wakes in memory the test keeps, so a late post can be seen.
class CountingNotifier final : public Notifier {
public:
    explicit CountingNotifier(std::shared_ptr<std::atomic<int>> posts) : posts_(std::move(posts)) {}
    bool wake(unsigned) override {
        ++*posts_;
        return true;
    }

private:
    std::shared_ptr<std::atomic<int>> posts_;
};

TEST(ListenerThreadLife, StopThatTimesOut_LeavesTheThreadNothingFreedToReach) {
    auto posts = std::make_shared<std::atomic<int>>(0);
    auto scripted = std::make_unique<ScriptedSockets>();
    scripted->connections.push_back(ScriptedConnection{"A", {}, 0, true});
    scripted->holdAfterCloseMs = 300;  // held in a receive well past the stop's bound
    ScriptedSockets& observed = *scripted;
    int postsAtStop = 0;
    {
        auto mailbox = std::make_shared<UiMailbox>(std::make_shared<CountingNotifier>(posts));
        ListenerThread thread(serviceOver(std::move(scripted)), mailbox, std::make_shared<ConnectionState>(), {}, 50);
        ASSERT_TRUE(thread.start());
        ASSERT_TRUE(observed.waitUntilBlocked());
        postsAtStop = posts->load();
        EXPECT_FALSE(thread.stop());
    }  // the window and everything it made are gone; the thread is not
    // Back from the call, the thread still publishes its disconnect (ASan
    // would report it if the notifier had been freed).
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    while (posts->load() < postsAtStop + 2 && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(postsAtStop + 2, posts->load()) << "the disconnect and the next cycle's status";
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // let it finish before the program ends
}

TEST(ListenerThreadLife, ThreadThatCannotStart_IsReported_NotThrown) {
    test::RecordingNotifier notifier;
    ListenerThread thread(serviceOver(std::make_unique<ScriptedSockets>()), std::make_shared<UiMailbox>(notifier),
                          std::make_shared<ConnectionState>(), {}, ListenerThread::JOIN_LIMIT_MS,
                          [](std::function<void()>) -> std::thread {
                              throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
                          });
    EXPECT_FALSE(thread.start());
    EXPECT_TRUE(thread.stop());
}

}  // namespace
}  // namespace vork
