// What the main window does, free of any window-system type: its mode, the
// phone's notifications, accept/decline/hide, Enter and Escape, the timer.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "config/key_map_source.h"
#include "link/connection_state.h"
#include "link/ui_mailbox.h"
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
inline constexpr std::uintptr_t REPEAT_TIMER_ID = 100;
inline constexpr unsigned REPEAT_PERIOD_MS = 50;

// The window as the logic sees it.
class DialogView : public Interface {
public:
    virtual void setStatusText(const std::string& text) = 0;
    virtual void setNoticeText(const std::string& text) = 0;
    virtual void showControl(ControlId control, bool visible) = 0;
    virtual void minimise() = 0;
    // The repeat timer runs only while a held action needs it.
    virtual void setRepeatTimer(bool running) = 0;
};

class DialogLogic {
public:
    // keyMaps: the settings file to follow, or none.
    DialogLogic(DialogView& view, UiMailbox& mailbox, ConnectionState& state, RemoteController& controller,
                KeyMapSource* keyMaps = nullptr)
        : view_(view), mailbox_(mailbox), state_(state), controller_(controller), keyMaps_(keyMaps) {}

    // Mode idle, the three images hidden.
    void initialise();
    // The phone's notifications; false for any other message.
    bool handlePhoneMessage(unsigned message);
    // A key-down before normal dialog processing; true when it was consumed.
    bool preTranslateKey(unsigned virtualKey);
    // A click on one of the image controls; false for any other control.
    bool handleClick(int controlId);
    void handleTimer();

    // Accept and decline answer the request on screen, and only that one.
    void accept();
    void decline();
    void hide() { view_.minimise(); }

    [[nodiscard]] DialogMode mode() const { return mode_; }
    [[nodiscard]] std::optional<RequestNumber> shownRequest() const { return shownRequest_; }
    [[nodiscard]] bool repeatTimerRunning() const { return timerRunning_; }

private:
    void showRequest(const PhoneRequest& request);
    void showConnected();
    // The request on screen is over without an answer: back to the mode and status before it.
    void leaveRequest();
    void showImages(bool accept, bool decline, bool hide);
    void setStatus(const std::string& text);
    void dispatchCommand(const std::string& command);
    void handleWebInput(const WebInput& input);
    // A request whose link withdrew it is taken off the screen.
    void leaveClosedRequest();
    void syncRepeatTimer();

    DialogView& view_;
    UiMailbox& mailbox_;
    ConnectionState& state_;
    RemoteController& controller_;
    KeyMapSource* keyMaps_;
    DialogMode mode_ = IdleMode;
    DialogMode modeBeforeRequest_ = IdleMode;
    std::optional<RequestNumber> shownRequest_;
    std::string status_;
    // What the status line said before the request on screen, to say again
    // when the request goes away unanswered.
    std::string statusBeforeRequest_;
    bool timerRunning_ = false;
    // The held action running was started by the browser remote, which may
    // stop it; a Bluetooth phone's is stopped only by its own link.
    bool heldByWeb_ = false;
};

}  // namespace vork
