// Which supported application owns the foreground window: by title first,
// then by the classes of the applications' known top-level windows.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "platform/system_services.h"
#include "platform/window_manager.h"

namespace vork {

enum class ForegroundApp : std::int32_t {
    None = 0,
    MediaPlayerClassic = 1,
    WindowsMediaPlayer = 2,
    WinDvd = 3,
    Vlc = 4,
    Winamp = 5,
    Acrobat = 6,
    PowerPoint = 7,
    DivXPlayer = 8,
    QuickTime = 9,
    MediaCenter = 10,
};

inline constexpr std::size_t FOREGROUND_APP_COUNT = 11;
inline constexpr std::size_t TITLE_BUFFER_SIZE = 256;

struct TitleTest {
    std::string_view fragment;
    std::string_view alsoRequired;  // empty: nothing more
    ForegroundApp app;
};

inline constexpr std::array<TitleTest, 9> TITLE_TESTS = {{
    {"Media Player Classic", "", ForegroundApp::MediaPlayerClassic},
    {"Windows Media Player", "", ForegroundApp::WindowsMediaPlayer},
    {"Windows Media Center", "", ForegroundApp::MediaCenter},
    {"WinDVD", "", ForegroundApp::WinDvd},
    {" - VLC", "", ForegroundApp::Vlc},
    {"Acrobat ", "", ForegroundApp::Acrobat},
    {"Microsoft PowerPoint", "", ForegroundApp::PowerPoint},
    {"DivX ", " Player", ForegroundApp::DivXPlayer},
    {" - Winamp", "", ForegroundApp::Winamp},
}};

struct ClassTest {
    std::string_view className;
    ForegroundApp app;
};

// Looked up in this order, compared in this order.
inline constexpr std::array<ClassTest, 10> CLASS_TESTS = {{
    {"Winamp v1.x", ForegroundApp::Winamp},
    {"BaseWindow RootWnd", ForegroundApp::Winamp},
    {"WMPTransition", ForegroundApp::WindowsMediaPlayer},
    {"CWmpControlCntr", ForegroundApp::WindowsMediaPlayer},
    {"MediaPlayerClassicW", ForegroundApp::MediaPlayerClassic},
    {"WinDVDClass", ForegroundApp::WinDvd},
    {"screenClass", ForegroundApp::PowerPoint},
    {"QuickTimePlayerMain", ForegroundApp::QuickTime},
    {"FullScreenWindow", ForegroundApp::QuickTime},
    {"QWidget", ForegroundApp::DivXPlayer},
}};

ForegroundApp detectForegroundApp(WindowManager& windows, SystemServices& system);

}  // namespace vork
