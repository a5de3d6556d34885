#include "platform/linux/xdg_paths.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>

namespace vork::linux_x11 {

namespace {

std::optional<std::string> base(const char* variable, const char* fallback) {
    // The base directory rules ignore a relative value.
    if (const char* value = std::getenv(variable); value && value[0] == '/') return std::string(value);
    if (const char* home = std::getenv("HOME"); home && home[0] == '/') return std::string(home) + "/" + fallback;
    return std::nullopt;
}

}  // namespace

std::optional<std::string> configFolder() {
    const auto folder = base("XDG_CONFIG_HOME", ".config");
    return folder ? std::optional(*folder + "/vork") : std::nullopt;
}

std::optional<std::string> dataFolder() {
    const auto folder = base("XDG_DATA_HOME", ".local/share");
    return folder ? std::optional(*folder + "/vork") : std::nullopt;
}

std::optional<std::string> autostartFolder() {
    const auto folder = base("XDG_CONFIG_HOME", ".config");
    return folder ? std::optional(*folder + "/autostart") : std::nullopt;
}

bool makeFolder(const std::string& folder) {
    for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string part = folder.substr(0, slash);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
        if (slash == std::string::npos) return true;
    }
}

}  // namespace vork::linux_x11
