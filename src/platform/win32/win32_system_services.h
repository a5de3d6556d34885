// Time, sound, version and code-page services on kernel32.
#pragma once

#include "platform/system_services.h"

namespace vork::win32 {

class Win32SystemServices final : public SystemServices {
public:
    void sleep(std::uint32_t milliseconds) override;
    void beep(std::uint32_t frequencyHz, std::uint32_t durationMs) override;
    std::uint32_t version() override;
    bool isLeadByte(std::uint8_t byte) override;
};

}  // namespace vork::win32
