// What each phone key does in each application, and the volume steps.
#pragma once

#include <array>
#include <optional>
#include <string_view>

#include "remote/foreground_app.h"

namespace vork {

struct Action {
    enum class Kind { Nothing, Keys, Mute };
    Kind kind = Kind::Nothing;
    std::string_view keys;
    // What the browser page shows on the key: what the application does
    // with these keys in its usual set-up.
    std::string_view label;
};

inline constexpr Action keys(std::string_view text, std::string_view label) {
    return Action{Action::Kind::Keys, text, label};
}
inline constexpr Action MUTE{Action::Kind::Mute, {}, "Mute"};
inline constexpr Action NOTHING{Action::Kind::Nothing, {}, {}};

struct ActionRow {
    std::string_view command;
    // Indexed by ForegroundApp: None, MPC, WMP, WinDVD, VLC, Winamp, Acrobat,
    // PowerPoint, DivX, QuickTime, Media Center.
    std::array<Action, FOREGROUND_APP_COUNT> byApp;
};

inline constexpr std::array<ActionRow, 9> ACTION_TABLE = {{
    {"D:1", {keys("{UP}", "Up"), keys("{PGUP}", "Previous"), keys("^b", "Previous"), keys("{PGUP}", "Previous"),
             keys("p", "Previous"), keys("z", "Previous"), keys("{LEFT}", "Previous page"),
             keys("{UP}", "Previous slide"), keys("[", "Previous"), keys("{UP}", "Volume up"),
             keys("^b", "Previous")}},
    {"D:3", {keys("{DOWN}", "Down"), keys("{PGDN}", "Next"), keys("^f", "Next"), keys("{PGDN}", "Next"),
             keys("n", "Next"), keys("b", "Next"), keys("{RIGHT}", "Next page"), keys("{DOWN}", "Next slide"),
             keys("]", "Next"), keys("{DOWN}", "Volume down"), keys("^f", "Next")}},
    {"D:4", {keys("{LEFT}", "Left"), keys("^{DOWN}", "Back"), keys("^+b", "Rewind"), keys("r", "Rewind"),
             keys("^{LEFT}", "Back"), keys("{LEFT}", "Back"), keys("{LEFT}", "Previous page"),
             keys("{LEFT}", "Previous slide"), keys("^{LEFT}", "Back"), keys("{LEFT}", "Step back"),
             keys("^+b", "Rewind")}},
    {"D:6", {keys("{RIGHT}", "Right"), keys("^{UP}", "Forward"), keys("^+f", "Fast forward"), keys("f", "Forward"),
             keys("^{RIGHT}", "Forward"), keys("{RIGHT}", "Forward"), keys("{RIGHT}", "Next page"),
             keys("{RIGHT}", "Next slide"), keys("^{RIGHT}", "Forward"), keys("{RIGHT}", "Step forward"),
             keys("^+f", "Fast forward")}},
    {"D:5", {keys(" ", "Space"), keys(" ", "Play/Pause"), keys("^p", "Play/Pause"), keys(" ", "Play/Pause"),
             keys(" ", "Play/Pause"), keys("c", "Pause"), keys(" ", "Scroll down"), keys(" ", "Next slide"),
             keys(" ", "Play/Pause"), keys(" ", "Play/Pause"), keys("^p", "Play/Pause")}},
    {"D:7", {NOTHING, keys(".", "Stop"), keys("^s", "Stop"), keys("x", "Stop"), keys("^q", "Quit"),
             keys("v", "Stop"), NOTHING, NOTHING, keys("p", "Stop"), NOTHING, keys("^s", "Stop")}},
    {"D:9", {NOTHING, keys("a", "Audio track"), NOTHING, keys("^a", "Ctrl+A"), keys("b", "Audio track"), NOTHING,
             NOTHING, NOTHING, keys("a", "Audio track"), NOTHING, NOTHING}},
    {"D:0", {MUTE, keys("^m", "Mute"), keys("{F7}", "Mute"), keys("m", "Mute"), keys("m", "Mute"), MUTE, MUTE, MUTE,
             keys("v", "Mute"), keys("^{DOWN}", "Quieter"), keys("{F8}", "Mute")}},
    {"D:*", {NOTHING, keys("%{ENTER}", "Full screen"), keys("%{ENTER}", "Full screen"), keys("{ESC}", "Esc"),
             keys("f", "Full screen"), NOTHING, keys("^l", "Full screen"), keys("{F5}", "Start show"),
             keys("^4", "Full screen"), keys("^f", "Full screen"), keys("%{ENTER}", "Full screen")}},
}};

struct VolumeStep {
    std::string_view up;
    std::string_view down;
    int sends = 1;  // separate send calls per firing
};

inline constexpr std::array<VolumeStep, FOREGROUND_APP_COUNT> VOLUME_STEPS = {{
    {"{UP}", "{DOWN}"},     {"{UP}", "{DOWN}"},   {"{F9}", "{F8}"},     {"+{UP}", "+{DOWN}"},
    {"^{UP}", "^{DOWN}"},   {"{UP}", "{DOWN}", 3}, {"{UP}", "{DOWN}"},   {"{UP}", "{DOWN}"},
    {"{PLUS}", "-"},        {"{UP}", "{DOWN}"},   {"{F10}", "{F9}"},
}};

// The row of a command that the action table decides, if it is one.
constexpr const ActionRow* findActionRow(std::string_view command) {
    for (const ActionRow& row : ACTION_TABLE)
        if (row.command == command) return &row;
    return nullptr;
}

}  // namespace vork
