// The key language's codes as X keysyms: what a key is called on an X server,
// whose keyboard map then says which keycode it is.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace vork::linux_x11 {

// The keysym of a key-language code; none for a code X has no key for.
// extended picks the keypad's twin where a code names both (Enter, the arrows).
std::optional<std::uint32_t> keysymOfKey(std::uint8_t key, bool extended);
// The key-language code of a keysym on a key's first level, for the keys a
// character can be typed with; none where the key language has no code.
std::optional<std::uint8_t> keyOfKeysym(std::uint32_t keysym);
// The digit and punctuation keys by their XKB position names (AE01, AB08,
// LSGT…): where the layout puts a character the key language has no code for
// ("<" on an ISO keyboard's own key, "+" on a German one), the key is still
// named as a US keyboard's key in that place, and pressed by that place.
std::optional<std::uint8_t> keyOfPosition(std::string_view xkbName);
std::optional<std::string_view> positionOfKey(std::uint8_t key);
// The keysym that types a Unicode code point.
std::uint32_t keysymOfCodePoint(char32_t codePoint);

}  // namespace vork::linux_x11
