// RandomSource on the system's preferred generator (BCryptGenRandom).
#pragma once

#include "platform/random_source.h"

namespace vork::win32 {

class Win32RandomSource final : public RandomSource {
public:
    bool fill(std::span<std::uint8_t> bytes) override;
};

}  // namespace vork::win32
