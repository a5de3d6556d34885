// The platform's virtual-key codes that the logic names, in one place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vork {

inline constexpr std::uint8_t VK_BACK_KEY = 0x08;
inline constexpr std::uint8_t VK_RETURN_KEY = 0x0D;
inline constexpr std::uint8_t VK_SHIFT_KEY = 0x10;
inline constexpr std::uint8_t VK_CONTROL_KEY = 0x11;
inline constexpr std::uint8_t VK_MENU_KEY = 0x12;  // Alt
inline constexpr std::uint8_t VK_ESCAPE_KEY = 0x1B;
inline constexpr std::uint8_t VK_LWIN_KEY = 0x5B;
inline constexpr std::uint8_t VK_NUMLOCK_KEY = 0x90;
inline constexpr std::uint8_t NUMLOCK_SCAN_CODE = 0x45;

// Upper case for the ASCII letters only: key names and command words are
// ASCII, and the ANSI code page's other letters must stay as they are.
constexpr char asciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

constexpr bool equalIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (asciiUpper(a[i]) != asciiUpper(b[i])) return false;
    return true;
}

}  // namespace vork
