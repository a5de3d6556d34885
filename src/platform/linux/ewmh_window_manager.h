// The desktop's windows as an EWMH window manager lists them: the active
// one, its UTF-8 title, WM_CLASS and its program, and activation by asking
// the window manager. Without EWMH no window is known to be in front.
#pragma once

#include <X11/Xlib.h>

#include <vector>

#include "platform/linux/x11_display.h"
#include "platform/window_manager.h"

namespace vork::linux_x11 {

class EwmhWindowManager final : public WindowManager {
public:
    EwmhWindowManager();

    WindowHandle foregroundWindow() override;
    std::string windowText(WindowHandle window, std::size_t bufferSize) override;
    // The class part of WM_CLASS ("vlc", "mpv", "libreoffice-impress").
    std::string className(WindowHandle window, std::size_t bufferSize) override;
    // The file name of /proc/PID/exe for the window's _NET_WM_PID.
    std::string programFileName(WindowHandle window) override;
    WindowHandle findWindow(const std::optional<std::string>& wantedClass,
                            const std::optional<std::string>& title) override;
    // Top-most first, as the window manager stacks them.
    void enumerateWindows(const std::function<bool(WindowHandle)>& visit) override;
    void activate(WindowHandle window) override;

private:
    std::vector<Window> windowList(Atom name);
    std::optional<std::vector<unsigned char>> property(Window window, Atom name, Atom type, int format);
    Atom atom(const char* name);

    DisplayConnection display_;
};

}  // namespace vork::linux_x11
