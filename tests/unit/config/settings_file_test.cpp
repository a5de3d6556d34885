// Reading the settings file, and naming each problem with its line.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "config/built_in_rules.h"
#include "config/key_map_source.h"
#include "config/settings_file.h"
#include "simulated_desktop.h"

namespace vork {
namespace {
using test::EventLog;

TEST(SettingsFile, ReadsEveryField) {
    const SettingsResult result = parseSettings(R"(
[[app]]
name = "mpv"
exe = "mpv.exe"
class = "mpv"
title = " - mpv"
[app.keys]
"5" = " "
"E" = "{MEDIA_PLAY_PAUSE}"
[app.labels]
"5" = "Pause"

[fallback.keys]
"#" = "{BROWSER_BACK}"
[fallback.labels]
"#" = "Back"

[web]
enabled = true
port = 9000

[bluetooth]
remember = true
)",
                                                "vork.toml");
    ASSERT_TRUE(result.settings) << result.error;
    const KeyMap& map = result.settings->keyMap;
    ASSERT_EQ(1U, map.rules.size());
    const AppRule& rule = map.rules[0];
    EXPECT_EQ("mpv", rule.name);
    EXPECT_EQ("mpv.exe", rule.exe);
    EXPECT_EQ("mpv", rule.className);
    EXPECT_EQ(" - mpv", rule.title);
    EXPECT_EQ(2, rule.line);
    EXPECT_EQ((KeyStrings{{"5", " "}, {"E", "{MEDIA_PLAY_PAUSE}"}}), rule.keys);
    EXPECT_EQ((KeyStrings{{"#", "{BROWSER_BACK}"}}), map.fallbackKeys);
    EXPECT_EQ((KeyStrings{{"5", "Pause"}}), rule.labels);
    EXPECT_EQ((KeyStrings{{"#", "Back"}}), map.fallbackLabels);
    EXPECT_EQ(true, result.settings->web.enabled);
    EXPECT_EQ(9000, result.settings->web.port);
    EXPECT_TRUE(result.settings->bluetooth.remember);
    const SettingsResult empty = parseSettings("", "f");
    EXPECT_FALSE(empty.settings->web.enabled) << "the file leaves the switch to the user";
    EXPECT_FALSE(empty.settings->bluetooth.remember) << "phones trusted until Vork exits";
}

TEST(SettingsFile, EachProblem_IsNamedWithItsFileAndLine) {
    const std::string group300 = "{" + std::string(300, 'A') + "}";
    struct Case {
        std::string text;
        std::string error;
    };
    const std::vector<Case> cases = {
        {"[[app]\n", "f.toml, line 1: table header: expected ']', saw '\\n'"},
        {"[webb]\nport = 1\n", "f.toml, line 1: unknown section \"webb\""},
        {"[web]\nport = 0\n", "f.toml, line 2: port must be a number from 1 to 65535"},
        {"[web]\nport = 65536\n", "f.toml, line 2: port must be a number from 1 to 65535"},
        {"[web]\nenabled = \"yes\"\n", "f.toml, line 2: enabled must be true or false"},
        {"[web]\nhost = \"x\"\n", "f.toml, line 2: unknown field \"host\" in [web]"},
        {"web = 1\n", "f.toml, line 1: web must be a [web] section"},
        {"[bluetooth]\nremember = 1\n", "f.toml, line 2: remember must be true or false"},
        {"[bluetooth]\nforget = true\n", "f.toml, line 2: unknown field \"forget\" in [bluetooth]"},
        {"[[app]]\nclass = \"c\"\ntitel = \"t\"\n", "f.toml, line 3: unknown field \"titel\" in [[app]]"},
        {"[[app]]\nname = \"n\"\n[app.keys]\n\"5\" = \" \"\n",
         "f.toml, line 1: [[app]] names no exe, class or title"},
        {"[[app]]\nclass = \"c\"\n[app.keys]\n\"F\" = \"x\"\n",
         "f.toml, line 4: unknown phone key \"F\""},
        {"[[app]]\nclass = \"c\"\n[app.keys]\n\"5\" = 5\n",
         "f.toml, line 4: key \"5\" must be a text"},
        {"[[app]]\nclass = \"c\"\n[app.keys]\n\"5\" = \"" + group300 + "\"\n",
         "f.toml, line 4: key \"5\": {group} too long"},
        {"[[app]]\nclass = 3\n", "f.toml, line 2: class must be a text"},
        {"[[app]]\nexe = \"\"\n", "f.toml, line 2: exe must not be empty"},
        {"app = 1\n", "f.toml, line 1: app must be [[app]] sections"},
        {"[fallback]\nkey = {}\n", "f.toml, line 2: unknown field \"key\" in [fallback]"},
        {"[fallback.labels]\n\"X\" = \"a\"\n", "f.toml, line 2: unknown phone key \"X\""},
        {"[fallback.labels]\n\"1\" = 1\n", "f.toml, line 2: label \"1\" must be a text"},
        {"[fallback.labels]\n\"1\" = \"a\\tb\"\n", "f.toml, line 2: label \"1\" must be one line of at most 24 bytes"},
        {"[fallback.labels]\n\"1\" = \"" + std::string(25, 'a') + "\"\n",
         "f.toml, line 2: label \"1\" must be one line of at most 24 bytes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const SettingsResult result = parseSettings(c.text, "f.toml");
        EXPECT_FALSE(result.settings);
        EXPECT_EQ(c.error, result.error);
    }
    // 299 bytes of group text are still accepted.
    EXPECT_TRUE(parseSettings("[fallback.keys]\n\"5\" = \"{" + std::string(299, 'A') + "}\"\n", "f").settings);
}

}  // namespace
}  // namespace vork
