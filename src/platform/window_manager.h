// The window-manager services the logic uses: finding, reading and activating
// top-level windows, posting notifications and the repeat timer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/non_copyable.h"
#include "platform/window_handle.h"

namespace vork {

inline constexpr std::uintptr_t SC_HOTKEY_COMMAND = 0xF150;
inline constexpr std::uintptr_t SC_RESTORE_COMMAND = 0xF120;
inline constexpr int SHOW_WINDOW_SHOW = 5;
inline constexpr int SHOW_WINDOW_MINIMIZE = 6;

class WindowManager : public Interface {
public:
    virtual WindowHandle foregroundWindow() = 0;
    // The window's title or class as read into a buffer of bufferSize bytes
    // (so at most bufferSize - 1 of them); empty when there is none.
    virtual std::string windowText(WindowHandle window, std::size_t bufferSize) = 0;
    virtual std::string className(WindowHandle window, std::size_t bufferSize) = 0;
    // The file name of the program that owns the window ("vlc.exe"); empty
    // when it cannot be asked.
    virtual std::string programFileName(WindowHandle window) = 0;
    // An absent argument matches any window; the first top-level match.
    virtual WindowHandle findWindow(const std::optional<std::string>& className,
                                    const std::optional<std::string>& title) = 0;
    // Top-level windows in window-manager order until visit returns false.
    virtual void enumerateWindows(const std::function<bool(WindowHandle)>& visit) = 0;
    virtual void sendSysCommand(WindowHandle window, std::uintptr_t command,
                                WindowHandle parameter) = 0;
    virtual void showWindow(WindowHandle window, int showCommand) = 0;
    virtual void setForegroundWindow(WindowHandle window) = 0;
    virtual void setFocus(WindowHandle window) = 0;
    // A parameterless message, delivered later on the window's thread.
    virtual bool postMessage(WindowHandle window, unsigned message) = 0;
    virtual bool setTimer(WindowHandle window, std::uintptr_t timerId, unsigned periodMs) = 0;
};

}  // namespace vork
