// The names a brace group can give a key: a virtual-key code, or a character
// whose key is looked up on the current keyboard layout each time.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace vork {

struct KeyNameEntry {
    std::string_view name;
    std::uint8_t value;
    bool isCharacter;
};

// The names of the original language, and the media, volume and browser
// keys that user key maps need.
inline constexpr std::array<KeyNameEntry, 78> KEY_NAME_TABLE = {{
    {"ADD", 0x6B, false},       {"APPS", 0x5D, false},      {"AT", '@', true},
    {"BACKSPACE", 0x08, false}, {"BKSP", 0x08, false},      {"BREAK", 0x03, false},
    {"BROWSER_BACK", 0xA6, false}, {"BROWSER_FORWARD", 0xA7, false},
    {"BS", 0x08, false},        {"CAPSLOCK", 0x14, false},  {"CARET", '^', true},
    {"CLEAR", 0x0C, false},     {"DECIMAL", 0x6E, false},   {"DEL", 0x2E, false},
    {"DELETE", 0x2E, false},    {"DIVIDE", 0x6F, false},    {"DOWN", 0x28, false},
    {"END", 0x23, false},       {"ENTER", 0x0D, false},     {"ESC", 0x1B, false},
    {"ESCAPE", 0x1B, false},    {"F1", 0x70, false},        {"F10", 0x79, false},
    {"F11", 0x7A, false},       {"F12", 0x7B, false},       {"F13", 0x7C, false},
    {"F14", 0x7D, false},       {"F15", 0x7E, false},       {"F16", 0x7F, false},
    {"F2", 0x71, false},        {"F3", 0x72, false},        {"F4", 0x73, false},
    {"F5", 0x74, false},        {"F6", 0x75, false},        {"F7", 0x76, false},
    {"F8", 0x77, false},        {"F9", 0x78, false},        {"HELP", 0x2F, false},
    {"HOME", 0x24, false},      {"INS", 0x2D, false},       {"LEFT", 0x25, false},
    {"LWIN", 0x5B, false},
    {"MEDIA_NEXT_TRACK", 0xB0, false}, {"MEDIA_PLAY_PAUSE", 0xB3, false},
    {"MEDIA_PREV_TRACK", 0xB1, false}, {"MEDIA_STOP", 0xB2, false},
    {"MULTIPLY", 0x6A, false},  {"NUMLOCK", 0x90, false},
    {"NUMPAD0", 0x60, false},   {"NUMPAD1", 0x61, false},   {"NUMPAD2", 0x62, false},
    {"NUMPAD3", 0x63, false},   {"NUMPAD4", 0x64, false},   {"NUMPAD5", 0x65, false},
    {"NUMPAD6", 0x66, false},   {"NUMPAD7", 0x67, false},   {"NUMPAD8", 0x68, false},
    {"NUMPAD9", 0x69, false},   {"PERCENT", '%', true},     {"PGDN", 0x22, false},
    {"PGUP", 0x21, false},      {"PLUS", '+', true},        {"PRTSC", 0x2A, false},
    {"RIGHT", 0x27, false},     {"RIGHTBRACE", '}', true},  {"RIGHTPAREN", ')', true},
    {"RWIN", 0x5C, false},      {"SCROLL", 0x91, false},    {"SEPARATOR", 0x6C, false},
    {"SNAPSHOT", 0x2C, false},  {"SUBTRACT", 0x6D, false},  {"TAB", 0x09, false},
    {"TILDE", '~', true},       {"UP", 0x26, false},
    {"VOLUME_DOWN", 0xAE, false}, {"VOLUME_MUTE", 0xAD, false}, {"VOLUME_UP", 0xAF, false},
    {"WIN", 0x5B, false},
}};

namespace detail {

constexpr bool isUpperOrDigit(char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_'; }

constexpr bool keyNameTableIsWellFormed() {
    for (std::size_t i = 0; i < KEY_NAME_TABLE.size(); ++i) {
        const std::string_view name = KEY_NAME_TABLE[i].name;
        if (name.empty() || !std::all_of(name.begin(), name.end(), isUpperOrDigit)) return false;
        if (i > 0 && !(KEY_NAME_TABLE[i - 1].name < name)) return false;
    }
    return true;
}

}  // namespace detail

static_assert(detail::keyNameTableIsWellFormed(),
              "key names must be upper-case letters, digits and _, strictly sorted by byte");

// The entry whose name equals the given one regardless of case.
std::optional<KeyNameEntry> findKeyName(std::string_view name);

}  // namespace vork
