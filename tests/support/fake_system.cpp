#include "fake_system.h"

#include <algorithm>
#include <string>

namespace vork::test {

void FakeSystem::sleep(std::uint32_t milliseconds) {
    largestAsked = std::max<std::uint64_t>(largestAsked, milliseconds);
    if (!log_.quiet) log_.push_back("sleep " + std::to_string(milliseconds));
    sleptMs += milliseconds;
}

void FakeSystem::beep(std::uint32_t frequencyHz, std::uint32_t durationMs) {
    largestAsked = std::max<std::uint64_t>(largestAsked, std::max(frequencyHz, durationMs));
    if (!log_.quiet) log_.push_back("beep " + std::to_string(frequencyHz) + " " + std::to_string(durationMs));
}

bool FakeSleeper::sleep(std::uint32_t milliseconds) {
    if (stopped || pauses.size() >= stopAfter) return false;
    pauses.push_back(milliseconds);
    clockMs += milliseconds;
    if (onPause) onPause(pauses.size() - 1);
    return !stopped;
}

}  // namespace vork::test
