#include "platform/win32/win32_system_services.h"

#include <windows.h>

namespace vork::win32 {

void Win32SystemServices::sleep(std::uint32_t milliseconds) { Sleep(milliseconds); }

void Win32SystemServices::beep(std::uint32_t frequencyHz, std::uint32_t durationMs) {
    Beep(frequencyHz, durationMs);
}

std::uint32_t Win32SystemServices::version() {
    // GetVersion is deprecated but is exactly the family test the NumLock
    // toggle needs.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    return GetVersion();
#pragma GCC diagnostic pop
}

bool Win32SystemServices::isLeadByte(std::uint8_t byte) { return IsDBCSLeadByte(byte) != FALSE; }

}  // namespace vork::win32
