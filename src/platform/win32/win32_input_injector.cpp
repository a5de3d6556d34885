#include "platform/win32/win32_input_injector.h"

#include <windows.h>

#include <array>
#include <vector>

#include "platform/win32/num_lock_path.h"

namespace vork::win32 {

namespace {

// Key down and up, characters, dead characters and their system forms, up to
// the old WM_KEYLAST; WM_UNICHAR (0x109) stays.
constexpr UINT KEYBOARD_MESSAGE_FIRST = WM_KEYDOWN;
constexpr UINT KEYBOARD_MESSAGE_LAST = 0x108;

BYTE scanCodeOf(std::uint8_t key) { return static_cast<BYTE>(MapVirtualKeyA(key, MAPVK_VK_TO_VSC) & 0xFF); }

INPUT keyRecord(WORD key, WORD scan, DWORD flags) {
    INPUT record{};
    record.type = INPUT_KEYBOARD;
    record.ki.wVk = key;
    record.ki.wScan = scan;
    record.ki.dwFlags = flags;
    return record;
}

bool sendMouse(LONG dx, LONG dy, DWORD flags, DWORD data = 0) {
    INPUT record{};
    record.type = INPUT_MOUSE;
    record.mi.dx = dx;
    record.mi.dy = dy;
    record.mi.dwFlags = flags;
    record.mi.mouseData = data;
    return SendInput(1, &record, sizeof(INPUT)) == 1;
}

std::uint32_t systemVersion() {
    // GetVersion is deprecated but is exactly the family test the NumLock
    // toggle needs.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    return GetVersion();
#pragma GCC diagnostic pop
}

}  // namespace

void Win32InputInjector::sendKey(std::uint8_t key, bool up, bool extended) {
    keybd_event(key, scanCodeOf(key), (extended ? KEYEVENTF_EXTENDEDKEY : 0) | (up ? KEYEVENTF_KEYUP : 0), 0);
}

void Win32InputInjector::toggleNumLock() {
    if (!version_) version_ = systemVersion();
    switch (numLockPath(*version_)) {
    case NumLockPath::KeyEvents:
        keybd_event(VK_NUMLOCK, NUMLOCK_SCAN_CODE, KEYEVENTF_EXTENDEDKEY, 0);
        keybd_event(VK_NUMLOCK, NUMLOCK_SCAN_CODE, KEYEVENTF_EXTENDEDKEY | KEYEVENTF_KEYUP, 0);
        return;
    case NumLockPath::SendInput: {
        std::array<INPUT, 2> toggle = {keyRecord(VK_NUMLOCK, 0, 0), keyRecord(VK_NUMLOCK, 0, KEYEVENTF_KEYUP)};
        SendInput(static_cast<UINT>(toggle.size()), toggle.data(), sizeof(INPUT));
        return;
    }
    case NumLockPath::KeyboardState: {
        std::array<BYTE, 256> state{};
        GetKeyboardState(state.data());
        if ((GetKeyState(VK_NUMLOCK) & 1) != 0)
            state[VK_NUMLOCK] &= static_cast<BYTE>(~1U);
        else
            state[VK_NUMLOCK] |= 1U;
        SetKeyboardState(state.data());
        return;
    }
    }
}

std::size_t Win32InputInjector::sendBatch(std::span<const TypedStroke> strokes) {
    std::vector<INPUT> records;
    records.reserve(strokes.size());
    for (const TypedStroke& stroke : strokes) {
        const DWORD up = stroke.up ? KEYEVENTF_KEYUP : 0;
        records.push_back(stroke.key == 0 ? keyRecord(0, stroke.character, KEYEVENTF_UNICODE | up)
                                          : keyRecord(stroke.key, scanCodeOf(stroke.key), up));
    }
    return SendInput(static_cast<UINT>(records.size()), records.data(), sizeof(INPUT));
}

std::optional<LayoutKey> Win32InputInjector::keyForCharacter(char character) {
    const auto value = static_cast<std::uint16_t>(VkKeyScanA(character));
    if (value == 0xFFFF) return std::nullopt;
    const unsigned modifiers = value >> 8;
    return LayoutKey{static_cast<std::uint8_t>(value & 0xFF), (modifiers & 1) != 0, (modifiers & 2) != 0,
                     (modifiers & 4) != 0};
}

void Win32InputInjector::deliverPendingKeys() {
    MSG message;
    while (PeekMessageA(&message, nullptr, KEYBOARD_MESSAGE_FIRST, KEYBOARD_MESSAGE_LAST, PM_REMOVE) != FALSE) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

bool Win32InputInjector::movePointer(std::int32_t dx, std::int32_t dy) { return sendMouse(dx, dy, MOUSEEVENTF_MOVE); }

bool Win32InputInjector::pressButton(PointerButton button, bool down) {
    if (button == PointerButton::Left) return sendMouse(0, 0, down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP);
    return sendMouse(0, 0, down ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_RIGHTUP);
}

bool Win32InputInjector::turnWheel(std::int32_t amount) {
    static_assert(WHEEL_NOTCH == WHEEL_DELTA);
    return sendMouse(0, 0, MOUSEEVENTF_WHEEL, static_cast<DWORD>(amount));
}

bool Win32InputInjector::tiltWheel(std::int32_t amount) {
    return sendMouse(0, 0, MOUSEEVENTF_HWHEEL, static_cast<DWORD>(amount));
}

}  // namespace vork::win32
