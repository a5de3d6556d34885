// Case-sensitive substring search over ANSI text that never starts a match on
// the trailing byte of a double-byte character.
#pragma once

#include <string_view>

#include "platform/system_services.h"

namespace vork {

[[nodiscard]] bool ansiContains(std::string_view text, std::string_view fragment,
                                SystemServices& system);

}  // namespace vork
