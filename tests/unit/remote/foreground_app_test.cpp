#include "remote/foreground_app.h"

#include <gtest/gtest.h>

#include "fake_desktop.h"
#include "fake_system.h"

namespace vork {
namespace {

class ForegroundAppTest : public ::testing::Test {
protected:
    ForegroundApp detectWithFront(const std::string& title, const std::string& className = "Other") {
        const WindowHandle window = desktop.addWindow(title, className);
        desktop.setForeground(window);
        return detectForegroundApp(desktop, system);
    }

    test::EventLog log;
    test::FakeDesktop desktop{log};
    test::FakeSystem system{log};
};

TEST_F(ForegroundAppTest, Titles_AreTestedInOrder) {
    struct Case {
        std::string title;
        ForegroundApp expected;
    };
    const std::vector<Case> cases = {
        {"file.avi - Media Player Classic", ForegroundApp::MediaPlayerClassic},
        {"Windows Media Player", ForegroundApp::WindowsMediaPlayer},
        {"Help: Windows Media Player tips", ForegroundApp::WindowsMediaPlayer},
        {"Windows Media Center", ForegroundApp::MediaCenter},
        {"InterVideo WinDVD", ForegroundApp::WinDvd},
        {"song.mp3 - VLC media player", ForegroundApp::Vlc},
        {"doc.pdf - Adobe Acrobat Reader", ForegroundApp::Acrobat},
        {"Microsoft PowerPoint - [talk.ppt]", ForegroundApp::PowerPoint},
        {"DivX Player", ForegroundApp::DivXPlayer},
        {"1. Song - Winamp", ForegroundApp::Winamp},
        {"Media Player Classic with Windows Media Player", ForegroundApp::MediaPlayerClassic},
        {"WinDVD - VLC", ForegroundApp::WinDvd},
        {"DivX Codec - Winamp", ForegroundApp::Winamp},
        {"DivX Pro", ForegroundApp::None},
        {"song - vlc", ForegroundApp::None},
        {"Acrobat", ForegroundApp::None},
        {"Untitled - Notepad", ForegroundApp::None},
        {"", ForegroundApp::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        desktop.clear();
        EXPECT_EQ(c.expected, detectWithFront(c.title));
    }
}

TEST_F(ForegroundAppTest, TitleBeyond255Bytes_IsNotRead) {
    EXPECT_EQ(ForegroundApp::None, detectWithFront(std::string(250, 'x') + " - VLC"));
    desktop.clear();
    EXPECT_EQ(ForegroundApp::Vlc, detectWithFront(std::string(249, 'x') + " - VLC"));
}

TEST_F(ForegroundAppTest, Classes_MatchOnlyTheFirstWindowOfTheirClass) {
    struct Case {
        std::string className;
        ForegroundApp expected;
    };
    const std::vector<Case> cases = {
        {"Winamp v1.x", ForegroundApp::Winamp},           {"BaseWindow RootWnd", ForegroundApp::Winamp},
        {"WMPTransition", ForegroundApp::WindowsMediaPlayer}, {"CWmpControlCntr", ForegroundApp::WindowsMediaPlayer},
        {"MediaPlayerClassicW", ForegroundApp::MediaPlayerClassic}, {"WinDVDClass", ForegroundApp::WinDvd},
        {"screenClass", ForegroundApp::PowerPoint},       {"QuickTimePlayerMain", ForegroundApp::QuickTime},
        {"FullScreenWindow", ForegroundApp::QuickTime},   {"QWidget", ForegroundApp::DivXPlayer},
        {"Notepad", ForegroundApp::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.className);
        desktop.clear();
        EXPECT_EQ(c.expected, detectWithFront("PowerPoint Slide Show", c.className));
        EXPECT_EQ(10, desktop.findWindowCalls) << "all ten classes are looked up";
    }
}

TEST_F(ForegroundAppTest, WindowBehindAnotherOfItsClass_DoesNotMatch) {
    desktop.addWindow("Some Qt tool", "QWidget");
    EXPECT_EQ(ForegroundApp::None, detectWithFront("DivX thing", "QWidget"));
}

TEST_F(ForegroundAppTest, TitleMatch_SkipsTheClassLookups) {
    EXPECT_EQ(ForegroundApp::Vlc, detectWithFront("a - VLC", "QWidget"));
    EXPECT_EQ(0, desktop.findWindowCalls);
}

TEST_F(ForegroundAppTest, ApplicationInBackground_DoesNotCount) {
    desktop.addWindow("song - VLC media player", "QWidget");
    EXPECT_EQ(ForegroundApp::None, detectWithFront("Untitled - Notepad", "Notepad"));
}

TEST_F(ForegroundAppTest, NoForegroundWindow_IsNone) {
    EXPECT_EQ(ForegroundApp::None, detectForegroundApp(desktop, system));
    desktop.addWindow("x", "QWidget");
    EXPECT_EQ(ForegroundApp::None, detectForegroundApp(desktop, system));
}

TEST_F(ForegroundAppTest, LeadBytes_KeepATitleMatchFromStartingMidCharacter) {
    system.leadBytes = {0x83};
    EXPECT_EQ(ForegroundApp::None, detectWithFront("x\x83 - VLC"));
    desktop.clear();
    EXPECT_EQ(ForegroundApp::Vlc, detectWithFront("x\x83\x40 - VLC"));
}

}  // namespace
}  // namespace vork
