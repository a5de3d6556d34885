#include "platform/ansi_text.h"

#include <cstdint>

namespace vork {

bool ansiContains(std::string_view text, std::string_view fragment, SystemServices& system) {
    if (fragment.empty()) return true;
    // Every match is a byte match too: a text without one (most are) needs
    // no walk through its characters.
    if (text.find(fragment) == std::string_view::npos) return false;
    std::size_t position = 0;
    while (position < text.size()) {
        if (text.substr(position, fragment.size()) == fragment) return true;
        const bool lead = system.isLeadByte(static_cast<std::uint8_t>(text[position]));
        position += (lead && position + 1 < text.size()) ? 2 : 1;
    }
    return false;
}

}  // namespace vork
