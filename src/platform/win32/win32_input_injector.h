// Keyboard and mouse injection on user32.
#pragma once

#include "platform/input_injector.h"

namespace vork::win32 {

class Win32InputInjector final : public InputInjector {
public:
    void keyEvent(std::uint8_t virtualKey, std::uint8_t scanCode, std::uint32_t flags) override;
    unsigned sendKeyboardInputs(std::span<const KeyboardInput> inputs) override;
    unsigned sendMouseInput(const MouseInput& input) override;
    std::uint16_t keyForCharacter(char character) override;
    std::uint32_t scanCodeForKey(std::uint8_t virtualKey) override;
    std::int16_t keyState(std::uint8_t virtualKey) override;
    bool getKeyboardState(KeyboardStateArray& state) override;
    bool setKeyboardState(const KeyboardStateArray& state) override;
    void pumpKeyboardMessages() override;
};

}  // namespace vork::win32
