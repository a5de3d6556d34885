// What a start of Vork settles before its window comes up, whatever the
// desktop: the --check-config report, and the settings the program runs with
// from its options and the settings file it follows.
#pragma once

#include <optional>
#include <string>

#include "app/command_line.h"
#include "config/key_map_source.h"
#include "config/remote_switch.h"

namespace vork {

struct AppSettings {
    KeyMapSource* keyMaps = nullptr;  // the settings file to follow; outlives the program's object
    SwitchInputs switchInputs;
    std::optional<std::string> settingsFile;  // opened by "Open key maps"
    bool rememberPhones = false;
};

struct ConfigCheck {
    std::string report;  // to print, line by line
    int exitCode = 0;
};

// --check-config FILE: "FILE: good" and what it sets, or what is wrong.
ConfigCheck checkConfig(const std::string& file);

// keyMaps: the settings file followed, if any (read already).
AppSettings appSettings(const CommandLine& options, KeyMapSource* keyMaps, std::optional<std::string> settingsFile);

}  // namespace vork
