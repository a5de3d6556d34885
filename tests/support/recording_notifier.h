// A notifier that keeps the wakes in order and can refuse them; and the
// window's side of the mailbox in tests, taking events as wakes would.
#pragma once

#include <functional>
#include <mutex>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "link/ui_mailbox.h"
#include "platform/notifier.h"

namespace vork::test {

class RecordingNotifier final : public Notifier {
public:
    bool wake(unsigned channel) override {
        if (quiet) return true;
        {
            const std::lock_guard lock(mutex_);
            if (failWakes) return false;
            wakes_.push_back(static_cast<EventQueue>(channel));
        }
        if (onWake) onWake(static_cast<EventQueue>(channel));
        return true;
    }

    std::vector<EventQueue> wakes() const {
        const std::lock_guard lock(mutex_);
        return wakes_;
    }
    void clear() {
        const std::lock_guard lock(mutex_);
        wakes_.clear();
    }
    // The wakes since the last take, as a window thread receives them.
    std::vector<EventQueue> takeWakes() {
        const std::lock_guard lock(mutex_);
        return std::exchange(wakes_, {});
    }

    bool failWakes = false;
    // Wakes nothing and keeps nothing, for benchmarks.
    bool quiet = false;
    // The window's side acting the moment a wake arrives.
    std::function<void(EventQueue queue)> onWake;

private:
    mutable std::mutex mutex_;
    std::vector<EventQueue> wakes_;
};

// The oldest event of its sort's queue; an empty one when there is none (or
// the oldest is of another sort).
template <class Event>
Event take(UiMailbox& mailbox) {
    static const EventQueue queue = queueOf(LinkEvent{Event{}});
    Event wanted{};
    mailbox.takeWith(queue, [&](auto& taken) {
        if constexpr (std::is_same_v<std::decay_t<decltype(taken)>, Event>) wanted = std::move(taken);
    });
    return wanted;
}

// Every event the mailbox holds, in the order of the wakes it made.
inline std::vector<LinkEvent> drain(UiMailbox& mailbox, const std::vector<EventQueue>& wakes) {
    std::vector<LinkEvent> events;
    for (EventQueue queue : wakes)
        if (std::optional<LinkEvent> event = mailbox.take(queue)) events.push_back(std::move(*event));
    return events;
}

}  // namespace vork::test
