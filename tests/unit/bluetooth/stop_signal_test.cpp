#include "bluetooth/stop_signal.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace vork {
namespace {

using Clock = std::chrono::steady_clock;

TEST(StopSignalThreads, Sleep_WaitsTheWholeTime_WhenNoStopComes) {
    StopSignal signal;
    const auto start = Clock::now();
    EXPECT_TRUE(signal.sleep(50));
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(50));
}

TEST(StopSignalThreads, RequestStop_WakesASleeperAtOnce) {
    StopSignal signal;
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        signal.requestStop();
    });
    const auto start = Clock::now();
    EXPECT_FALSE(signal.sleep(60'000));
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(30));
    stopper.join();
    EXPECT_TRUE(signal.stopRequested());
    EXPECT_FALSE(signal.sleep(60'000));  // a stopped signal never waits again
}

}  // namespace
}  // namespace vork
