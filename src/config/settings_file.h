// Reads the settings file (TOML): its sections into plain structs, each value
// checked, and any problem as one message naming the file, the line and what
// is wrong. Nothing here touches the platform.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "config/key_map.h"

namespace vork {

inline constexpr std::uint16_t DEFAULT_WEB_PORT = 8642;

// The browser remote: the file decides whether it is on only when it says so.
struct WebSettings {
    std::optional<bool> enabled;
    std::uint16_t port = DEFAULT_WEB_PORT;
};

struct BluetoothSettings {
    bool remember = false;  // accepted phones are kept over a restart
};

struct Settings {
    KeyMap keyMap;
    WebSettings web;
    BluetoothSettings bluetooth;
};

struct SettingsResult {
    std::optional<Settings> settings;  // or
    std::string error;                 // "FILE, line N: what is wrong", short enough for the status line
};

SettingsResult parseSettings(std::string_view text, std::string_view fileName);

// What a file says, rule by rule, for people checking it.
std::string describeSettings(const Settings& settings);

}  // namespace vork
