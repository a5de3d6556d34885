// Detection, pointer, clicks and the master mute against Wine's real desktop
// and mixer.
#include <windows.h>
#include <mmsystem.h>

#include <gtest/gtest.h>

#include "platform/win32/win32_input_injector.h"
#include "platform/win32/win32_mixer_api.h"
#include "platform/win32/win32_system_services.h"
#include "platform/win32/win32_window_manager.h"
#include "remote/foreground_app.h"
#include "platform/win32/mixer_mute.h"
#include "remote/remote_controller.h"
#include "test_window.h"

namespace vork {
namespace {

using test::TestWindow;

class RemoteOnWine : public ::testing::Test {
protected:
    static void bringToFront(const TestWindow& window) {
        SetForegroundWindow(window.handle());
        TestWindow::pumpPending();
    }
    ForegroundApp detect() { return detectForegroundApp(windows, system); }

    win32::Win32WindowManager windows;
    win32::Win32InputInjector input;
    win32::Win32SystemServices system;
    win32::Win32MixerApi mixer;
    win32::MixerSound sound{mixer};
};

// Kept first: under Wine, once a test had made a window topmost, injected
// right-button events no longer reached a window created later.
TEST_F(RemoteOnWine, Clicks_ReachTheWindowUnderThePointer) {
    TestWindow target("Click target");
    bringToFront(target);
    RECT client{};
    GetClientRect(target.handle(), &client);
    POINT centre{client.right / 2, client.bottom / 2};
    ClientToScreen(target.handle(), &centre);
    ASSERT_TRUE(SetCursorPos(centre.x, centre.y));
    target.clearReceived();

    RemoteController controller(Desktop{windows, input, system, sound});
    controller.dispatch("D:E");
    controller.dispatch("D:C");
    std::vector<UINT> buttons;
    target.pumpUntil([&] {
        buttons.clear();
        for (const auto& m : target.received())
            if (m.message >= WM_LBUTTONDOWN && m.message <= WM_RBUTTONUP) buttons.push_back(m.message);
        return buttons.size() >= 4;
    });
    EXPECT_EQ((std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN, WM_RBUTTONUP}), buttons);
}

TEST_F(RemoteOnWine, Detection_ByTitleAndByClass) {
    TestWindow vlc("clip.mp4 - VLC media player");
    bringToFront(vlc);
    EXPECT_EQ(ForegroundApp::Vlc, detect());

    TestWindow slideShow("PowerPoint Slide Show - [talk]", "screenClass");
    bringToFront(slideShow);
    EXPECT_EQ(ForegroundApp::PowerPoint, detect());

    TestWindow winamp("Winamp", "Winamp v1.x");
    bringToFront(winamp);
    EXPECT_EQ(ForegroundApp::Winamp, detect());

    TestWindow notepad("Untitled - Notepad", "VorkNotepadLike");
    bringToFront(notepad);
    EXPECT_EQ(ForegroundApp::None, detect()) << "applications behind do not count";
}

TEST_F(RemoteOnWine, Detection_OnlyTheFirstWindowOfAClassMatches) {
    TestWindow behind("Qt tool", "QWidget");
    TestWindow front("DivX thing", "QWidget");
    // The first window of the class in window-manager order is the one on top.
    SetWindowPos(behind.handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    bringToFront(front);
    ASSERT_EQ(behind.handle(), FindWindowA("QWidget", nullptr));
    ASSERT_EQ(front.handle(), GetForegroundWindow());
    EXPECT_EQ(ForegroundApp::None, detect());

    SetWindowPos(behind.handle(), HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetWindowPos(front.handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    bringToFront(front);
    ASSERT_EQ(front.handle(), FindWindowA("QWidget", nullptr));
    EXPECT_EQ(ForegroundApp::DivXPlayer, detect());
}

// Relative movement goes through the pointer speed and acceleration; switch
// them to one-to-one for exact distances, and restore them afterwards.
class OneToOnePointer {
public:
    OneToOnePointer() {
        SystemParametersInfoA(SPI_GETMOUSE, 0, saved_, 0);
        SystemParametersInfoA(SPI_GETMOUSESPEED, 0, &savedSpeed_, 0);
        int none[3] = {0, 0, 0};
        SystemParametersInfoA(SPI_SETMOUSE, 0, none, 0);
        SystemParametersInfoA(SPI_SETMOUSESPEED, 0, reinterpret_cast<void*>(static_cast<INT_PTR>(10)), 0);
    }
    ~OneToOnePointer() {
        SystemParametersInfoA(SPI_SETMOUSE, 0, saved_, 0);
        SystemParametersInfoA(SPI_SETMOUSESPEED, 0, reinterpret_cast<void*>(static_cast<INT_PTR>(savedSpeed_)), 0);
    }
    OneToOnePointer(const OneToOnePointer&) = delete;
    OneToOnePointer& operator=(const OneToOnePointer&) = delete;

private:
    int saved_[3] = {};
    int savedSpeed_ = 10;
};

TEST_F(RemoteOnWine, HeldPointer_MovesTheCursorByTheUnitsSent) {
    OneToOnePointer oneToOne;
    RemoteController controller(Desktop{windows, input, system, sound});
    ASSERT_TRUE(SetCursorPos(300, 300));
    controller.dispatch("D:R");
    for (int i = 0; i < 5; ++i) controller.tick();
    controller.dispatch("D:U");
    controller.tick();
    controller.tick();
    POINT cursor{};
    GetCursorPos(&cursor);
    EXPECT_EQ(309, cursor.x);
    EXPECT_EQ(298, cursor.y);
}

// Reads the mute control's value straight from winmm.
std::optional<bool> readMute() {
    HMIXER handle = nullptr;
    if (mixerOpen(&handle, 0, 0, 0, MIXER_OBJECTF_MIXER) != MMSYSERR_NOERROR) return std::nullopt;
    std::optional<bool> result;
    MIXERLINEA line{};
    line.cbStruct = sizeof line;
    line.dwComponentType = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
    MIXERCONTROLA control{};
    control.cbStruct = sizeof control;
    MIXERLINECONTROLSA controls{};
    controls.cbStruct = sizeof controls;
    controls.dwControlType = MIXERCONTROL_CONTROLTYPE_MUTE;
    controls.cControls = 1;
    controls.cbmxctrl = sizeof control;
    controls.pamxctrl = &control;
    auto* object = reinterpret_cast<HMIXEROBJ>(handle);
    if (mixerGetLineInfoA(object, &line, MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_COMPONENTTYPE) == 0) {
        controls.dwLineID = line.dwLineID;
        if (mixerGetLineControlsA(object, &controls, MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ONEBYTYPE) == 0) {
            MIXERCONTROLDETAILS_BOOLEAN value{};
            MIXERCONTROLDETAILS details{};
            details.cbStruct = sizeof details;
            details.dwControlID = control.dwControlID;
            details.cChannels = 1;
            details.cbDetails = sizeof value;
            details.paDetails = &value;
            if (mixerGetControlDetailsA(object, &details, MIXER_OBJECTF_HMIXER | MIXER_GETCONTROLDETAILSF_VALUE) == 0)
                result = value.fValue != 0;
        }
    }
    mixerClose(handle);
    return result;
}

TEST_F(RemoteOnWine, MixerMute_SetsTheSpeakersMuteOfWinesMixer) {
    ASSERT_GT(mixerGetNumDevs(), 0U) << "no mixer: is the PulseAudio null sink running?";
    {
        win32::MixerMute mute(mixer);
        ASSERT_TRUE(mute.open());
        ASSERT_TRUE(mute.findMuteControl());
        EXPECT_TRUE(mute.setMute(true));
        EXPECT_TRUE(mute.close());
    }
    EXPECT_EQ(std::optional<bool>(true), readMute());

    RemoteController controller(Desktop{windows, input, system, sound});
    controller.toggleMute();  // the program believes it is unmuted: mutes
    controller.toggleMute();
    EXPECT_EQ(std::optional<bool>(false), readMute());
}

}  // namespace
}  // namespace vork
