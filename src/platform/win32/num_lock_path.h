// How a system of each Windows family takes a NumLock toggle: two
// keybd_event calls on the NT family; one SendInput of two records on the
// older family from minor version 10; below that no event at all, only the
// keyboard state's NumLock bit flipped. Free of <windows.h>, so it is tested
// natively.
#pragma once

#include <cstdint>

namespace vork::win32 {

inline constexpr std::uint8_t NUMLOCK_SCAN_CODE = 0x45;

enum class NumLockPath : std::uint8_t { KeyEvents, SendInput, KeyboardState };

// From GetVersion's answer: the top bit set is the older family, the second
// lowest byte its minor version.
constexpr NumLockPath numLockPath(std::uint32_t version) {
    if ((version & 0x80000000U) == 0) return NumLockPath::KeyEvents;
    return ((version >> 8) & 0xFF) >= 10 ? NumLockPath::SendInput : NumLockPath::KeyboardState;
}

}  // namespace vork::win32
