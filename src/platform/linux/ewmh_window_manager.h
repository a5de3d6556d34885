// The desktop's windows as an EWMH window manager lists them: the active
// one, its UTF-8 title, WM_CLASS and its program, and activation by asking
// the window manager. Without EWMH no window is known to be in front.
#pragma once

#include <X11/Xlib.h>

#include <chrono>
#include <map>
#include <string>
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

    // The root window's changes arrive on this descriptor (-1 without a
    // display); the shell calls followRoot when it is readable, so that
    // they never pile up while nobody asks.
    [[nodiscard]] int eventDescriptor() const { return display_ ? ConnectionNumber(display_.get()) : -1; }
    void followRoot();

private:
    // followRoot, at most once a millisecond: one look at the desktop asks
    // many questions in a row (the window in front, its title, each known
    // class), and each reading of the socket is a system call.
    void catchUp();
    std::vector<Window> windowList(Atom name);
    // The client list as the root window's last change left it: read again
    // only after the window manager changed it.
    const std::vector<Window>& clients();
    std::string readProgramFileName(Window window);
    std::optional<std::vector<unsigned char>> property(Window window, Atom name, Atom type, int format);
    Atom atom(const char* name);

    DisplayConnection display_;
    // WM_CLASS by window: set before a window maps and kept while it lives
    // (ICCCM), so read once; a window that has left the client list is forgotten.
    std::map<Window, std::string> classes_;
    // Titles likewise, each window watched for its name's changes from its first reading.
    std::map<Window, std::string> titles_;
    // And each window's program, which a window never changes.
    std::map<Window, std::string> programs_;
    std::vector<Window> clients_;
    bool clientsKnown_ = false;
    Window active_ = None;
    bool activeKnown_ = false;
    std::chrono::steady_clock::time_point caughtUpAt_{};
};

}  // namespace vork::linux_x11
