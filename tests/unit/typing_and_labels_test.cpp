// The browser page's typing and special keys on their way to the window, and
// the labels it shows on the keypad for the window in front.
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

TEST(TypedText, IsUtf8ToUtf16_WithLineBreaksAsOne_AndAnythingElseRefused) {
    struct Case {
        std::string utf8;
        std::optional<std::u16string> units;
        std::size_t characters = 0;
    };
    const std::vector<Case> cases = {
        {"", u"", 0},
        {"h\xC3\xA9llo", u"h\u00E9llo", 5},
        {"\xE2\x9C\x93 \xF0\x9F\x98\x80", u"\u2713 \xD83D\xDE00", 3},  // outside the basic plane: two halves
        {"a\r\nb\rc\n\td", u"a\nb\nc\n\td", 8},
        {"\xF4\x8F\xBF\xBF", u"\xDBFF\xDFFF", 1},                      // U+10FFFF, the last there is
        {"\xC3", std::nullopt},                                        // cut short
        {"\xC0\xAF", std::nullopt},                                    // overlong "/"
        {"\xED\xA0\x80", std::nullopt},                                // a surrogate on its own
        {"\xF4\x90\x80\x80", std::nullopt},                            // past U+10FFFF
        {"a\x01", std::nullopt},
        {"\x1B[2J", std::nullopt},
        {"\x7F", std::nullopt},
        {"\xC2\x85", std::nullopt},  // a C1 control
        {std::string("a\0b", 3), std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.utf8));
        const std::optional<TypedText> text = decodeTypedText(c.utf8);
        ASSERT_EQ(c.units.has_value(), text.has_value());
        if (!text) continue;
        EXPECT_EQ(*c.units, text->units);
        EXPECT_EQ(c.characters, text->characters);
    }
}

TEST(PageKeys, APressIsItsKeyWithItsModifiers_InTheKeyLanguage) {
    const std::vector<std::pair<std::string, std::optional<std::string>>> cases = {
        {"c ctrl", "^c"},          {"C ctrl", "^c"},         {"c shift ctrl", "^+c"},
        {"tab alt", "%{TAB}"},     {"d win", "@d"},          {"enter", "{ENTER}"},
        {"escape", "{ESC}"},       {"backspace", "{BS}"},    {"delete", "{DEL}"},
        {"home shift", "+{HOME}"}, {"space ctrl", "^ "},     {"+ ctrl", "^{PLUS}"},
        {"% alt", "%{PERCENT}"},   {"} ctrl", "^{RIGHTBRACE}"}, {"1 ctrl alt shift win", "^%+@1"},
        {"( ctrl", std::nullopt},  {"{ ctrl", std::nullopt}, {"c ctrl ctrl", std::nullopt},
        {"c super", std::nullopt}, {"c  ctrl", std::nullopt}, {"", std::nullopt},
        {"Enter", std::nullopt},   {"\xC3\xA9", std::nullopt}, {"f13", std::nullopt},
    };
    for (const auto& [request, keys] : cases) EXPECT_EQ(keys, pressedKeys(request)) << request;
}

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

class PageTyping : public ::testing::Test, protected test::SimulatedDesktop {
protected:
    RemoteController controller{platform()};
};

TEST_F(PageTyping, DeletesWithBackspace_TypesCharactersAsUnicode_InOneBatch_AndEndsAHeldAction) {
    controller.dispatch("D:U");
    log.clear();
    controller.typeText(2, decodeTypedText("a\xF0\x9F\x98\x80\n").value().units);
    EXPECT_EQ(HeldAction::None, controller.heldAction());
    EXPECT_EQ((test::EventLog{"input | down 0x08 scan 0x0e | up 0x08 scan 0x0e | down 0x08 scan 0x0e | up 0x08 scan 0x0e"
                              " | down unicode 0x61 | up unicode 0x61 | down unicode 0xd83d | up unicode 0xd83d"
                              " | down unicode 0xde00 | up unicode 0xde00 | down 0x0d scan 0x1c | up 0x0d scan 0x1c"}),
              log);

    log.clear();
    controller.pressKeys("^c");
    controller.pressMediaKey(MediaKey::PlayPause);
    EXPECT_EQ((test::EventLog{"down 0x11 scan 0x1d", "down 0x43 scan 0x2e", "up 0x43 scan 0x2e ext",
                              "up 0x11 scan 0x1d", "down 0xb3 scan 0x00", "up 0xb3 scan 0x00 ext"}),
              log);
    log.clear();
    controller.pressMediaKey(MediaKey::VolumeDown);
    for (int tick = 0; tick < 5; ++tick) controller.tick();
    EXPECT_EQ((test::EventLog{"down 0xae scan 0x00", "up 0xae scan 0x00 ext", "down 0xae scan 0x00",
                              "up 0xae scan 0x00 ext"}),
              log)
        << "the volume keys repeat on the volume schedule, in any window";
}

}  // namespace
}  // namespace vork
