// Wakes one window's thread for the links: each wake is one posted message
// carrying its channel. It keeps nothing but the window's handle, so it may
// outlive the window: a post to a window that is gone simply fails.
#pragma once

#include <windows.h>

#include "platform/notifier.h"

namespace vork::win32 {

// wParam: the channel the wake carries.
inline constexpr UINT WM_LINK_WAKE = WM_APP + 16;

class WindowNotifier final : public Notifier {
public:
    explicit WindowNotifier(HWND target) : target_(target) {}
    bool wake(unsigned channel) override { return PostMessageA(target_, WM_LINK_WAKE, channel, 0) != FALSE; }

private:
    HWND target_;
};

}  // namespace vork::win32
