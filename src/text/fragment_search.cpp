#include "text/fragment_search.h"

#include <algorithm>

namespace vork {

bool containsFragment(std::string_view text, std::string_view fragment, SystemServices& system) {
    if (fragment.empty()) return true;
    // Every match is a byte match too: a text without one (most are) needs
    // no walk through its characters.
    if (text.find(fragment) == std::string_view::npos) return false;
    std::size_t position = 0;
    while (position < text.size()) {
        if (text.substr(position, fragment.size()) == fragment) return true;
        position += std::max<std::size_t>(1, system.characterBytes(text.substr(position)));
    }
    return false;
}

}  // namespace vork
