// A notifier that keeps the posted messages in order and can refuse posts.
#pragma once

#include <mutex>
#include <vector>

#include "link/notifier.h"

namespace vork::test {

class RecordingNotifier final : public Notifier {
public:
    bool post(unsigned message) override {
        const std::lock_guard lock(mutex_);
        if (failPosts) return false;
        messages_.push_back(message);
        return true;
    }
    std::vector<unsigned> messages() const {
        const std::lock_guard lock(mutex_);
        return messages_;
    }
    void clear() {
        const std::lock_guard lock(mutex_);
        messages_.clear();
    }

    bool failPosts = false;

private:
    mutable std::mutex mutex_;
    std::vector<unsigned> messages_;
};

}  // namespace vork::test
