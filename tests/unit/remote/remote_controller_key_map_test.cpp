// The settings file's key map at work: matching windows, the built-in rules
// and the table behind it.
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

class KeyMapDispatch : public ::testing::Test, protected test::SimulatedDesktop {
protected:
    void use(const std::string& text) {
        const SettingsResult result = parseSettings(text, "vork.toml");
        ASSERT_TRUE(result.settings) << result.error;
        controller.setKeyMap(std::make_shared<const KeyMap>(result.settings->keyMap));
    }
    // The only window, in front, with the log cleared.
    void putInFront(const std::string& title, const std::string& className, const std::string& program) {
        desktop.clear();
        const WindowHandle window = desktop.addWindow(title, className);
        desktop.window(window)->program = program;
        desktop.setForeground(window);
        log.clear();
    }
    // The events one command gives with the window in front, and two ticks of the timer after it.
    EventLog eventsOf(const std::string& command, const std::string& title, const std::string& className = "Other",
                      const std::string& program = "other.exe") {
        putInFront(title, className, program);
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
        putInFront(title, className, program);
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

}  // namespace
}  // namespace vork
