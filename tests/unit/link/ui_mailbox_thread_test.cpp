// The mailbox between two real threads, as the listener and the window use it.
#include <gtest/gtest.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "link/ui_mailbox.h"
#include "recording_notifier.h"

namespace vork {
namespace {

// A window thread's message queue: posts from any thread, taken in order.
class QueueNotifier final : public Notifier {
public:
    bool wake(unsigned channel) override {
        {
            const std::lock_guard lock(mutex_);
            queue_.push_back(channel);
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
        const auto queue = static_cast<EventQueue>(notifier.next());
        if (queue == EventQueue::Command) {
            ASSERT_EQ("D:" + std::to_string(nextCommand), test::take<CommandEvent>(mailbox).command);
            ++nextCommand;
        } else {
            ASSERT_EQ(EventQueue::Status, queue);
            EXPECT_EQ("status " + std::to_string(statuses * 100), test::take<StatusEvent>(mailbox).text);
            ++statuses;
        }
    }
    listener.join();
    EXPECT_EQ(COUNT / 100, statuses);
}

}  // namespace
}  // namespace vork
