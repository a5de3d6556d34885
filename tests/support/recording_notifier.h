// A notifier that keeps the posted messages in order and can refuse posts.
#pragma once

#include <functional>
#include <mutex>
#include <vector>

#include "link/window_messages.h"
#include "platform/notifier.h"

namespace vork::test {

struct Posted {
    unsigned message = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
};

class RecordingNotifier final : public Notifier {
public:
    bool post(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override {
        {
            const std::lock_guard lock(mutex_);
            if (failPosts) return false;
            posted_.push_back({message, wParam, lParam});
        }
        if (onPost) onPost(message);
        return true;
    }
    using Notifier::post;

    std::vector<unsigned> messages() const {
        const std::lock_guard lock(mutex_);
        std::vector<unsigned> numbers;
        for (const Posted& entry : posted_) numbers.push_back(entry.message);
        return numbers;
    }
    std::vector<Posted> posted() const {
        const std::lock_guard lock(mutex_);
        return posted_;
    }
    void clear() {
        const std::lock_guard lock(mutex_);
        posted_.clear();
    }

    bool failPosts = false;
    // The window's side acting the moment a message arrives.
    std::function<void(unsigned message)> onPost;

private:
    mutable std::mutex mutex_;
    std::vector<Posted> posted_;
};

}  // namespace vork::test
