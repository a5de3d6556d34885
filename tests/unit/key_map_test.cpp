// The settings file's key map: reading it, matching windows, the built-in
// behaviour behind it, and following changes to the file.
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

class KeyMapDispatch : public ::testing::Test, protected test::SimulatedDesktop {
protected:
    void use(const std::string& text) {
        const SettingsResult result = parseSettings(text, "vork.toml");
        ASSERT_TRUE(result.settings) << result.error;
        controller.setKeyMap(std::make_shared<const KeyMap>(result.settings->keyMap));
    }
    // The events one command gives with the window in front, and two ticks of the timer after it.
    EventLog eventsOf(const std::string& command, const std::string& title, const std::string& className = "Other",
                      const std::string& program = "other.exe") {
        desktop.clear();
        const WindowHandle window = desktop.addWindow(title, className);
        desktop.window(window)->program = program;
        desktop.setForeground(window);
        log.clear();
        controller.dispatch(command);
        controller.tick();
        controller.tick();
        return log;
    }

    // The user's map alone; the rules that come with Vork have their own test.
    RemoteController controller{platform(), nullptr};
};

constexpr const char* MAP = R"(
[[app]]
name = "by class"
class = "mpv"
[app.keys]
"1" = "a"
"2" = "{VOLUME_UP}"
"R" = "{MEDIA_NEXT_TRACK}"
"E" = "{MEDIA_PLAY_PAUSE}"

[[app]]
name = "by title and program"
title = " - YouTube"
exe = "Chrome.EXE"
[app.keys]
"1" = "b"

[[app]]
name = "VLC, one key changed"
title = " - VLC"
[app.keys]
"5" = "{MEDIA_STOP}"

[[app]]
name = "later rule for mpv never wins"
class = "mpv"
[app.keys]
"1" = "z"

[fallback.keys]
"5" = "{MEDIA_PLAY_PAUSE}"
)";

const EventLog A = {"down 0x41 scan 0x1e", "up 0x41 scan 0x1e ext"};
const EventLog B = {"down 0x42 scan 0x30", "up 0x42 scan 0x30 ext"};
const EventLog UP = {"down 0x26 scan 0x48 ext", "up 0x26 scan 0x48 ext"};
const EventLog SPACE = {"down 0x20 scan 0x39", "up 0x20 scan 0x39 ext"};
const EventLog P = {"down 0x50 scan 0x19", "up 0x50 scan 0x19 ext"};
EventLog mediaKey(const char* vk) { return {std::string("down ") + vk + " scan 0x00", std::string("up ") + vk + " scan 0x00 ext"}; }

TEST_F(KeyMapDispatch, RulesMatchInFileOrder_AllTheyName_AndUnlistedKeysKeepTheBuiltInBehaviour) {
    use(MAP);
    struct Case {
        const char* what;
        std::string command, title, className, program;
        EventLog events;
    };
    const std::vector<Case> cases = {
        {"class, first rule", "D:1", "anything", "mpv", "mpv.exe", A},
        {"title and program, any case", "D:1", "Music - YouTube", "Chrome_WidgetWin_1", "chrome.exe", B},
        {"title without the program: no rule", "D:1", "Music - YouTube", "Chrome_WidgetWin_1", "firefox.exe", UP},
        {"title is case-sensitive", "D:1", "Music - youtube", "X", "chrome.exe", UP},
        {"VLC rule changes 5", "D:5", "clip - VLC media player", "X", "vlc.exe", mediaKey("0xb2")},
        {"...and keeps VLC's 1", "D:1", "clip - VLC media player", "X", "vlc.exe", P},
        {"unlisted key, unknown window: built-in", "D:1", "Notepad", "X", "notepad.exe", UP},
        {"fallback for a window nothing knows", "D:5", "Notepad", "X", "notepad.exe", mediaKey("0xb3")},
        {"no fallback in front of a built-in application", "D:5", "Media Player Classic", "X", "mpc.exe", SPACE},
        {"a mapped arrow is sent once, no pointer", "D:R", "x", "mpv", "mpv.exe", mediaKey("0xb0")},
        {"a mapped select is a key, no click", "D:E", "x", "mpv", "mpv.exe", mediaKey("0xb3")},
        {"an unlisted arrow moves the pointer as ever", "D:U", "x", "mpv", "mpv.exe",
         {"mouse 0 -1 0x01", "mouse 0 -1 0x01"}},
        {"not a phone key", "D:11", "x", "mpv", "mpv.exe", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.events, eventsOf(c.command, c.title, c.className, c.program));
    }
}

TEST_F(KeyMapDispatch, ProgramIsAskedOnlyWhenARuleNamesIt) {
    use("[[app]]\nclass = \"mpv\"\n[app.keys]\n\"1\" = \"a\"\n");
    eventsOf("D:1", "x", "mpv");
    eventsOf("D:1", "y", "other");
    EXPECT_EQ(0, desktop.programLookups);
}

TEST_F(KeyMapDispatch, MappedVolumeKey_RepeatsOnTheVolumeSchedule) {
    use(MAP);
    desktop.setForeground(desktop.addWindow("x", "mpv"));
    controller.dispatch("D:2");
    EXPECT_TRUE(log.empty()) << "nothing before the first tick";
    for (int tick = 0; tick < 9; ++tick) controller.tick();
    EventLog threeSteps;
    for (int i = 0; i < 3; ++i) threeSteps.insert(threeSteps.end(), {"down 0xaf scan 0x00", "up 0xaf scan 0x00 ext"});
    EXPECT_EQ(threeSteps, log) << "ticks 1, 5 and 9";
}

// keymaps/players.toml, built in: for windows the table does not know, the
// file's keys and labels; beneath the user's own rules, whose unlisted keys
// fall through to them; never in front of an application the table knows.
TEST_F(KeyMapDispatch, ThePlayersRulesComeBuiltIn_BeneathTheUsersMap_ForWindowsTheTableDoesNotKnow) {
    RemoteController withBuiltIns{platform()};
    const auto sent = [&](const std::string& command, const std::string& title, const std::string& className,
                          const std::string& program) {
        desktop.clear();
        const WindowHandle window = desktop.addWindow(title, className);
        desktop.window(window)->program = program;
        desktop.setForeground(window);
        log.clear();
        withBuiltIns.dispatch(command);
        return log;
    };
    const auto keys = [&](const std::string& text) {
        log.clear();
        withBuiltIns.pressKeys(text);
        return log;
    };
    struct Case {
        const char* what;
        std::string command, title, className, program, keys;
    };
    const std::vector<Case> cases = {
        {"mpv by its class", "D:1", "film.mkv - mpv", "mpv", "mpv.exe", "<"},
        {"Spotify by its program", "D:3", "Spotify Premium", "Chrome_WidgetWin_0", "Spotify.exe", "^{RIGHT}"},
        {"YouTube by the title", "D:5", "Cats - YouTube - Chromium", "Chrome_WidgetWin_1", "chrome.exe", "k"},
        {"a key the rule leaves: the table's", "D:#", "film - mpv", "mpv", "mpv.exe", "{ESC}"},
        {"VLC: the table", "D:1", "clip - VLC media player", "Qt5QWindowIcon", "vlc.exe", "p"},
        {"PowerPoint's slide show: the table", "D:5", "PowerPoint Slide Show", "screenClass", "POWERPNT.EXE", " "},
        {"a window nobody knows: the table", "D:1", "Untitled - Notepad", "Notepad", "notepad.exe", "{UP}"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const EventLog wanted = keys(c.keys);
        EXPECT_EQ(wanted, sent(c.command, c.title, c.className, c.program));
    }
    const SettingsResult mine = parseSettings("[[app]]\nclass = \"mpv\"\n[app.keys]\n\"5\" = \"a\"\n"
                                              "[fallback.keys]\n\"1\" = \"b\"\n", "vork.toml");
    withBuiltIns.setKeyMap(std::make_shared<const KeyMap>(mine.settings->keyMap));
    EXPECT_EQ(A, sent("D:5", "film - mpv", "mpv", "mpv.exe")) << "the user's rule first";
    EXPECT_EQ(keys("<"), sent("D:1", "film - mpv", "mpv", "mpv.exe")) << "its unlisted keys: the built-in rule";
    EXPECT_EQ(keys("k"), sent("D:5", "Cats - YouTube", "X", "chrome.exe")) << "a built-in rule before the fallback";
    EXPECT_EQ(B, sent("D:1", "Untitled - Notepad", "Notepad", "notepad.exe")) << "the user's fallback";
    desktop.clear();
    desktop.setForeground(desktop.addWindow("film - mpv", "mpv"));
    const KeypadLabels labels = withBuiltIns.keypadLabels();
    EXPECT_EQ("mpv", labels.app);
    EXPECT_EQ((std::pair<std::string, std::string>{"1", "Previous"}), labels.keys.front()) << "the file's own labels";
    EXPECT_GE(builtInRules()->rules.size(), 8U) << "every rule of the file read";
    EXPECT_EQ(0U, describeBuiltInRules().find("Built in, beneath your rules, for windows Vork's tables do not know:\n"));
    EXPECT_NE(std::string::npos, describeBuiltInRules().find("  mpv: class \"mpv\"\n"));
}

TEST(KeyMapSource, FollowsTheFile_KeepsTheLastGoodMap_LooksAtMostOnceASecond) {
    const std::filesystem::path file = std::filesystem::temp_directory_path() / "vork-key-map-test.toml";
    const auto write = [&file](const std::string& text, int secondsLater) {
        std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
        std::filesystem::last_write_time(file, std::filesystem::file_time_type::clock::now() +
                                                   std::chrono::seconds(secondsLater));
    };
    write("[fallback.keys]\n\"5\" = \"a\"\n", 0);
    KeyMapSource source(file.string());
    EXPECT_FALSE(source.load());
    EXPECT_EQ("a", source.keyMap()->fallbackKeys.at("5"));

    write("[fallback.keys]\n\"5\" = \"b\"\n", 10);
    EXPECT_FALSE(source.refresh(10'000));
    EXPECT_EQ("b", source.keyMap()->fallbackKeys.at("5"));

    write("[fallback.keys]\n\"5\" = \"c\"\n", 20);
    EXPECT_FALSE(source.refresh(10'500)) << "within a second of the last look";
    EXPECT_EQ("b", source.keyMap()->fallbackKeys.at("5"));
    EXPECT_FALSE(source.refresh(11'000));
    EXPECT_EQ("c", source.keyMap()->fallbackKeys.at("5"));

    write("[fallback.keys]\n\"Q\" = \"d\"\n", 30);
    const auto problem = source.refresh(12'000);
    ASSERT_TRUE(problem);
    EXPECT_EQ("vork-key-map-test.toml, line 2: unknown phone key \"Q\"", *problem) << "the name alone, for the status line";
    EXPECT_EQ("c", source.keyMap()->fallbackKeys.at("5")) << "the last good map holds";
    EXPECT_FALSE(source.refresh(13'000)) << "an unchanged broken file is not reported again";
    std::filesystem::remove(file);
    EXPECT_FALSE(source.refresh(14'000)) << "a file that went away keeps the map too";
    EXPECT_EQ("c", source.keyMap()->fallbackKeys.at("5"));

    // The user's own file need not exist at start: made later, it is read then.
    KeyMapSource later(file.string());
    EXPECT_FALSE(later.load(false));
    EXPECT_FALSE(later.keyMap());
    write("[fallback.keys]\n\"5\" = \"e\"\n", 40);
    EXPECT_FALSE(later.refresh(20'000));
    ASSERT_TRUE(later.keyMap());
    EXPECT_EQ("e", later.keyMap()->fallbackKeys.at("5"));
    std::filesystem::remove(file);
    EXPECT_EQ(file.string() + ": cannot be read", KeyMapSource(file.string()).load().value_or(""))
        << "a file named on the command line must be there";
}

}  // namespace
}  // namespace vork
