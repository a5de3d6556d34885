#include "remote/key_labels.h"

#include <algorithm>

#include "input/key_names.h"
#include "text/ascii_case.h"
#include "remote/action_table.h"

namespace vork {

namespace {

constexpr std::array<std::string_view, FOREGROUND_APP_COUNT> APP_NAMES = {
    "",       "Media Player Classic", "Windows Media Player", "WinDVD",           "VLC media player",
    "Winamp", "Adobe Acrobat",        "PowerPoint",           "DivX Player",      "QuickTime Player",
    "Windows Media Center",
};

struct NamedKey {
    std::string_view name;
    std::string_view label;
};

// Names whose plain spelling says too little; the others are spelled out.
constexpr std::array<NamedKey, 17> KEY_LABELS = {{
    {"MEDIA_PLAY_PAUSE", "Play/Pause"},
    {"MEDIA_NEXT_TRACK", "Next"},
    {"MEDIA_PREV_TRACK", "Previous"},
    {"MEDIA_STOP", "Stop"},
    {"VOLUME_UP", "Vol +"},
    {"VOLUME_DOWN", "Vol \u2212"},
    {"VOLUME_MUTE", "Mute"},
    {"BROWSER_BACK", "Back"},
    {"BROWSER_FORWARD", "Forward"},
    {"PGUP", "Page up"},
    {"PGDN", "Page down"},
    {"BS", "Backspace"},
    {"BKSP", "Backspace"},
    {"DEL", "Delete"},
    {"INS", "Insert"},
    {"ESCAPE", "Esc"},
    {"PRTSC", "Print screen"},
}};

// "NUMPAD5" as "Numpad5", "CAPSLOCK" as "Capslock": better than nothing.
std::string spelledOut(std::string_view name) {
    for (const NamedKey& key : KEY_LABELS)
        if (key.name == name) return std::string(key.label);
    std::string label;
    for (const char c : name) {
        if (c == '_') {
            label.push_back(' ');
            continue;
        }
        label.push_back(label.empty() ? c : static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c));
    }
    return label;
}

std::string oneLine(std::string_view text) {
    std::string line(text);
    std::replace_if(line.begin(), line.end(), [](char c) { return c == '\t' || c == '\n' || c == '\r'; }, ' ');
    return line;
}

}  // namespace

std::string_view appDisplayName(ForegroundApp app) { return APP_NAMES[static_cast<std::size_t>(app)]; }

std::string_view builtInLabel(std::string_view phoneKey, ForegroundApp app) {
    // The held volume keys and Escape are the same in every window.
    if (phoneKey == "2") return "Vol +";
    if (phoneKey == "8") return "Vol \u2212";
    if (phoneKey == "#") return "Esc";
    const std::string command = "D:" + std::string(phoneKey);
    const ActionRow* row = findActionRow(command);
    return row ? row->byApp[static_cast<std::size_t>(app)].label : std::string_view();
}

std::string describeKeys(std::string_view keys) {
    std::string prefix;
    std::size_t i = 0;
    for (; i < keys.size(); ++i) {
        const char c = keys[i];
        if (c == '^') prefix += "Ctrl+";
        else if (c == '%') prefix += "Alt+";
        else if (c == '+') prefix += "Shift+";
        else if (c == '@') prefix += "Win+";
        else break;
    }
    const std::string_view key = keys.substr(i);
    if (key.size() == 1 && key[0] == ' ') return prefix + "Space";
    if (key.size() == 1 && key[0] == '~') return prefix + "Enter";
    if (key.size() == 1 && std::string_view("(){}").find(key[0]) == std::string_view::npos)
        return prefix + asciiUpper(key[0]);
    if (key.size() > 2 && key.front() == '{' && key.back() == '}') {
        const std::string_view name = key.substr(1, key.size() - 2);
        if (const auto entry = findKeyName(name)) return prefix + spelledOut(entry->name);
    }
    return std::string(keys);
}

std::string labelsMessage(const KeypadLabels& labels) {
    std::string message = "labels " + oneLine(labels.app);
    for (const auto& [key, label] : labels.keys) message.append("\tD:").append(key).append("=").append(oneLine(label));
    return message;
}

}  // namespace vork
