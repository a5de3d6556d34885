#include "platform/win32/win32_system_services.h"

#include <windows.h>

namespace vork::win32 {

void Win32SystemServices::sleep(std::uint32_t milliseconds) { Sleep(milliseconds); }

void Win32SystemServices::beep(std::uint32_t frequencyHz, std::uint32_t durationMs) {
    Beep(frequencyHz, durationMs);
}

std::size_t Win32SystemServices::characterBytes(std::string_view text) {
    if (text.empty()) return 0;
    // A lead byte of the ANSI code page and the byte after it are one character.
    return IsDBCSLeadByte(static_cast<BYTE>(text[0])) != FALSE && text.size() > 1 ? 2 : 1;
}

}  // namespace vork::win32
