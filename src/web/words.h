// The page's messages are words split by single spaces.
#pragma once

#include <string_view>
#include <utility>

namespace vork {

// The first word of `text` and what follows its space (empty without one).
inline std::pair<std::string_view, std::string_view> firstWord(std::string_view text) {
    const std::size_t space = text.find(' ');
    if (space == std::string_view::npos) return {text, {}};
    return {text.substr(0, space), text.substr(space + 1)};
}

}  // namespace vork
