#include "config/settings_file.h"

// The program's own logic throws nothing; toml++ reports through its result.
#define TOML_EXCEPTIONS 0
#define TOML_ENABLE_FORMATTERS 0  // only parsing is needed; keeps the program small
#define TOML_FLOAT_CHARCONV 1     // numbers without iostreams, for the same reason
#define TOML_INT_CHARCONV 1
#include <toml++/toml.h>

#include <algorithm>
#include <string>

#include "input/key_sender.h"

namespace vork {

namespace {

constexpr std::string_view APP_SECTION = "app";
constexpr std::string_view FALLBACK_SECTION = "fallback";
constexpr std::string_view KEYS_FIELD = "keys";
constexpr std::string_view LABELS_FIELD = "labels";
// What the browser page shows on a key: a few words, not a paragraph.
constexpr std::size_t LABEL_LIMIT = 24;
constexpr std::string_view WEB_SECTION = "web";
constexpr std::string_view BLUETOOTH_SECTION = "bluetooth";

// The first problem found, with where it is.
struct Problem {
    int line = 0;
    std::string what;
};

int lineOf(const toml::node& node) { return static_cast<int>(node.source().begin.line); }

std::optional<Problem> readKeys(const toml::node& node, std::string_view where, KeyStrings& keys) {
    const toml::table* table = node.as_table();
    if (!table) return Problem{lineOf(node), std::string(where) + " keys must be a table"};
    for (const auto& [key, value] : *table) {
        const int line = static_cast<int>(key.source().begin.line);
        if (!isPhoneKey(key.str()))
            return Problem{line, "unknown phone key \"" + std::string(key.str()) + "\""};
        const std::optional<std::string> text = value.value<std::string>();
        if (!value.is_string() || !text)
            return Problem{line, "key \"" + std::string(key.str()) + "\" must be a text"};
        if (KeySender::refuses(*text))
            return Problem{line, "key \"" + std::string(key.str()) + "\": {group} too long"};
        keys.emplace(std::string(key.str()), *text);
    }
    return std::nullopt;
}

std::optional<Problem> readLabels(const toml::node& node, std::string_view where, KeyStrings& labels) {
    const toml::table* table = node.as_table();
    if (!table) return Problem{lineOf(node), std::string(where) + " labels must be a table"};
    for (const auto& [key, value] : *table) {
        const int line = static_cast<int>(key.source().begin.line);
        const std::string name(key.str());
        if (!isPhoneKey(name)) return Problem{line, "unknown phone key \"" + name + "\""};
        const std::optional<std::string> text = value.value<std::string>();
        if (!value.is_string() || !text) return Problem{line, "label \"" + name + "\" must be a text"};
        const bool control = std::any_of(text->begin(), text->end(), [](char c) {
            return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
        });
        if (control || text->size() > LABEL_LIMIT)
            return Problem{line, "label \"" + name + "\" must be one line of at most " + std::to_string(LABEL_LIMIT) + " bytes"};
        labels.emplace(name, *text);
    }
    return std::nullopt;
}

std::optional<Problem> readRule(const toml::table& table, AppRule& rule) {
    rule.line = lineOf(table);
    for (const auto& [key, value] : table) {
        const int line = static_cast<int>(key.source().begin.line);
        const std::string_view field = key.str();
        if (field == KEYS_FIELD) {
            if (auto problem = readKeys(value, "[[app]]", rule.keys)) return problem;
            continue;
        }
        if (field == LABELS_FIELD) {
            if (auto problem = readLabels(value, "[[app]]", rule.labels)) return problem;
            continue;
        }
        if (field == "name") {
            if (!value.is_string()) return Problem{line, "name must be a text"};
            rule.name = *value.value<std::string>();
            continue;
        }
        std::optional<std::string>* target = field == "exe"     ? &rule.exe
                                             : field == "class" ? &rule.className
                                             : field == "title" ? &rule.title
                                                                : nullptr;
        if (!target) return Problem{line, "unknown field \"" + std::string(field) + "\" in [[app]]"};
        if (!value.is_string()) return Problem{line, std::string(field) + " must be a text"};
        *target = *value.value<std::string>();
        if ((*target)->empty()) return Problem{line, std::string(field) + " must not be empty"};
    }
    if (!rule.exe && !rule.className && !rule.title)
        return Problem{rule.line, "[[app]] names no exe, class or title"};
    return std::nullopt;
}

std::optional<Problem> readWeb(const toml::node& node, WebSettings& web) {
    const toml::table* table = node.as_table();
    if (!table) return Problem{lineOf(node), "web must be a [web] section"};
    for (const auto& [key, value] : *table) {
        const int line = static_cast<int>(key.source().begin.line);
        if (key.str() == "enabled") {
            if (!value.is_boolean()) return Problem{line, "enabled must be true or false"};
            web.enabled = *value.value<bool>();
        } else if (key.str() == "port") {
            const std::optional<std::int64_t> port = value.is_integer() ? value.value<std::int64_t>() : std::nullopt;
            if (!port || *port < 1 || *port > 65535) return Problem{line, "port must be a number from 1 to 65535"};
            web.port = static_cast<std::uint16_t>(*port);
        } else {
            return Problem{line, "unknown field \"" + std::string(key.str()) + "\" in [web]"};
        }
    }
    return std::nullopt;
}

std::optional<Problem> readBluetooth(const toml::node& node, BluetoothSettings& bluetooth) {
    const toml::table* table = node.as_table();
    if (!table) return Problem{lineOf(node), "bluetooth must be a [bluetooth] section"};
    for (const auto& [key, value] : *table) {
        const int line = static_cast<int>(key.source().begin.line);
        if (key.str() != "remember") return Problem{line, "unknown field \"" + std::string(key.str()) + "\" in [bluetooth]"};
        if (!value.is_boolean()) return Problem{line, "remember must be true or false"};
        bluetooth.remember = *value.value<bool>();
    }
    return std::nullopt;
}

std::optional<Problem> readSettings(const toml::table& root, Settings& settings) {
    for (const auto& [key, value] : root) {
        const int line = static_cast<int>(key.source().begin.line);
        if (key.str() == APP_SECTION) {
            const toml::array* rules = value.as_array();
            if (!rules || !rules->is_array_of_tables()) return Problem{line, "app must be [[app]] sections"};
            for (const toml::node& node : *rules) {
                AppRule rule;
                if (auto problem = readRule(*node.as_table(), rule)) return problem;
                settings.keyMap.rules.push_back(std::move(rule));
            }
        } else if (key.str() == FALLBACK_SECTION) {
            const toml::table* fallback = value.as_table();
            if (!fallback) return Problem{line, "fallback must be [fallback.keys]"};
            for (const auto& [field, keys] : *fallback) {
                std::optional<Problem> problem;
                if (field.str() == KEYS_FIELD)
                    problem = readKeys(keys, "[fallback]", settings.keyMap.fallbackKeys);
                else if (field.str() == LABELS_FIELD)
                    problem = readLabels(keys, "[fallback]", settings.keyMap.fallbackLabels);
                else
                    problem = Problem{static_cast<int>(field.source().begin.line),
                                      "unknown field \"" + std::string(field.str()) + "\" in [fallback]"};
                if (problem) return problem;
            }
        } else if (key.str() == WEB_SECTION) {
            if (auto problem = readWeb(value, settings.web)) return problem;
        } else if (key.str() == BLUETOOTH_SECTION) {
            if (auto problem = readBluetooth(value, settings.bluetooth)) return problem;
        } else {
            return Problem{line, "unknown section \"" + std::string(key.str()) + "\""};
        }
    }
    return std::nullopt;
}

std::string located(std::string_view fileName, int line, std::string_view what) {
    return std::string(fileName) + ", line " + std::to_string(line) + ": " + std::string(what);
}

}  // namespace

SettingsResult parseSettings(std::string_view text, std::string_view fileName) {
    toml::parse_result parsed = toml::parse(text, fileName);
    if (!parsed) {
        // "Error while parsing table header: expected ..." says more than the window has room for.
        std::string_view what = parsed.error().description();
        constexpr std::string_view WORDY = "Error while parsing ";
        if (what.starts_with(WORDY)) what.remove_prefix(WORDY.size());
        return {std::nullopt, located(fileName, static_cast<int>(parsed.error().source().begin.line), what)};
    }
    Settings settings;
    if (auto problem = readSettings(parsed.table(), settings))
        return {std::nullopt, located(fileName, problem->line, problem->what)};
    return {std::move(settings), {}};
}

std::string describeSettings(const Settings& settings) {
    const KeyMap& map = settings.keyMap;
    std::string out;
    const auto add = [&out](std::initializer_list<std::string_view> parts) {
        for (const std::string_view part : parts) out.append(part);
    };
    const auto keys = [&add](const KeyStrings& strings, const KeyStrings& labels) {
        for (const auto& [key, text] : strings) {
            const auto label = labels.find(key);
            add({"    D:", key, " -> ", text, label == labels.end() ? "" : " \"", label == labels.end() ? "" : label->second,
                 label == labels.end() ? "\n" : "\"\n"});
        }
    };
    add({std::to_string(map.rules.size()), map.rules.size() == 1 ? " rule" : " rules", ", tried in this order:\n"});
    for (const AppRule& rule : map.rules) {
        add({"  line ", std::to_string(rule.line), ": ", rule.name.empty() ? "(no name)" : rule.name, " when"});
        if (rule.exe) add({" exe is ", *rule.exe});
        if (rule.className) add({rule.exe ? " and" : "", " class is ", *rule.className});
        if (rule.title) add({rule.exe || rule.className ? " and" : "", " title contains \"", *rule.title, "\""});
        add({"\n"});
        keys(rule.keys, rule.labels);
    }
    add({"fallback: ", std::to_string(map.fallbackKeys.size()), map.fallbackKeys.size() == 1 ? " key" : " keys", "\n"});
    keys(map.fallbackKeys, map.fallbackLabels);
    const WebSettings& web = settings.web;
    add({"browser remote: ", !web.enabled ? "as chosen in Vork, port " : *web.enabled ? "on, port " : "off, port ",
         std::to_string(web.port), "\n"});
    add({"Bluetooth phones: ", settings.bluetooth.remember ? "remembered over a restart" : "trusted until Vork exits",
         "\n"});
    return out;
}

}  // namespace vork
