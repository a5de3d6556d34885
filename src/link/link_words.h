// The words both links and the window share: the status that says a link is
// connected, the command that forgets a phone, the commands that hold an
// action until the finger lifts, and how long a hold lasts without a sign.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>

namespace vork {

// Also switches the window to its connected state.
inline constexpr std::string_view CONNECTED_STATUS = "Connected.";
// From an accepted phone or page: Vork forgets it.
inline constexpr std::string_view FORGET_COMMAND = "U:X";
// The commands that start an action running until the finger lifts (or the next command).
inline constexpr std::array<std::string_view, 6> HOLDING_COMMANDS = {"D:2", "D:8", "D:U", "D:D", "D:L", "D:R"};

constexpr bool startsHeldAction(std::string_view command) {
    return std::find(HOLDING_COMMANDS.begin(), HOLDING_COMMANDS.end(), command) != HOLDING_COMMANDS.end();
}

// A page sends a beat this often while a finger holds a key...
inline constexpr std::uint64_t HOLD_BEAT_MS = 300;
// ...the server ends the hold when its page has said nothing for this long...
inline constexpr std::uint64_t HOLD_SILENCE_MS = 1000;
// ...and the window ends it by itself when no sign of the page has reached it for this long.
inline constexpr std::uint64_t WINDOW_HOLD_LIMIT_MS = 1500;

}  // namespace vork
