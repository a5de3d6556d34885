#include "platform/win32/win32_input_injector.h"

#include <windows.h>

#include <vector>

namespace vork::win32 {

void Win32InputInjector::keyEvent(std::uint8_t virtualKey, std::uint8_t scanCode, std::uint32_t flags) {
    keybd_event(virtualKey, scanCode, flags, 0);
}

unsigned Win32InputInjector::sendKeyboardInputs(std::span<const KeyboardInput> inputs) {
    std::vector<INPUT> records(inputs.size());
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        records[i].type = INPUT_KEYBOARD;
        records[i].ki.wVk = inputs[i].virtualKey;
        records[i].ki.wScan = inputs[i].scanCode;
        records[i].ki.dwFlags = inputs[i].flags;
    }
    return SendInput(static_cast<UINT>(records.size()), records.data(), sizeof(INPUT));
}

unsigned Win32InputInjector::sendMouseInput(const MouseInput& input) {
    INPUT record{};
    record.type = INPUT_MOUSE;
    record.mi.dx = input.dx;
    record.mi.dy = input.dy;
    record.mi.dwFlags = input.flags;
    record.mi.mouseData = static_cast<DWORD>(input.wheel);
    return SendInput(1, &record, sizeof(INPUT));
}

std::uint16_t Win32InputInjector::keyForCharacter(char character) {
    return static_cast<std::uint16_t>(VkKeyScanA(character));
}

std::uint32_t Win32InputInjector::scanCodeForKey(std::uint8_t virtualKey) {
    return MapVirtualKeyA(virtualKey, 0);
}

std::int16_t Win32InputInjector::keyState(std::uint8_t virtualKey) { return GetKeyState(virtualKey); }

bool Win32InputInjector::getKeyboardState(KeyboardStateArray& state) {
    return GetKeyboardState(state.data()) != FALSE;
}

bool Win32InputInjector::setKeyboardState(const KeyboardStateArray& state) {
    KeyboardStateArray copy = state;  // the API takes a non-const pointer
    return SetKeyboardState(copy.data()) != FALSE;
}

void Win32InputInjector::pumpKeyboardMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, KEYBOARD_MESSAGE_FIRST, KEYBOARD_MESSAGE_LAST, PM_REMOVE) != FALSE) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

}  // namespace vork::win32
