// The labels a page shows on its keypad for the window in front.
#include <gtest/gtest.h>

#include "config/settings_file.h"
#include "input/typed_text.h"
#include "remote/action_table.h"
#include "remote/key_labels.h"
#include "remote/remote_controller.h"
#include "simulated_desktop.h"
#include "web/page_keys.h"

namespace vork {
namespace {
TEST(KeyLabels, EveryActionInTheTableSaysWhatItDoes_AndNothingSaysNothing) {
    for (const ActionRow& row : ACTION_TABLE) {
        for (std::size_t app = 0; app < FOREGROUND_APP_COUNT; ++app) {
            const Action& action = row.byApp[app];
            SCOPED_TRACE(std::string(row.command) + " in application " + std::to_string(app));
            EXPECT_EQ(action.kind == Action::Kind::Nothing, action.label.empty());
            EXPECT_LE(action.label.size(), 14U) << "fits on a key";
        }
    }
    for (std::size_t app = 1; app < FOREGROUND_APP_COUNT; ++app)
        EXPECT_FALSE(appDisplayName(static_cast<ForegroundApp>(app)).empty()) << app;
    const std::vector<std::pair<std::string, std::string>> described = {
        {"{MEDIA_PLAY_PAUSE}", "Play/Pause"}, {"{media_next_track}", "Next"}, {"^+{TAB}", "Ctrl+Shift+Tab"},
        {"%{F4}", "Alt+F4"},                  {"^c", "Ctrl+C"},               {"@d", "Win+D"},
        {" ", "Space"},                       {"~", "Enter"},                 {"{PGUP}", "Page up"},
        {"{NUMPAD5}", "Numpad5"},             {"{VOLUME_DOWN}", "Vol \u2212"}, {"abc", "abc"},
        {"{UNKNOWN}", "{UNKNOWN}"},           {"^(ab)", "^(ab)"},             {"{VKEY 175}", "{VKEY 175}"},
    };
    for (const auto& [keys, label] : described) EXPECT_EQ(label, describeKeys(keys)) << keys;
    EXPECT_EQ("labels My app\tD:1=Play/Pause\tD:#=", labelsMessage({"My\tapp", {{"1", "Play/Pause"}, {"#", ""}}}));
}

class KeypadLabelsTest : public ::testing::Test, protected test::SimulatedDesktop {
protected:
    KeypadLabels labelsIn(const std::string& title, const std::string& className = "Other") {
        desktop.clear();
        desktop.setForeground(desktop.addWindow(title, className));
        return controller.keypadLabels();
    }
    static std::string label(const KeypadLabels& labels, std::string_view key) {
        for (const auto& [name, text] : labels.keys)
            if (name == key) return text;
        return "(no key)";
    }
    // The user's map alone; the rules that come with Vork have their own test.
    RemoteController controller{platform(), nullptr};
};

TEST_F(KeypadLabelsTest, ComeFromTheBuiltInTable_OrTheUsersKeyMap_ForTheWindowInFront) {
    const KeypadLabels vlc = labelsIn("clip.mkv - VLC media player");
    EXPECT_EQ("VLC media player", vlc.app);
    ASSERT_EQ(KEYPAD_KEYS.size(), vlc.keys.size()) << "the pointer keys keep their signs";
    EXPECT_EQ("1", vlc.keys.front().first);
    EXPECT_EQ("Previous", label(vlc, "1"));
    EXPECT_EQ("Play/Pause", label(vlc, "5"));
    EXPECT_EQ("Full screen", label(vlc, "*"));
    EXPECT_EQ("Vol +", label(vlc, "2"));
    EXPECT_EQ("Esc", label(vlc, "#"));
    const KeypadLabels none = labelsIn("Untitled - Notepad");
    EXPECT_EQ("", none.app);
    EXPECT_EQ("Mute", label(none, "0"));
    EXPECT_EQ("", label(none, "7")) << "a key that does nothing there";

    const SettingsResult file = parseSettings(R"(
[[app]]
name = "mpv"
class = "mpv"
[app.keys]
"5" = "{MEDIA_PLAY_PAUSE}"
"7" = "^{F12}"
"9" = "+{F1}{F2}"
"R" = "{MEDIA_NEXT_TRACK}"
[app.labels]
"9" = "Subtitles"
"0" = "Chapter"

[[app]]
class = "unnamed"
[app.keys]
"1" = "x"

[fallback.keys]
"1" = "{BROWSER_BACK}"
)",
                                              "vork.toml");
    ASSERT_TRUE(file.settings) << file.error;
    controller.setKeyMap(std::make_shared<const KeyMap>(file.settings->keyMap));
    const KeypadLabels mpv = labelsIn("film", "mpv");
    EXPECT_EQ("mpv", mpv.app);
    EXPECT_EQ("Play/Pause", label(mpv, "5")) << "a media key by its name";
    EXPECT_EQ("Ctrl+F12", label(mpv, "7"));
    EXPECT_EQ("Subtitles", label(mpv, "9")) << "the file's own label";
    EXPECT_EQ("Chapter", label(mpv, "0"));
    EXPECT_EQ("Up", label(mpv, "1")) << "unmapped: the built-in behaviour";
    EXPECT_EQ("Next", label(mpv, "R")) << "a pointer key the map gives a meaning";
    EXPECT_EQ("(no key)", label(mpv, "L"));
    EXPECT_EQ("VLC media player", labelsIn("clip - VLC media player", "unnamed").app)
        << "a rule without a name leaves the application's";
    EXPECT_EQ("Back", label(labelsIn("Notepad"), "1")) << "the fallback";
    EXPECT_EQ("Previous", label(labelsIn("clip - VLC media player"), "1")) << "no fallback before a known player";
}

}  // namespace
}  // namespace vork
