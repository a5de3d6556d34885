// The server's clock as the sessions and the offers count time: steady
// milliseconds.
#pragma once

#include <chrono>
#include <cstdint>

namespace vork {

inline std::uint64_t steadyNowMs() {
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
}

}  // namespace vork
