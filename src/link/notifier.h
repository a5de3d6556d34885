// How the listener's notifications reach the main window.
#pragma once

#include "platform/non_copyable.h"
#include "platform/window_handle.h"
#include "platform/window_manager.h"

namespace vork {

inline constexpr unsigned WM_USER_BASE = 0x0400;
inline constexpr unsigned WM_PHONE_STATUS = WM_USER_BASE + 100;
inline constexpr unsigned WM_PHONE_NOTICE = WM_USER_BASE + 101;
inline constexpr unsigned WM_PHONE_REQUEST = WM_USER_BASE + 102;
inline constexpr unsigned WM_PHONE_COMMAND = WM_USER_BASE + 103;
inline constexpr unsigned WM_PHONE_DISCONNECTED = WM_USER_BASE + 104;

class Notifier : public Interface {
public:
    // Posts a parameterless message; false when it could not be queued.
    virtual bool post(unsigned message) = 0;
};

// Posts to one window through the window manager.
class WindowNotifier final : public Notifier {
public:
    WindowNotifier(WindowManager& windows, WindowHandle target) : windows_(windows), target_(target) {}
    bool post(unsigned message) override { return windows_.postMessage(target_, message); }

private:
    WindowManager& windows_;
    WindowHandle target_;
};

}  // namespace vork
