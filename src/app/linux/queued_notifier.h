// Wakes the window's thread from a link's: each wake is a queued call on the
// window's Qt event loop. The links may hold it after the window is gone;
// their wakes then fail.
#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <mutex>

#include "platform/notifier.h"

namespace vork::linux_x11 {

class QueuedNotifier final : public Notifier, public std::enable_shared_from_this<QueuedNotifier> {
public:
    QueuedNotifier(QObject* target, std::function<void(unsigned)> onWake)
        : target_(target), onWake_(std::move(onWake)) {}

    bool wake(unsigned channel) override {
        const std::lock_guard lock(mutex_);
        if (!target_) return false;
        // A call still queued when the notifier is gone does nothing; Qt drops it with the window.
        return QMetaObject::invokeMethod(
            target_,
            [self = weak_from_this(), channel] {
                if (const auto notifier = self.lock()) notifier->deliver(channel);
            },
            Qt::QueuedConnection);
    }
    // On the window's thread, before the window goes.
    void detach() {
        const std::lock_guard lock(mutex_);
        target_ = nullptr;
    }

private:
    void deliver(unsigned channel) {
        std::function<void(unsigned)> onWake;
        {
            const std::lock_guard lock(mutex_);
            if (!target_) return;
            onWake = onWake_;
        }
        onWake(channel);
    }

    std::mutex mutex_;
    QObject* target_;
    std::function<void(unsigned)> onWake_;
};

}  // namespace vork::linux_x11
