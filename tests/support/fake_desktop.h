// A simulated desktop: top-level windows in window-manager order and a
// foreground window.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "event_log.h"
#include "platform/window_manager.h"

namespace vork::test {

struct FakeWindow {
    WindowHandle handle;
    std::string title;
    std::string className;
    std::string program = "explorer.exe";
    bool visible = true;
    bool minimised = false;
};

class FakeDesktop final : public WindowManager {
public:
    explicit FakeDesktop(EventLog& log) : log_(log) {}

    // Adds a window behind the existing ones; returns its handle.
    WindowHandle addWindow(std::string title, std::string className = "FakeClass");
    FakeWindow* window(WindowHandle handle);
    void setForeground(WindowHandle handle) { foreground_ = handle; }
    void clear();

    WindowHandle foregroundWindow() override { return failLookups ? WindowHandle{} : foreground_; }
    std::string windowText(WindowHandle handle, std::size_t bufferSize) override;
    std::string className(WindowHandle handle, std::size_t bufferSize) override;
    std::string programFileName(WindowHandle handle) override;
    WindowHandle findWindow(const std::optional<std::string>& className,
                            const std::optional<std::string>& title) override;
    void enumerateWindows(const std::function<bool(WindowHandle)>& visit) override;
    void activate(WindowHandle handle) override;

    std::vector<FakeWindow> windows;
    int findWindowCalls = 0;
    int programLookups = 0;
    int enumerateCalls = 0;
    int windowsVisited = 0;
    bool failLookups = false;  // no foreground window, no title, nothing found

private:
    EventLog& log_;
    WindowHandle foreground_;
    std::uintptr_t nextHandle_ = 0x100;
};

}  // namespace vork::test
