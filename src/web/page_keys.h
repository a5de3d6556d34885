// The browser page's special keys: "press KEY [ctrl] [alt] [shift] [win]"
// as a key-language text. KEY is one of a fixed set of names (enter, tab,
// the arrows...) or one printable ASCII character; a letter means its key,
// whatever its case, so that Ctrl+C stays Ctrl+C when the phone's keyboard
// capitalises.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vork {

// None for a key or modifier the page may not name, or a modifier given twice.
std::optional<std::string> pressedKeys(std::string_view request);

}  // namespace vork
