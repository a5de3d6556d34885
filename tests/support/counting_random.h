// A random source that gives the bytes 0, 1, 2, ... across calls, or refuses.
#pragma once

#include "platform/random_source.h"

namespace vork::test {

class CountingRandom final : public RandomSource {
public:
    bool fill(std::span<std::uint8_t> bytes) override {
        if (refuse) return false;
        for (std::uint8_t& byte : bytes) byte = next++;
        return true;
    }
    bool refuse = false;
    std::uint8_t next = 0;
};

}  // namespace vork::test
