// What the main window does, free of any window-system type: its mode, the
// links' notifications, accept/decline/hide, Enter and Escape, the timer.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "config/key_map_source.h"
#include "link/connection_state.h"
#include "link/ui_mailbox.h"
#include "platform/clock.h"
#include "platform/non_copyable.h"
#include "platform/virtual_keys.h"
#include "remote/remote_controller.h"

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

inline constexpr std::string_view REQUEST_SUFFIX = " requesting connection.";
// Shown on the notice line while nothing is connected and the browser remote
// is off; a click on it opens the Connect page.
inline constexpr std::string_view CONNECT_HINT = "Connect a phone: click here";
inline constexpr std::string_view NO_BLUETOOTH_HINT = "No Bluetooth? Connect by browser: click here";
// The listener's status texts that say there is no Bluetooth here.
inline constexpr std::string_view NO_BLUETOOTH_PREFIX = "Cannot find bluetooth";
inline constexpr std::uintptr_t REPEAT_TIMER_ID = 100;
inline constexpr unsigned REPEAT_PERIOD_MS = 50;
// While a browser page is shown, the window in front is looked at this often
// for its keypad's labels; never while none is.
inline constexpr std::uintptr_t LABEL_TIMER_ID = 101;
inline constexpr unsigned LABEL_WATCH_PERIOD_MS = 500;
// Enter pressed to hide the window just as a request appears must not let a stranger in.
inline constexpr std::uint64_t ENTER_ACCEPTS_AFTER_MS = 1000;
// A browser's held key stops by itself when its page shows no sign for this long.
inline constexpr std::uint64_t WEB_HOLD_LIMIT_MS = 1500;

// The window as the logic sees it.
class DialogView : public Interface {
public:
    virtual void setStatusText(const std::string& text) = 0;
    virtual void setNoticeText(const std::string& text) = 0;
    virtual void showControl(ControlId control, bool visible) = 0;
    virtual void minimise() = 0;
    // The repeat timer runs only while a held action needs it.
    virtual void setRepeatTimer(bool running) = 0;
    // The browser remote's server changed its state.
    virtual void showWebServer(WebServerState state, std::uint16_t port) = 0;
    // The mode for the notification area, with who connected or asks.
    virtual void showTray(DialogMode mode, const std::string& name) = 0;
    // A request arrived: a window the user cannot see flashes and notifies,
    // without coming to the front.
    virtual void alertRequest(const std::string& name) = 0;
    // The user asked on the Connect page for the browser remote on or off.
    virtual void switchWanted(bool on) = 0;
    // A message for one browser page: its keypad's labels.
    virtual void sendToPage(ConnectionId page, const std::string& text) = 0;
    // The label watch's timer runs only while a page is shown.
    virtual void setLabelWatch(bool running) = 0;
    // The Connect page, in the user's browser.
    virtual void openConnectPage() = 0;
};

class DialogLogic {
public:
    // keyMaps: the settings file to follow, or none.
    DialogLogic(DialogView& view, UiMailbox& mailbox, ConnectionState& state, RemoteController& controller,
                const Clock& clock, KeyMapSource* keyMaps = nullptr)
        : view_(view), mailbox_(mailbox), state_(state), controller_(controller), clock_(clock), keyMaps_(keyMaps) {}

    // Mode idle, the three images hidden.
    void initialise();
    // The links' notifications; false for any other message.
    bool handleLinkMessage(unsigned message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);
    // A key-down before normal dialog processing; true when it was consumed.
    bool preTranslateKey(unsigned virtualKey);
    // A click on one of the image controls, or on the notice line while it
    // shows the way to connect; false for any other control.
    bool handleClick(int controlId);
    void handleTimer();
    // The label watch's timer: shown pages learn what the keys do in the
    // window now in front, when that changed.
    void handleLabelWatch();

    // Accept and decline answer the request on screen, and only that one.
    void accept();
    void decline();
    void hide() { view_.minimise(); }

    [[nodiscard]] DialogMode mode() const { return mode_; }
    [[nodiscard]] std::optional<RequestNumber> shownRequest() const;
    [[nodiscard]] bool repeatTimerRunning() const { return timerRunning_; }
    [[nodiscard]] bool labelWatchRunning() const { return !shownPages_.empty(); }

private:
    struct ShownRequest {
        RequestNumber number = 0;
        LinkOrigin origin;
        std::uint64_t shownAtMs = 0;
        std::string name;
    };

    void handleStatus(const LinkText& status);
    void handleNotice(const Notice& notice);
    void showRequest(const PhoneRequest& request);
    void showConnected();
    // The request on screen is over without an answer: back to the mode and status before it.
    void leaveRequest();
    void showImages(bool accept, bool decline, bool hide);
    void setStatus(const std::string& text);
    void runCommand(LinkOrigin origin, const std::string& command);
    // After any command: its link holds the held action it started, and its
    // page learns what the keys do now.
    void afterCommand(LinkOrigin origin);
    void refreshKeyMaps();
    void handleWebInput(const WebInput& input);
    void pageShown(ConnectionId page, bool shown);
    // The labels for the window in front, with the key maps as they are now.
    std::string currentLabels();
    // The labels to a shown page, unless it has them already (or always).
    void sendLabels(ConnectionId page, const std::string& message, bool always);
    void handleRelease(ConnectionId connection, bool departed);
    void stopHeld();
    // A request whose link withdrew it is taken off the screen.
    void leaveClosedRequest();
    void syncRepeatTimer();
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

    DialogView& view_;
    UiMailbox& mailbox_;
    ConnectionState& state_;
    RemoteController& controller_;
    const Clock& clock_;
    KeyMapSource* keyMaps_;
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
    // status line, else the standing warning.
    std::string loginNotice_;
    std::string movedStatus_;
    std::string warning_;
    bool hintShown_ = false;
    bool remoteOn_ = false;
    bool noBluetooth_ = false;
    bool timerRunning_ = false;
    // The browser pages in view, with the labels each was last sent.
    std::map<ConnectionId, std::string> shownPages_;
    // Who started the held action running; only it may stop it, besides a new command.
    std::optional<LinkOrigin> holder_;
    std::uint64_t holderSignMs_ = 0;
};

}  // namespace vork
