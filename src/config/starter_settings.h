// The settings file Vork writes when the user asks to edit one that does not
// exist yet: everything commented out, so it changes nothing until edited.
#pragma once

#include <string_view>

namespace vork {

inline constexpr std::string_view STARTER_SETTINGS =
    "# Vork's settings. Lines that start with # are comments: remove the # to use a line.\r\n"
    "# Vork reads this file again when it changes (when a key arrives, at most once a second).\r\n"
    "# The user's guide and keymaps\\players.toml beside vork.exe have more examples.\r\n"
    "#\r\n"
    "# What the phone's keys do in one program. A rule names the program (exe), its\r\n"
    "# window class or a part of its title; the keys are 0-9 * # U D L R E C.\r\n"
    "#\r\n"
    "# [[app]]\r\n"
    "# name = \"mpv\"\r\n"
    "# exe = \"mpv.exe\"\r\n"
    "# [app.keys]\r\n"
    "# \"5\" = \" \"\r\n"
    "# \"1\" = \"{MEDIA_PREV_TRACK}\"\r\n"
    "# [app.labels]  (what the browser remote shows on a key; media keys name themselves)\r\n"
    "# \"5\" = \"Pause\"\r\n"
    "#\r\n"
    "# Keys for a window that no rule and no built-in program knows:\r\n"
    "#\r\n"
    "# [fallback.keys]\r\n"
    "# \"5\" = \"{MEDIA_PLAY_PAUSE}\"\r\n"
    "#\r\n"
    "# The browser remote, decided here rather than in Vork's menu:\r\n"
    "#\r\n"
    "# [web]\r\n"
    "# enabled = true\r\n"
    "# port = 8642\r\n"
    "#\r\n"
    "# Bluetooth phones remembered when Vork restarts:\r\n"
    "#\r\n"
    "# [bluetooth]\r\n"
    "# remember = true\r\n";

}  // namespace vork
