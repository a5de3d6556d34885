// Vork's command-line options.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vork {

struct CommandLine {
    std::optional<std::string> configFile;       // --config FILE
    std::optional<std::string> checkConfigFile;  // --check-config FILE
    bool minimized = false;                      // --minimized or --minimised
    bool connect = false;                        // --connect: open the Connect page
    bool version = false;                        // --version: print it and end
    std::optional<std::uint16_t> webPort;        // --web (the default port) or --web=PORT
    std::string error;                           // what cannot be used; empty when all is well
};

inline constexpr const char* USAGE_TEXT =
    "Usage: vork [--minimized] [--config FILE] [--web[=PORT]] [--connect]\n"
    "       vork --check-config FILE\n"
    "       vork --version";

// The arguments after the program's name.
CommandLine parseCommandLine(const std::vector<std::string>& arguments);

}  // namespace vork
