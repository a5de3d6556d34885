// Writing link bytes for people: control and high bytes become escapes, and
// escapes typed on a command line become bytes again.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vork::phone {

// "LOGIN OK\n\r" for the bytes L O G I N ' ' O K LF CR; \0, \t, \\, \xNN.
std::string visible(std::string_view bytes);

// The reverse of visible(); none for a malformed escape.
std::optional<std::string> unescape(std::string_view text);

}  // namespace vork::phone
