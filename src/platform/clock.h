// A monotonic clock in milliseconds: time limits read it, tests set it.
#pragma once

#include <chrono>
#include <cstdint>

#include "platform/non_copyable.h"

namespace vork {

class Clock : public Interface {
public:
    [[nodiscard]] virtual std::uint64_t nowMs() const = 0;
};

class SteadyClock final : public Clock {
public:
    [[nodiscard]] std::uint64_t nowMs() const override {
        const auto now = std::chrono::steady_clock::now().time_since_epoch();
        return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
    }
};

}  // namespace vork
