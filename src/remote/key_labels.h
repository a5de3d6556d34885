// What each keypad key does in the window in front, in words for the browser
// page: the built-in table's labels, or the user's key map (its own labels,
// else the keys it sends, named).
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "remote/foreground_app.h"

namespace vork {

// The keys the page's keypad shows, in its order: each has a label.
inline constexpr std::array<std::string_view, 12> KEYPAD_KEYS = {"1", "2", "3", "4", "5", "6",
                                                                "7", "8", "9", "*", "0", "#"};
// The arrows, select and clear move and click the pointer; they have a label
// only where the user's key map gives them another meaning.
inline constexpr std::array<std::string_view, 6> POINTER_KEYS = {"U", "D", "L", "R", "E", "C"};

struct KeypadLabels {
    std::string app;  // the application's name; empty when Vork knows none
    // Phone key and label; an empty label: the key does nothing there.
    std::vector<std::pair<std::string, std::string>> keys;
    bool operator==(const KeypadLabels&) const = default;
};

// The name the page shows for a built-in application; empty for None.
std::string_view appDisplayName(ForegroundApp app);

// The label of a phone key that the built-in behaviour decides.
std::string_view builtInLabel(std::string_view phoneKey, ForegroundApp app);

// A key-map text in words: "{MEDIA_PLAY_PAUSE}" is "Play/Pause", "^+{TAB}"
// is "Ctrl+Shift+Tab"; a longer text stands as written.
std::string describeKeys(std::string_view keys);

// The page's message: "labels APP", then a tab and D:KEY=LABEL for each key
// (the command the page sends for it). Tabs and line breaks in names become
// spaces.
std::string labelsMessage(const KeypadLabels& labels);

}  // namespace vork
