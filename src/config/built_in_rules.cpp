#include "config/built_in_rules.h"

#include "built_in_players.h"
#include "config/settings_file.h"

namespace vork {

std::shared_ptr<const KeyMap> builtInRules() {
    static const std::shared_ptr<const KeyMap> rules = [] {
        SettingsResult parsed = parseSettings(BUILT_IN_PLAYERS, "players.toml");
        auto map = std::make_shared<KeyMap>();
        // The file is Vork's own and checked by its tests; should it ever not
        // read, Vork works on with the table alone.
        if (parsed.settings) map->rules = std::move(parsed.settings->keyMap.rules);
        return std::shared_ptr<const KeyMap>(std::move(map));
    }();
    return rules;
}

std::string describeBuiltInRules() {
    std::string text = "Built in, beneath your rules, for windows Vork's tables do not know:\n";
    for (const AppRule& rule : builtInRules()->rules) {
        text.append("  ").append(rule.name).append(":");
        if (rule.exe) text.append(" program \"").append(*rule.exe).append("\"");
        if (rule.className) text.append(" class \"").append(*rule.className).append("\"");
        if (rule.title) text.append(" title with \"").append(*rule.title).append("\"");
        text.append("\n");
    }
    return text;
}

}  // namespace vork
