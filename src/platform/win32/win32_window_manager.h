// The window-manager services on user32.
#pragma once

#include "platform/window_manager.h"

namespace vork::win32 {

class Win32WindowManager final : public WindowManager {
public:
    WindowHandle foregroundWindow() override;
    std::string windowText(WindowHandle window, std::size_t bufferSize) override;
    std::string className(WindowHandle window, std::size_t bufferSize) override;
    std::string programFileName(WindowHandle window) override;
    WindowHandle findWindow(const std::optional<std::string>& className,
                            const std::optional<std::string>& title) override;
    void enumerateWindows(const std::function<bool(WindowHandle)>& visit) override;
    // SC_HOTKEY then SC_RESTORE (each with the window's own handle),
    // SW_SHOW, SetForegroundWindow, SetFocus; their results are not looked at.
    void activate(WindowHandle window) override;
};

}  // namespace vork::win32
