// Where a freedesktop program keeps its files: $XDG_CONFIG_HOME and
// $XDG_DATA_HOME, else ~/.config and ~/.local/share.
#pragma once

#include <optional>
#include <string>

namespace vork::linux_x11 {

// Vork's folder under each; none without HOME and the XDG variable.
std::optional<std::string> configFolder();
std::optional<std::string> dataFolder();
std::optional<std::string> autostartFolder();

// Makes the folder and its parents (0700 for the ones it makes); false when it cannot.
bool makeFolder(const std::string& folder);

}  // namespace vork::linux_x11
