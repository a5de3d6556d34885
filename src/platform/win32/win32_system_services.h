// Pauses, the speaker and the ANSI code page on kernel32.
#pragma once

#include "platform/system_services.h"

namespace vork::win32 {

class Win32SystemServices final : public SystemServices {
public:
    void sleep(std::uint32_t milliseconds) override;
    void beep(std::uint32_t frequencyHz, std::uint32_t durationMs) override;
    std::size_t characterBytes(std::string_view text) override;
};

}  // namespace vork::win32
