// The key maps for today's players that come with Vork (keymaps/players.toml,
// built into the program): for windows the built-in table does not know,
// beneath the user's own map and above the table's answer for unknown
// windows. Read once, on first use.
#pragma once

#include <memory>
#include <string>

#include "config/key_map.h"

namespace vork {

// Its rules alone: its [fallback] is an example for the user's own file.
std::shared_ptr<const KeyMap> builtInRules();
// For --check-config: the built-in rules, each with what picks its windows.
std::string describeBuiltInRules();

}  // namespace vork
