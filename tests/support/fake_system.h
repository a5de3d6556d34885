// Simulated time, speaker and code page: nothing waits, everything is
// recorded in the shared log.
#pragma once

#include <functional>
#include <set>
#include <vector>

#include "event_log.h"
#include "platform/sleeper.h"
#include "platform/system_services.h"

namespace vork::test {

class FakeSystem final : public SystemServices {
public:
    explicit FakeSystem(EventLog& log) : log_(log) {}

    void sleep(std::uint32_t milliseconds) override;
    void beep(std::uint32_t frequencyHz, std::uint32_t durationMs) override;
    // A double-byte code page: a lead byte and the byte after it are one character.
    std::size_t characterBytes(std::string_view text) override {
        if (text.empty()) return 0;
        if (leadBytes.empty()) return 1;  // the benchmarks' desktop: kept as cheap as a real one
        return leadBytes.contains(static_cast<std::uint8_t>(text[0])) && text.size() > 1 ? 2 : 1;
    }

    std::set<std::uint8_t> leadBytes;
    std::uint64_t sleptMs = 0;
    // Kept quiet too: the largest number a pause or a tone was asked for.
    std::uint64_t largestAsked = 0;

private:
    EventLog& log_;
};

// Time that moves only when a test moves it.
class FakeClock final : public Clock {
public:
    [[nodiscard]] std::uint64_t nowMs() const override { return clockMs; }
    void advance(std::uint64_t milliseconds) { clockMs += milliseconds; }
    std::uint64_t clockMs = 100000;
};

// A pause that returns at once, records what was asked, and lets a test act
// (a user's decision, a stop request) at each pause.
class FakeSleeper final : public Sleeper {
public:
    bool sleep(std::uint32_t milliseconds) override;
    [[nodiscard]] bool stopRequested() const override { return stopped || pauses.size() >= stopAfter; }
    // Simulated time: every pause and every advance moves it on.
    [[nodiscard]] std::uint64_t nowMs() const override { return clockMs; }
    void advance(std::uint32_t milliseconds) { clockMs += milliseconds; }
    std::uint64_t clockMs = 0;

    std::vector<std::uint32_t> pauses;
    std::function<void(std::size_t pauseIndex)> onPause;
    bool stopped = false;
    // A test whose simulated user never decides ends here instead of hanging.
    std::size_t stopAfter = 100'000;
};

}  // namespace vork::test
