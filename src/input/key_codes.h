// The key language's own names for the keys it presses by code (the
// virtual-key codes), in one place.
#pragma once

#include <cstdint>

namespace vork {

inline constexpr std::uint8_t VK_BACK_KEY = 0x08;
inline constexpr std::uint8_t VK_RETURN_KEY = 0x0D;
inline constexpr std::uint8_t VK_SHIFT_KEY = 0x10;
inline constexpr std::uint8_t VK_CONTROL_KEY = 0x11;
inline constexpr std::uint8_t VK_MENU_KEY = 0x12;  // Alt
inline constexpr std::uint8_t VK_ESCAPE_KEY = 0x1B;
inline constexpr std::uint8_t VK_LWIN_KEY = 0x5B;
inline constexpr std::uint8_t VK_NUMLOCK_KEY = 0x90;

// A key value: the key's code in the low byte, Shift, Ctrl and Alt in bits
// 0, 1 and 2 of the high byte; this one is no key at all.
inline constexpr std::uint16_t NO_KEY = 0xFFFF;

}  // namespace vork
