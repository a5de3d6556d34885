// A simulated keyboard and mouse on a US layout: records every injected event,
// tracks which keys are down, the NumLock light and the cursor.
#pragma once

#include <map>
#include <set>
#include <vector>

#include "event_log.h"
#include "platform/input_injector.h"

namespace vork::test {

class FakeInput final : public InputInjector {
public:
    explicit FakeInput(EventLog& log) : log_(log) {}

    void keyEvent(std::uint8_t virtualKey, std::uint8_t scanCode, std::uint32_t flags) override;
    unsigned sendKeyboardInputs(std::span<const KeyboardInput> inputs) override;
    unsigned sendMouseInput(const MouseInput& input) override;
    std::uint16_t keyForCharacter(char character) override;
    std::uint32_t scanCodeForKey(std::uint8_t virtualKey) override;
    std::int16_t keyState(std::uint8_t virtualKey) override;
    bool getKeyboardState(KeyboardStateArray& state) override;
    bool setKeyboardState(const KeyboardStateArray& state) override;
    void pumpKeyboardMessages() override;

    [[nodiscard]] bool numLockOn() const { return (keyboardState_[0x90] & 1) != 0; }

    std::set<std::uint8_t> keysDown;
    std::map<char, std::uint16_t> layoutOverride;  // replaces the US answer
    int cursorX = 0;
    int cursorY = 0;
    std::set<std::uint32_t> buttonsDown;
    // The injection with this number (counting from 0) is refused by the
    // platform (SendInput reports 0 records taken).
    int refuseInjection = -1;
    int injections = 0;

private:
    bool refused() { return injections++ == refuseInjection; }
    void toggleNumLockLight() { keyboardState_[0x90] ^= 1; }

    EventLog& log_;
    KeyboardStateArray keyboardState_{};
};

// The US layout's answers, as the platform gives them.
std::uint16_t usKeyForCharacter(char character);
std::uint8_t usScanCode(std::uint8_t virtualKey);

}  // namespace vork::test
