#include "input/key_names.h"

#include <string>

#include "text/ascii_case.h"

namespace vork {

std::optional<KeyNameEntry> findKeyName(std::string_view name) {
    // Every table name is upper case, so folding the asked name to upper case
    // makes the comparison case-insensitive and keeps the binary search valid.
    std::string upper(name);
    for (char& c : upper) c = asciiUpper(c);
    const auto found = std::lower_bound(
        KEY_NAME_TABLE.begin(), KEY_NAME_TABLE.end(), std::string_view(upper),
        [](const KeyNameEntry& entry, std::string_view wanted) { return entry.name < wanted; });
    if (found == KEY_NAME_TABLE.end() || found->name != upper) return std::nullopt;
    return *found;
}

}  // namespace vork
