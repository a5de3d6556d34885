// The mailbox between two real threads, as the listener and the window use it.
#include <gtest/gtest.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "link/ui_mailbox.h"

namespace vork {
namespace {

// A window thread's message queue: posts from any thread, taken in order.
class QueueNotifier final : public Notifier {
public:
    bool post(unsigned message, std::uintptr_t, std::intptr_t) override {
        {
            const std::lock_guard lock(mutex_);
            queue_.push_back(message);
        }
        ready_.notify_one();
        return true;
    }
    unsigned next() {
        std::unique_lock lock(mutex_);
        ready_.wait(lock, [this] { return !queue_.empty(); });
        const unsigned message = queue_.front();
        queue_.pop_front();
        return message;
    }

private:
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<unsigned> queue_;
};

constexpr LinkOrigin PHONE{LinkKind::Bluetooth, 1};

TEST(UiMailboxThreads, EveryTextArrivesOnce_InOrder_AcrossThreads) {
    constexpr int COUNT = 5000;
    QueueNotifier notifier;
    UiMailbox mailbox(notifier);

    std::thread listener([&] {
        for (int i = 0; i < COUNT; ++i) {
            // A full queue drops, so wait for the window like a slow link would.
            while (!mailbox.publishCommand(PHONE, "D:" + std::to_string(i))) std::this_thread::yield();
            if (i % 100 == 0) mailbox.publishStatus(PHONE, "status " + std::to_string(i));
        }
    });

    int nextCommand = 0;
    int statuses = 0;
    while (nextCommand < COUNT) {
        const unsigned message = notifier.next();
        if (message == WM_PHONE_COMMAND) {
            ASSERT_EQ("D:" + std::to_string(nextCommand), mailbox.readCommand().text);
            ++nextCommand;
        } else {
            ASSERT_EQ(WM_PHONE_STATUS, message);
            EXPECT_EQ("status " + std::to_string(statuses * 100), mailbox.readStatus().text);
            ++statuses;
        }
    }
    listener.join();
    EXPECT_EQ(COUNT / 100, statuses);
}

}  // namespace
}  // namespace vork
