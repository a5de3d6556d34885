// The key language's codes as X keysyms: what a key is called on an X server,
// whose keyboard map then says which keycode it is.
#pragma once

#include <cstdint>
#include <optional>

namespace vork::linux_x11 {

// The keysym of a key-language code; none for a code X has no key for.
// extended picks the keypad's twin where a code names both (Enter, the arrows).
std::optional<std::uint32_t> keysymOfKey(std::uint8_t key, bool extended);
// The key-language code of a keysym on a key's first level, for the keys a
// character can be typed with; none where the key language has no code.
std::optional<std::uint8_t> keyOfKeysym(std::uint32_t keysym);
// The keysym that types a Unicode code point.
std::uint32_t keysymOfCodePoint(char32_t codePoint);

}  // namespace vork::linux_x11
