// Keyboard and mouse injection and the keyboard-layout queries behind it.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "platform/non_copyable.h"

namespace vork {

inline constexpr std::uint32_t KEY_EVENT_EXTENDED = 1;
inline constexpr std::uint32_t KEY_EVENT_KEYUP = 2;
// The scan code field carries a UTF-16 code unit, typed whatever the layout.
inline constexpr std::uint32_t KEY_EVENT_UNICODE = 4;

inline constexpr std::uint32_t MOUSE_MOVE = 0x01;
inline constexpr std::uint32_t MOUSE_LEFT_DOWN = 0x02;
inline constexpr std::uint32_t MOUSE_LEFT_UP = 0x04;
inline constexpr std::uint32_t MOUSE_RIGHT_DOWN = 0x08;
inline constexpr std::uint32_t MOUSE_RIGHT_UP = 0x10;
inline constexpr std::uint32_t MOUSE_WHEEL = 0x0800;
// One notch of a wheel, in the units MOUSE_WHEEL's amount counts.
inline constexpr std::int32_t WHEEL_NOTCH = 120;

inline constexpr std::uint16_t NO_KEY = 0xFFFF;

// The keyboard messages a pump drains: key down and up, characters, dead
// characters, their system forms (not WM_UNICHAR, 0x109).
inline constexpr unsigned KEYBOARD_MESSAGE_FIRST = 0x100;
inline constexpr unsigned KEYBOARD_MESSAGE_LAST = 0x108;

struct KeyboardInput {
    std::uint16_t virtualKey = 0;
    std::uint16_t scanCode = 0;
    std::uint32_t flags = 0;
};

struct MouseInput {
    std::int32_t dx = 0;
    std::int32_t dy = 0;
    std::uint32_t flags = 0;
    std::int32_t wheel = 0;  // MOUSE_WHEEL's amount: positive turns away from the user
};

using KeyboardStateArray = std::array<std::uint8_t, 256>;

class InputInjector : public Interface {
public:
    virtual void keyEvent(std::uint8_t virtualKey, std::uint8_t scanCode, std::uint32_t flags) = 0;
    // Each returns how many records the platform took (SendInput's count);
    // keyEvent has nothing to report.
    virtual unsigned sendKeyboardInputs(std::span<const KeyboardInput> inputs) = 0;
    virtual unsigned sendMouseInput(const MouseInput& input) = 0;
    // Virtual key in the low byte, Shift/Ctrl/Alt in bits 0/1/2 of the high
    // byte; NO_KEY when the layout cannot type the character.
    virtual std::uint16_t keyForCharacter(char character) = 0;
    virtual std::uint32_t scanCodeForKey(std::uint8_t virtualKey) = 0;
    virtual std::int16_t keyState(std::uint8_t virtualKey) = 0;
    virtual bool getKeyboardState(KeyboardStateArray& state) = 0;
    virtual bool setKeyboardState(const KeyboardStateArray& state) = 0;
    // Handles the calling thread's pending keyboard messages (0x100..0x108).
    virtual void pumpKeyboardMessages() = 0;
};

}  // namespace vork
