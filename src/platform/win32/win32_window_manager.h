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
    void sendSysCommand(WindowHandle window, std::uintptr_t command, WindowHandle parameter) override;
    void showWindow(WindowHandle window, int showCommand) override;
    void setForegroundWindow(WindowHandle window) override;
    void setFocus(WindowHandle window) override;
    bool postMessage(WindowHandle window, unsigned message) override;
    bool setTimer(WindowHandle window, std::uintptr_t timerId, unsigned periodMs) override;
};

}  // namespace vork::win32
