// Time, sound, the system version and the ANSI code page's lead bytes.
#pragma once

#include <cstdint>

#include "platform/non_copyable.h"

namespace vork {

class SystemServices : public Interface {
public:
    virtual void sleep(std::uint32_t milliseconds) = 0;
    virtual void beep(std::uint32_t frequencyHz, std::uint32_t durationMs) = 0;
    virtual std::uint32_t version() = 0;
    // True when the byte starts a double-byte character of the ANSI code page.
    virtual bool isLeadByte(std::uint8_t byte) = 0;
};

}  // namespace vork
