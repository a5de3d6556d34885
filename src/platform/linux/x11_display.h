// One connection to the X server, closed with its owner.
#pragma once

#include <X11/Xlib.h>

#include <memory>

namespace vork::linux_x11 {

struct CloseDisplay {
    void operator()(Display* display) const { XCloseDisplay(display); }
};
using DisplayConnection = std::unique_ptr<Display, CloseDisplay>;

// The server $DISPLAY names; empty when there is none (a console, or Wayland without XWayland).
inline DisplayConnection openDisplay() { return DisplayConnection(XOpenDisplay(nullptr)); }

struct FreeX {
    void operator()(void* data) const {
        if (data) XFree(data);
    }
};
template <class T>
using XData = std::unique_ptr<T, FreeX>;

}  // namespace vork::linux_x11
