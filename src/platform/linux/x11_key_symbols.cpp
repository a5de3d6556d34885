#include "platform/linux/x11_key_symbols.h"

#include <X11/XF86keysym.h>
#include <X11/keysym.h>

#include <array>
#include <string_view>
#include <utility>

namespace vork::linux_x11 {

namespace {

// The codes whose X name is not a letter, a digit or a function key.
constexpr std::array<std::pair<std::uint8_t, std::uint32_t>, 61> NAMED_KEYS = {{
    {0x03, XK_Break},
    {0x08, XK_BackSpace},
    {0x09, XK_Tab},
    {0x0C, XK_Clear},
    {0x0D, XK_Return},
    {0x10, XK_Shift_L},
    {0x11, XK_Control_L},
    {0x12, XK_Alt_L},
    {0x13, XK_Pause},
    {0x14, XK_Caps_Lock},
    {0x1B, XK_Escape},
    {0x20, XK_space},
    {0x21, XK_Prior},
    {0x22, XK_Next},
    {0x23, XK_End},
    {0x24, XK_Home},
    {0x25, XK_Left},
    {0x26, XK_Up},
    {0x27, XK_Right},
    {0x28, XK_Down},
    {0x2A, XK_Print},
    {0x2C, XK_Print},
    {0x2D, XK_Insert},
    {0x2E, XK_Delete},
    {0x2F, XK_Help},
    {0x5B, XK_Super_L},
    {0x5C, XK_Super_R},
    {0x5D, XK_Menu},
    {0x60, XK_KP_0},
    {0x61, XK_KP_1},
    {0x62, XK_KP_2},
    {0x63, XK_KP_3},
    {0x64, XK_KP_4},
    {0x65, XK_KP_5},
    {0x66, XK_KP_6},
    {0x67, XK_KP_7},
    {0x68, XK_KP_8},
    {0x69, XK_KP_9},
    {0x6A, XK_KP_Multiply},
    {0x6B, XK_KP_Add},
    {0x6C, XK_KP_Separator},
    {0x6D, XK_KP_Subtract},
    {0x6E, XK_KP_Decimal},
    {0x6F, XK_KP_Divide},
    {0x90, XK_Num_Lock},
    {0x91, XK_Scroll_Lock},
    {0xA6, XF86XK_Back},
    {0xA7, XF86XK_Forward},
    {0xAD, XF86XK_AudioMute},
    {0xAE, XF86XK_AudioLowerVolume},
    {0xAF, XF86XK_AudioRaiseVolume},
    {0xB0, XF86XK_AudioNext},
    {0xB1, XF86XK_AudioPrev},
    {0xB2, XF86XK_AudioStop},
    {0xB3, XF86XK_AudioPlay},
    // The punctuation keys, by what they type on a US keyboard.
    {0xBA, XK_semicolon},
    {0xBB, XK_equal},
    {0xBC, XK_comma},
    {0xBD, XK_minus},
    {0xBE, XK_period},
    {0xBF, XK_slash},
}};
constexpr std::array<std::pair<std::uint8_t, std::uint32_t>, 6> MORE_PUNCTUATION = {{
    {0xC0, XK_grave},
    {0xDB, XK_bracketleft},
    {0xDC, XK_backslash},
    {0xDD, XK_bracketright},
    {0xDE, XK_apostrophe},
    {0xE2, XK_less},
}};

// The US keyboard's keys in the typing block's places, with Windows's codes;
// 0xE2 is the ISO keyboard's extra key beside the left Shift.
constexpr std::array<std::pair<std::uint8_t, std::string_view>, 22> POSITIONS = {{
    {'1', "AE01"},  {'2', "AE02"},  {'3', "AE03"},  {'4', "AE04"},  {'5', "AE05"},  {'6', "AE06"},
    {'7', "AE07"},  {'8', "AE08"},  {'9', "AE09"},  {'0', "AE10"},  {0xBD, "AE11"}, {0xBB, "AE12"},
    {0xDB, "AD11"}, {0xDD, "AD12"}, {0xBA, "AC10"}, {0xDE, "AC11"}, {0xC0, "TLDE"}, {0xDC, "BKSL"},
    {0xBC, "AB08"}, {0xBE, "AB09"}, {0xBF, "AB10"}, {0xE2, "LSGT"},
}};

// Windows's extended Enter is the keypad's; the others keep their names.
constexpr std::uint32_t extendedTwin(std::uint8_t key, std::uint32_t keysym) {
    return key == 0x0D ? XK_KP_Enter : keysym;
}

}  // namespace

std::optional<std::uint32_t> keysymOfKey(std::uint8_t key, bool extended) {
    if (key >= '0' && key <= '9') return XK_0 + (key - '0');
    if (key >= 'A' && key <= 'Z') return XK_a + (key - 'A');
    if (key >= 0x70 && key <= 0x87) return XK_F1 + (key - 0x70);
    for (const auto& [code, keysym] : NAMED_KEYS)
        if (code == key) return extended ? extendedTwin(key, keysym) : keysym;
    for (const auto& [code, keysym] : MORE_PUNCTUATION)
        if (code == key) return keysym;
    return std::nullopt;
}

std::optional<std::uint8_t> keyOfKeysym(std::uint32_t keysym) {
    if (keysym >= XK_0 && keysym <= XK_9) return static_cast<std::uint8_t>('0' + (keysym - XK_0));
    if (keysym >= XK_a && keysym <= XK_z) return static_cast<std::uint8_t>('A' + (keysym - XK_a));
    if (keysym == XK_space) return 0x20;
    if (keysym == XK_Return) return 0x0D;
    if (keysym == XK_Tab) return 0x09;
    for (const auto& [code, sym] : NAMED_KEYS)
        if (code >= 0xBA && sym == keysym) return code;
    for (const auto& [code, sym] : MORE_PUNCTUATION)
        if (sym == keysym) return code;
    return std::nullopt;
}

std::optional<std::uint8_t> keyOfPosition(std::string_view xkbName) {
    for (const auto& [code, name] : POSITIONS)
        if (name == xkbName) return code;
    return std::nullopt;
}

std::optional<std::string_view> positionOfKey(std::uint8_t key) {
    for (const auto& [code, name] : POSITIONS)
        if (code == key) return name;
    return std::nullopt;
}

std::uint32_t keysymOfCodePoint(char32_t codePoint) {
    // Latin-1 keysyms are the code points themselves; the rest of Unicode has its own range.
    if ((codePoint >= 0x20 && codePoint <= 0x7E) || (codePoint >= 0xA0 && codePoint <= 0xFF)) return codePoint;
    if (codePoint == '\n' || codePoint == '\r') return XK_Return;
    if (codePoint == '\t') return XK_Tab;
    if (codePoint == '\b') return XK_BackSpace;
    return 0x01000000 | static_cast<std::uint32_t>(codePoint);
}

}  // namespace vork::linux_x11
