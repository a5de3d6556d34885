// A pause that can be cut short when the owner asks its thread to stop.
#pragma once

#include <cstdint>

#include "platform/clock.h"

namespace vork {

class Sleeper : public Clock {
public:
    // Waits the given time; false when a stop was requested before or during it.
    virtual bool sleep(std::uint32_t milliseconds) = 0;
    [[nodiscard]] virtual bool stopRequested() const = 0;
};

}  // namespace vork
