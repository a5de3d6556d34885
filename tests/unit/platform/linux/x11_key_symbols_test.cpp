// The key language's codes as X keysyms, and characters as the keysyms that type them.
#include "platform/linux/x11_key_symbols.h"

#include <X11/XF86keysym.h>
#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <string_view>
#include <tuple>
#include <utility>

namespace vork::linux_x11 {
namespace {

TEST(X11KeySymbols, EveryKindOfKey_HasItsXName_AndTypingKeysComeBack) {
    const std::tuple<std::uint8_t, bool, std::uint32_t> keys[] = {
        {'A', false, XK_a},         {'Z', false, XK_z},          {'0', false, XK_0},
        {0x70, false, XK_F1},       {0x87, false, XK_F24},       {0x0D, false, XK_Return},
        {0x0D, true, XK_KP_Enter},  {0x25, true, XK_Left},       {0x10, false, XK_Shift_L},
        {0x12, false, XK_Alt_L},    {0xB3, false, XF86XK_AudioPlay}, {0xAF, false, XF86XK_AudioRaiseVolume},
        {0xBA, false, XK_semicolon}, {0xDE, false, XK_apostrophe}, {0x60, false, XK_KP_0},
    };
    for (const auto& [key, extended, keysym] : keys) {
        EXPECT_EQ(keysym, keysymOfKey(key, extended)) << int(key);
        // A key a character is typed with names the same key when it comes back.
        if (const auto back = keyOfKeysym(keysym)) {
            EXPECT_EQ(key, *back) << int(key);
        }
    }
    EXPECT_FALSE(keysymOfKey(0xFF, false)) << "a code no X key has";
    EXPECT_FALSE(keyOfKeysym(XK_F1)) << "no character is typed with F1";
}

TEST(X11KeySymbols, DigitAndPunctuationKeys_AreNamedByTheirPlace_BothWays) {
    const std::pair<std::uint8_t, std::string_view> places[] = {
        {'1', "AE01"},  {'0', "AE10"},  {0xBB, "AE12"}, {0xBC, "AB08"},
        {0xDC, "BKSL"}, {0xC0, "TLDE"}, {0xE2, "LSGT"},  // the ISO key, where "<" is on most layouts
    };
    for (const auto& [key, place] : places) {
        EXPECT_EQ(key, keyOfPosition(place)) << place;
        EXPECT_EQ(place, positionOfKey(key)) << int(key);
    }
    EXPECT_FALSE(keyOfPosition("AC01")) << "a letter key is named by its letter, not its place";
    EXPECT_FALSE(positionOfKey('A'));
    EXPECT_EQ(0xE2, keyOfKeysym(XK_less)) << "without places, < still has a key";
}

TEST(X11KeySymbols, Characters_AreLatin1KeysymsOrUnicodeOnes) {
    EXPECT_EQ(0x61u, keysymOfCodePoint(U'a'));
    EXPECT_EQ(0xE9u, keysymOfCodePoint(U'\u00e9'));
    EXPECT_EQ(0x1002713u, keysymOfCodePoint(U'\u2713'));
    EXPECT_EQ(0x101F600u, keysymOfCodePoint(U'\U0001F600'));
    EXPECT_EQ(static_cast<std::uint32_t>(XK_Return), keysymOfCodePoint(U'\n'));
    EXPECT_EQ(static_cast<std::uint32_t>(XK_Tab), keysymOfCodePoint(U'\t'));
}

}  // namespace
}  // namespace vork::linux_x11
