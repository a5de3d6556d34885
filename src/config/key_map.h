// The user's key map: rules that pick the foreground window by its program,
// class or title and say what phone keys do there, and keys for windows that
// nothing else knows. Plain data, read from the settings file.
#pragma once

#include <algorithm>
#include <array>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vork {

// The phone keys a map may name: the text after "D:".
inline constexpr std::array<std::string_view, 18> PHONE_KEYS = {"0", "1", "2", "3", "4", "5", "6", "7", "8",
                                                               "9", "*", "#", "U", "D", "L", "R", "E", "C"};

inline bool isPhoneKey(std::string_view key) {
    return std::find(PHONE_KEYS.begin(), PHONE_KEYS.end(), key) != PHONE_KEYS.end();
}

// Phone key -> keystroke string.
using KeyStrings = std::map<std::string, std::string, std::less<>>;

struct AppRule {
    std::string name;                      // for messages only
    std::optional<std::string> exe;        // program file name, any case
    std::optional<std::string> className;  // exact
    std::optional<std::string> title;      // a part of the title, exact case
    KeyStrings keys;
    KeyStrings labels;  // phone key -> what the browser page shows on it
    int line = 0;  // where the rule starts in the file
};

struct KeyMap {
    std::vector<AppRule> rules;
    KeyStrings fallbackKeys;
    KeyStrings fallbackLabels;

    [[nodiscard]] bool namesExe() const {
        return std::any_of(rules.begin(), rules.end(), [](const AppRule& rule) { return rule.exe.has_value(); });
    }
    [[nodiscard]] bool empty() const { return rules.empty() && fallbackKeys.empty(); }
};

}  // namespace vork
