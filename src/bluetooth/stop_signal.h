// A stop request for a worker thread, with a pause that the request cuts short.
#pragma once

#include <condition_variable>
#include <mutex>

#include "platform/sleeper.h"

namespace vork {

class StopSignal final : public Sleeper {
public:
    bool sleep(std::uint32_t milliseconds) override;
    void requestStop();
    [[nodiscard]] bool stopRequested() const override;
    [[nodiscard]] std::uint64_t nowMs() const override;

private:
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
};

}  // namespace vork
