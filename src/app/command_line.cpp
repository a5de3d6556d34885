#include "app/command_line.h"

#include "config/settings_file.h"

namespace vork {

namespace {

constexpr std::string_view WEB_OPTION = "--web";

// "8642" as a port; none for anything else (signs, spaces, 0, past 65535).
std::optional<std::uint16_t> portNumber(std::string_view text) {
    if (text.empty() || text.size() > 5) return std::nullopt;
    unsigned value = 0;
    for (const char digit : text) {
        if (digit < '0' || digit > '9') return std::nullopt;
        value = value * 10 + static_cast<unsigned>(digit - '0');
    }
    if (value == 0 || value > 65535) return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

}  // namespace

CommandLine parseCommandLine(const std::vector<std::string>& arguments) {
    CommandLine line;
    for (std::size_t i = 0; i < arguments.size() && line.error.empty(); ++i) {
        const std::string& argument = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (argument == "--minimized" || argument == "--minimised") {
            line.minimized = true;
        } else if (argument == "--version") {
            line.version = true;
        } else if (argument == "--connect") {
            line.connect = true;
        } else if (argument == WEB_OPTION) {
            line.webPort = DEFAULT_WEB_PORT;
        } else if (argument.starts_with(std::string(WEB_OPTION) + "=")) {
            line.webPort = portNumber(std::string_view(argument).substr(WEB_OPTION.size() + 1));
            if (!line.webPort) line.error = "--web=PORT needs a port from 1 to 65535";
        } else if (argument == "--config" || argument == "--check-config") {
            if (!hasValue) {
                line.error = argument + " needs a file";
                break;
            }
            (argument == "--config" ? line.configFile : line.checkConfigFile) = arguments[++i];
        } else {
            line.error = "unknown option \"" + argument + "\"";
        }
    }
    return line;
}

}  // namespace vork
