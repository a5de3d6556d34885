// How the listener's notifications reach the main window.
#pragma once

#include "platform/non_copyable.h"

namespace vork {

inline constexpr unsigned WM_USER_BASE = 0x0400;
inline constexpr unsigned WM_PHONE_STATUS = WM_USER_BASE + 100;
inline constexpr unsigned WM_PHONE_NOTICE = WM_USER_BASE + 101;
inline constexpr unsigned WM_PHONE_REQUEST = WM_USER_BASE + 102;
inline constexpr unsigned WM_PHONE_COMMAND = WM_USER_BASE + 103;
inline constexpr unsigned WM_PHONE_DISCONNECTED = WM_USER_BASE + 104;
inline constexpr unsigned WM_WEB_INPUT = WM_USER_BASE + 105;

class Notifier : public Interface {
public:
    // Posts a parameterless message; false when it could not be queued.
    virtual bool post(unsigned message) = 0;
};

}  // namespace vork
