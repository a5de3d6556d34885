// A notifier that keeps the posted messages in order and can refuse posts.
#pragma once

#include <functional>
#include <mutex>
#include <vector>

#include "link/notifier.h"

namespace vork::test {

class RecordingNotifier final : public Notifier {
public:
    bool post(unsigned message) override {
        {
            const std::lock_guard lock(mutex_);
            if (failPosts) return false;
            messages_.push_back(message);
        }
        if (onPost) onPost(message);
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
    // The window's side acting the moment a message arrives.
    std::function<void(unsigned message)> onPost;

private:
    mutable std::mutex mutex_;
    std::vector<unsigned> messages_;
};

}  // namespace vork::test
