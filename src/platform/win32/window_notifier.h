// Posts the links' notifications to one window. It keeps nothing but the
// window's handle, so it may outlive the window: a post to a window that is
// gone simply fails.
#pragma once

#include <windows.h>

#include "platform/notifier.h"

namespace vork::win32 {

class WindowNotifier final : public Notifier {
public:
    explicit WindowNotifier(HWND target) : target_(target) {}
    bool post(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override {
        return PostMessageA(target_, message, wParam, lParam) != FALSE;
    }
    using Notifier::post;

private:
    HWND target_;
};

}  // namespace vork::win32
