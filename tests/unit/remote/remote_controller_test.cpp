#include "remote/remote_controller.h"

#include <gtest/gtest.h>

#include "fake_desktop.h"
#include "simulated_desktop.h"
#include "fake_input.h"
#include "fake_system.h"

namespace vork {
namespace {

using test::EventLog;

// A window that makes each application the foreground one, by title or class.
struct AppWindow {
    ForegroundApp app;
    const char* title;
    const char* className;
};

const std::vector<AppWindow> APP_WINDOWS = {
    {ForegroundApp::None, "Untitled - Notepad", "Notepad"},
    {ForegroundApp::MediaPlayerClassic, "movie.avi - Media Player Classic", "Other"},
    {ForegroundApp::WindowsMediaPlayer, "Windows Media Player", "Other"},
    {ForegroundApp::WinDvd, "", "WinDVDClass"},
    {ForegroundApp::Vlc, "song.mp3 - VLC media player", "Other"},
    {ForegroundApp::Winamp, "", "Winamp v1.x"},
    {ForegroundApp::Acrobat, "a.pdf - Adobe Acrobat Reader", "Other"},
    {ForegroundApp::PowerPoint, "Slide Show", "screenClass"},
    {ForegroundApp::DivXPlayer, "DivX Player", "Other"},
    {ForegroundApp::QuickTime, "trailer.mov", "QuickTimePlayerMain"},
    {ForegroundApp::MediaCenter, "Windows Media Center", "Other"},
};

class RemoteControllerTest : public ::testing::Test, protected test::SimulatedDesktop {
protected:
    void bringToFront(ForegroundApp app) {
        desktop.clear();
        const AppWindow& w = APP_WINDOWS[static_cast<std::size_t>(app)];
        desktop.setForeground(desktop.addWindow(w.title, w.className));
    }

    // What the key sender makes of a keystroke string on a fresh keyboard.
    static EventLog keystrokes(std::string_view text) {
        EventLog expected;
        test::FakeDesktop otherDesktop(expected);
        test::FakeInput otherInput(expected);
        test::FakeSystem otherSystem(expected);
        AppActivator activator(otherDesktop, otherSystem);
        KeySender(otherInput, otherSystem, activator).send(text, false);
        return expected;
    }

    RemoteController controller{platform()};
};

constexpr const char* MUTE_TOGGLE = "<mute>";

struct TableRow {
    std::string command;
    std::array<const char*, 11> byApp;  // nullptr: nothing
};

// None, MPC, WMP, WinDVD, VLC, Winamp, Acrobat, PowerPoint, DivX, QuickTime, Media Center
const std::vector<TableRow> EXPECTED_ACTIONS = {
    {"D:1", {"{UP}", "{PGUP}", "^b", "{PGUP}", "p", "z", "{LEFT}", "{UP}", "[", "{UP}", "^b"}},
    {"D:3", {"{DOWN}", "{PGDN}", "^f", "{PGDN}", "n", "b", "{RIGHT}", "{DOWN}", "]", "{DOWN}", "^f"}},
    {"D:4", {"{LEFT}", "^{DOWN}", "^+b", "r", "^{LEFT}", "{LEFT}", "{LEFT}", "{LEFT}", "^{LEFT}", "{LEFT}", "^+b"}},
    {"D:6", {"{RIGHT}", "^{UP}", "^+f", "f", "^{RIGHT}", "{RIGHT}", "{RIGHT}", "{RIGHT}", "^{RIGHT}", "{RIGHT}", "^+f"}},
    {"D:5", {" ", " ", "^p", " ", " ", "c", " ", " ", " ", " ", "^p"}},
    {"D:7", {nullptr, ".", "^s", "x", "^q", "v", nullptr, nullptr, "p", nullptr, "^s"}},
    {"D:9", {nullptr, "a", nullptr, "^a", "b", nullptr, nullptr, nullptr, "a", nullptr, nullptr}},
    {"D:0", {MUTE_TOGGLE, "^m", "{F7}", "m", "m", MUTE_TOGGLE, MUTE_TOGGLE, MUTE_TOGGLE, "v", "^{DOWN}", "{F8}"}},
    {"D:*", {nullptr, "%{ENTER}", "%{ENTER}", "{ESC}", "f", nullptr, "^l", "{F5}", "^4", "^f", "%{ENTER}"}},
};

TEST_F(RemoteControllerTest, TableKeys_SendTheApplicationsKeystrokes) {
    for (const TableRow& row : EXPECTED_ACTIONS) {
        for (std::size_t app = 0; app < APP_WINDOWS.size(); ++app) {
            SCOPED_TRACE(row.command + " in front of " + APP_WINDOWS[app].title + "/" + APP_WINDOWS[app].className);
            bringToFront(static_cast<ForegroundApp>(app));
            log.clear();
            const bool mutedBefore = controller.muted();
            controller.dispatch(row.command);
            const char* expected = row.byApp[app];
            if (expected == nullptr) {
                EXPECT_TRUE(log.empty());
            } else if (expected == MUTE_TOGGLE) {
                EXPECT_NE(mutedBefore, controller.muted());
                EXPECT_EQ((EventLog{controller.muted() ? "mute on" : "mute off"}), log);
            } else {
                EXPECT_EQ(keystrokes(expected), log);
            }
        }
    }
}

TEST_F(RemoteControllerTest, Escape_IsSentWithoutAskingWhichApplicationIsInFront) {
    bringToFront(ForegroundApp::Winamp);
    controller.dispatch("D:#");
    EXPECT_EQ(keystrokes("{ESC}"), log);
    EXPECT_EQ(0, desktop.findWindowCalls);
}

TEST_F(RemoteControllerTest, Clicks_AreDownThenUpWithoutMovement) {
    controller.dispatch("D:E");
    controller.dispatch("D:C");
    EXPECT_EQ((EventLog{"mouse 0 0 0x02", "mouse 0 0 0x04", "mouse 0 0 0x08", "mouse 0 0 0x10"}), log);
}

TEST_F(RemoteControllerTest, UnknownTexts_DoNothingButStopAHeldAction) {
    for (const std::string text : {"U:X", "d:1", "D:1 ", " D:1", "D:", "", "D:11", "D:X"}) {
        SCOPED_TRACE(text);
        controller.dispatch("D:R");
        controller.tick();
        log.clear();
        controller.dispatch(text);
        controller.tick();
        EXPECT_TRUE(log.empty());
        EXPECT_EQ(HeldAction::None, controller.heldAction());
    }
}

TEST_F(RemoteControllerTest, HeldPointer_AcceleratesFromTheFirstTick) {
    controller.dispatch("D:R");
    EXPECT_TRUE(log.empty()) << "nothing moves before the first tick";
    std::vector<int> steps;
    for (int i = 0; i < 12; ++i) {
        const int before = input.cursorX;
        controller.tick();
        steps.push_back(input.cursorX - before);
    }
    EXPECT_EQ((std::vector<int>{1, 1, 2, 2, 3, 4, 5, 6, 7, 8, 9, 10}), steps);
    EXPECT_EQ(0, input.cursorY);
}

TEST_F(RemoteControllerTest, FiveTicksRight_MoveNineUnits_AndEachDirectionHasItsSign) {
    controller.dispatch("D:R");
    for (int i = 0; i < 5; ++i) controller.tick();
    EXPECT_EQ(9, input.cursorX);
    controller.dispatch("D:U");
    controller.tick();
    controller.dispatch("D:L");
    controller.tick();
    controller.dispatch("D:D");
    controller.tick();
    controller.tick();
    EXPECT_EQ((EventLog{"mouse 0 -1 0x01", "mouse -1 0 0x01", "mouse 0 1 0x01", "mouse 0 1 0x01"}),
              EventLog(log.end() - 4, log.end()));
}

TEST_F(RemoteControllerTest, NewHeldCommand_RestartsAtTheLowestSpeed) {
    controller.dispatch("D:U");
    for (int i = 0; i < 20; ++i) controller.tick();
    log.clear();
    controller.dispatch("D:R");
    controller.tick();
    controller.tick();
    EXPECT_EQ((EventLog{"mouse 1 0 0x01", "mouse 1 0 0x01"}), log);
}

TEST_F(RemoteControllerTest, HeldVolume_FiresEveryFourthTick_WithTheKeysOfTheAppInFront) {
    bringToFront(ForegroundApp::Vlc);
    controller.dispatch("D:2");
    std::vector<int> firingTicks;
    for (int tick = 1; tick <= 12; ++tick) {
        log.clear();
        controller.tick();
        if (!log.empty()) {
            EXPECT_EQ(keystrokes("^{UP}"), log);
            firingTicks.push_back(tick);
        }
    }
    EXPECT_EQ((std::vector<int>{1, 5, 9}), firingTicks);
}

TEST_F(RemoteControllerTest, HeldVolume_FollowsTheApplicationBetweenFirings) {
    bringToFront(ForegroundApp::WindowsMediaPlayer);
    controller.dispatch("D:8");
    log.clear();
    controller.tick();
    EXPECT_EQ(keystrokes("{F8}"), log);

    bringToFront(ForegroundApp::Winamp);
    for (int i = 0; i < 3; ++i) controller.tick();
    log.clear();
    controller.tick();
    const EventLog down = keystrokes("{DOWN}");
    EventLog threeTimes;
    for (int i = 0; i < 3; ++i) threeTimes.insert(threeTimes.end(), down.begin(), down.end());
    EXPECT_EQ(threeTimes, log);

    bringToFront(ForegroundApp::DivXPlayer);
    controller.dispatch("D:2");
    log.clear();
    controller.tick();
    EXPECT_EQ(keystrokes("{PLUS}"), log);
}

TEST_F(RemoteControllerTest, VolumeSteps_PerApplication) {
    const std::vector<std::pair<const char*, const char*>> steps = {
        {"{UP}", "{DOWN}"}, {"{UP}", "{DOWN}"}, {"{F9}", "{F8}"}, {"+{UP}", "+{DOWN}"},
        {"^{UP}", "^{DOWN}"}, {"{UP}{UP}{UP}", "{DOWN}{DOWN}{DOWN}"}, {"{UP}", "{DOWN}"}, {"{UP}", "{DOWN}"},
        {"{PLUS}", "-"}, {"{UP}", "{DOWN}"}, {"{F10}", "{F9}"},
    };
    for (std::size_t app = 0; app < steps.size(); ++app) {
        SCOPED_TRACE(app);
        bringToFront(static_cast<ForegroundApp>(app));
        log.clear();
        controller.volumeStep(true);
        EXPECT_EQ(keystrokes(steps[app].first), log);
        log.clear();
        controller.volumeStep(false);
        EXPECT_EQ(keystrokes(steps[app].second), log);
    }
}

TEST_F(RemoteControllerTest, TicksWithNothingHeld_ChangeNothing) {
    controller.dispatch("D:R");
    controller.tick();
    controller.dispatch("D:5");
    const std::int32_t speed = controller.speed();
    log.clear();
    for (int i = 0; i < 10; ++i) controller.tick();
    EXPECT_EQ(speed, controller.speed());
    EXPECT_TRUE(log.empty());
}

TEST(GrownSpeed, GrowsByFiveThenTen_AndStopsAtTheLargestValue) {
    EXPECT_EQ(10, grownSpeed(5));
    EXPECT_EQ(30, grownSpeed(25));
    EXPECT_EQ(40, grownSpeed(30));
    EXPECT_EQ(34, grownSpeed(29));
    constexpr std::int32_t LARGEST = std::numeric_limits<std::int32_t>::max();
    EXPECT_EQ(LARGEST - 1, grownSpeed(LARGEST - 11));
    EXPECT_EQ(LARGEST, grownSpeed(LARGEST - 10));
    EXPECT_EQ(LARGEST, grownSpeed(LARGEST - 3));
    EXPECT_EQ(LARGEST, grownSpeed(LARGEST));
}

}  // namespace
}  // namespace vork
