#include "app/start_up.h"

#include "config/built_in_rules.h"
#include "config/settings_file.h"

namespace vork {

ConfigCheck checkConfig(const std::string& file) {
    const std::optional<std::string> text = readWholeFile(file);
    if (!text) return {file + ": cannot be read\n", 1};
    const SettingsResult result = parseSettings(*text, file);
    if (!result.settings) return {result.error + "\n", 1};
    return {file + ": good\n" + describeSettings(*result.settings) + describeBuiltInRules(), 0};
}

AppSettings appSettings(const CommandLine& options, KeyMapSource* keyMaps, std::optional<std::string> settingsFile) {
    AppSettings settings;
    settings.keyMaps = keyMaps;
    settings.switchInputs.commandLinePort = options.webPort;
    if (keyMaps) {
        settings.switchInputs.fileEnabled = keyMaps->web().enabled;
        settings.switchInputs.filePort = keyMaps->web().port;
        settings.rememberPhones = keyMaps->bluetooth().remember;
    } else {
        settings.switchInputs.filePort = DEFAULT_WEB_PORT;
    }
    settings.settingsFile = std::move(settingsFile);
    return settings;
}

}  // namespace vork
