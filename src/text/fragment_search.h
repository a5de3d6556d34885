// Case-sensitive substring search over the system's text that never starts
// a match inside a character of more than one byte.
#pragma once

#include <string_view>

#include "platform/system_services.h"

namespace vork {

[[nodiscard]] bool containsFragment(std::string_view text, std::string_view fragment, SystemServices& system);

}  // namespace vork
