// What the window shows and how the user answers it: the mode, the status
// and notice lines (with the way to connect while nothing is), the request
// on screen and ACCEPT, DECLINE and HIDE, Enter and Escape, the icon by the
// clock's texts.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "app/window_view.h"
#include "link/connection_state.h"
#include "link/link_events.h"
#include "platform/clock.h"

namespace vork {

inline constexpr std::string_view REQUEST_SUFFIX = " requesting connection.";
// Shown on the notice line while nothing is connected and the browser remote
// is off; a click on it opens the Connect page.
inline constexpr std::string_view CONNECT_HINT = "Connect a phone: click here";
inline constexpr std::string_view NO_BLUETOOTH_HINT = "No Bluetooth? Connect by browser: click here";
// The listener's status texts that say there is no Bluetooth here.
inline constexpr std::string_view NO_BLUETOOTH_PREFIX = "Cannot find bluetooth";
// Enter pressed to hide the window just as a request appears must not let a stranger in.
inline constexpr std::uint64_t ENTER_ACCEPTS_AFTER_MS = 1000;

class WindowPresenter {
public:
    WindowPresenter(WindowView& view, WindowActions& actions, ConnectionState& state, const Clock& clock)
        : view_(view), actions_(actions), state_(state), clock_(clock) {}

    // Mode idle, the three images hidden.
    void initialise();
    void show(const StatusEvent& status);
    void show(const NoticeEvent& notice);
    void show(const RequestEvent& request);
    void withdrawn(RequestNumber number);
    void showServer(const ServerEvent& server);
    // The connection has gone: it is no longer connected, and a request it left on screen goes.
    void departed(ConnectionId connection);
    // A text for the status line from the core itself (a settings file that cannot be used).
    void problem(const std::string& text) { setStatus(text); }

    // A key-down before normal dialog processing; true when it was consumed.
    bool preTranslateKey(unsigned virtualKey);
    // A click on one of the image controls, or on the notice line while it
    // shows the way to connect; false for any other control.
    bool handleClick(int controlId);
    // Accept and decline answer the request on screen, and only that one.
    void accept();
    void decline();
    void hide() { view_.minimise(); }

    [[nodiscard]] DialogMode mode() const { return mode_; }
    [[nodiscard]] std::optional<RequestNumber> shownRequest() const;

private:
    struct ShownRequest {
        RequestNumber number = 0;
        LinkOrigin origin;
        std::uint64_t shownAtMs = 0;
        std::string name;
    };

    void showConnected();
    // The request on screen is over without an answer: back to the mode and status before it.
    void leaveRequest();
    void showImages(bool accept, bool decline, bool hide);
    void setStatus(const std::string& text);
    // A link's own status texts go to the notice line while another link's
    // request is on screen or another link is connected.
    [[nodiscard]] bool belongsElsewhere(LinkKind kind) const;
    void showNotice();
    void showTray();
    // The mode changed: the icon by the clock and the notice line follow.
    void modeChanged();
    // Nothing connected, nothing asking, and no browser remote: the notice
    // line says how to connect a phone.
    [[nodiscard]] bool hintWanted() const;

    WindowView& view_;
    WindowActions& actions_;
    ConnectionState& state_;
    const Clock& clock_;
    DialogMode mode_ = IdleMode;
    DialogMode modeBeforeRequest_ = IdleMode;
    std::optional<ShownRequest> shownRequest_;
    std::string status_;
    // Who is connected (or asks), for the notification area.
    std::string connectedName_;
    std::string connectedNameBeforeRequest_;
    // What the status line said before the request on screen, to say again
    // when the request goes away unanswered.
    std::string statusBeforeRequest_;
    // The connections the window has shown connected and that are still there.
    std::map<ConnectionId, LinkKind> connected_;
    // The notice line: a login's notice, else a link's status moved off the
    // status line, else the standing warning, else the way to connect.
    std::string loginNotice_;
    std::string movedStatus_;
    std::string warning_;
    bool hintShown_ = false;
    bool remoteOn_ = false;
    bool noBluetooth_ = false;
};

}  // namespace vork
