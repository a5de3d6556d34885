// The windows of the desktop as the remote needs them: which one is in
// front, what it is called and which program it belongs to, finding one by
// its class or title, and bringing one to the front.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

#include "platform/non_copyable.h"
#include "platform/window_handle.h"

namespace vork {

class WindowManager : public Interface {
public:
    // A null handle when no window is in front, or when the desktop cannot
    // tell which one is: the remote then acts as for a window it does not know.
    virtual WindowHandle foregroundWindow() = 0;
    // The window's title, or its class (its application's id where the
    // desktop names windows so), as read into a buffer of bufferSize bytes
    // (so at most bufferSize - 1 of them); empty when there is none.
    virtual std::string windowText(WindowHandle window, std::size_t bufferSize) = 0;
    virtual std::string className(WindowHandle window, std::size_t bufferSize) = 0;
    // The file name of the program that owns the window ("vlc.exe"); empty
    // when it cannot be asked.
    virtual std::string programFileName(WindowHandle window) = 0;
    // An absent argument matches any window; the first top-level match of
    // the whole class or title, compared as the desktop compares them.
    virtual WindowHandle findWindow(const std::optional<std::string>& className,
                                    const std::optional<std::string>& title) = 0;
    // Top-level windows in the window manager's order, hidden ones too, until visit returns false.
    virtual void enumerateWindows(const std::function<bool(WindowHandle)>& visit) = 0;
    // The window restored if minimised, shown if hidden, brought to the front with the keyboard's focus.
    virtual void activate(WindowHandle window) = 0;
};

}  // namespace vork
