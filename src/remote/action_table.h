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
};

inline constexpr Action keys(std::string_view text) { return Action{Action::Kind::Keys, text}; }
inline constexpr Action MUTE{Action::Kind::Mute, {}};
inline constexpr Action NOTHING{Action::Kind::Nothing, {}};

struct ActionRow {
    std::string_view command;
    // Indexed by ForegroundApp: None, MPC, WMP, WinDVD, VLC, Winamp, Acrobat,
    // PowerPoint, DivX, QuickTime, Media Center.
    std::array<Action, FOREGROUND_APP_COUNT> byApp;
};

inline constexpr std::array<ActionRow, 9> ACTION_TABLE = {{
    {"D:1", {keys("{UP}"), keys("{PGUP}"), keys("^b"), keys("{PGUP}"), keys("p"), keys("z"), keys("{LEFT}"),
             keys("{UP}"), keys("["), keys("{UP}"), keys("^b")}},
    {"D:3", {keys("{DOWN}"), keys("{PGDN}"), keys("^f"), keys("{PGDN}"), keys("n"), keys("b"), keys("{RIGHT}"),
             keys("{DOWN}"), keys("]"), keys("{DOWN}"), keys("^f")}},
    {"D:4", {keys("{LEFT}"), keys("^{DOWN}"), keys("^+b"), keys("r"), keys("^{LEFT}"), keys("{LEFT}"),
             keys("{LEFT}"), keys("{LEFT}"), keys("^{LEFT}"), keys("{LEFT}"), keys("^+b")}},
    {"D:6", {keys("{RIGHT}"), keys("^{UP}"), keys("^+f"), keys("f"), keys("^{RIGHT}"), keys("{RIGHT}"),
             keys("{RIGHT}"), keys("{RIGHT}"), keys("^{RIGHT}"), keys("{RIGHT}"), keys("^+f")}},
    {"D:5", {keys(" "), keys(" "), keys("^p"), keys(" "), keys(" "), keys("c"), keys(" "), keys(" "), keys(" "),
             keys(" "), keys("^p")}},
    {"D:7", {NOTHING, keys("."), keys("^s"), keys("x"), keys("^q"), keys("v"), NOTHING, NOTHING, keys("p"),
             NOTHING, keys("^s")}},
    {"D:9", {NOTHING, keys("a"), NOTHING, keys("^a"), keys("b"), NOTHING, NOTHING, NOTHING, keys("a"), NOTHING,
             NOTHING}},
    {"D:0", {MUTE, keys("^m"), keys("{F7}"), keys("m"), keys("m"), MUTE, MUTE, MUTE, keys("v"), keys("^{DOWN}"),
             keys("{F8}")}},
    {"D:*", {NOTHING, keys("%{ENTER}"), keys("%{ENTER}"), keys("{ESC}"), keys("f"), NOTHING, keys("^l"),
             keys("{F5}"), keys("^4"), keys("^f"), keys("%{ENTER}")}},
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
