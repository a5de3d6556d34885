#include "app/command_line.h"

namespace vork {

CommandLine parseCommandLine(const std::vector<std::string>& arguments) {
    CommandLine line;
    for (std::size_t i = 0; i < arguments.size() && line.error.empty(); ++i) {
        const std::string& argument = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (argument == "--minimized") {
            line.minimized = true;
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
