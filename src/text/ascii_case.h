// Case for the ASCII letters only: key names, command words and the pages'
// words are ASCII, and any other letter of the system's text must stay as it is.
#pragma once

#include <cstddef>
#include <string_view>

namespace vork {

constexpr char asciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

constexpr bool equalIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (asciiUpper(a[i]) != asciiUpper(b[i])) return false;
    return true;
}

}  // namespace vork
