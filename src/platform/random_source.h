// The system's cryptographic random numbers, for secrets such as pairing tokens.
#pragma once

#include <cstdint>
#include <span>

#include "platform/non_copyable.h"

namespace vork {

class RandomSource : public Interface {
public:
    // Fills the bytes; false when the system could not, and then nothing may be used.
    virtual bool fill(std::span<std::uint8_t> bytes) = 0;
};

}  // namespace vork
