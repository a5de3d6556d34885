#include "bluetooth/stop_signal.h"

#include <chrono>

namespace vork {

bool StopSignal::sleep(std::uint32_t milliseconds) {
    std::unique_lock lock(mutex_);
    // wait_until with a fixed deadline: spurious wake-ups never shorten the pause.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    wake_.wait_until(lock, deadline, [this] { return stop_; });
    return !stop_;
}

void StopSignal::requestStop() {
    {
        const std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
}

std::uint64_t StopSignal::nowMs() const {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

bool StopSignal::stopRequested() const {
    const std::lock_guard lock(mutex_);
    return stop_;
}

}  // namespace vork
