// The window as the core sees it, free of any window-system type: its
// controls and modes, what it shows and the timers it runs for the core;
// and what the window asks of the rest of Vork.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "link/link_events.h"
#include "platform/non_copyable.h"

namespace vork {

enum ControlId : int {
    ACCEPT_BUTTON_ID = 1000,
    STATUS_LINE_ID = 1001,
    DECLINE_BUTTON_ID = 1002,
    HIDE_BUTTON_ID = 1003,
    NOTICE_LINE_ID = 1004,
    ADDRESS_LINE_ID = 1005,
};

enum DialogMode : std::int32_t {
    IdleMode = 0,
    RequestMode = 1,
    ConnectedMode = 2,
};

class WindowView : public Interface {
public:
    virtual void setStatusText(const std::string& text) = 0;
    virtual void setNoticeText(const std::string& text) = 0;
    virtual void showControl(ControlId control, bool visible) = 0;
    virtual void minimise() = 0;
    // The repeat timer runs only while a held action needs it.
    virtual void setRepeatTimer(bool running) = 0;
    // The browser remote's line below the buttons; the window grows or
    // shrinks to show its lines (0: none).
    virtual void showAddressLine(const std::string& text, std::size_t lines) = 0;
    // The mode for the notification area, with who connected or asks.
    virtual void showTray(DialogMode mode, const std::string& name) = 0;
    // A request arrived: a window the user cannot see flashes and notifies,
    // without coming to the front.
    virtual void alertRequest(const std::string& name) = 0;
    // The label watch's timer runs only while a page is shown.
    virtual void setLabelWatch(bool running) = 0;
};

// What the window's logic asks of the rest of Vork.
class WindowActions : public Interface {
public:
    // A message for one browser page: its keypad's labels.
    virtual void sendToPage(ConnectionId page, const std::string& text) = 0;
    // The Connect page, in the user's browser.
    virtual void openConnectPage() = 0;
    // The user asked on the Connect page for the browser remote on or off.
    virtual void switchWanted(bool on) = 0;
    // The browser remote's server changed its state.
    virtual void serverChanged(WebServerState state, std::uint16_t port) = 0;
};

}  // namespace vork
