#include "app/dialog_logic.h"

#include <algorithm>

#include "input/typed_text.h"
#include "link/phone_listener.h"
#include "link/phone_protocol.h"

namespace vork {

void DialogLogic::initialise() {
    if (keyMaps_) controller_.setKeyMap(keyMaps_->keyMap());
    mode_ = IdleMode;
    showImages(false, false, false);
    modeChanged();
}

bool DialogLogic::handleLinkMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    switch (message) {
    case WM_PHONE_STATUS: handleStatus(mailbox_.readStatus()); return true;
    case WM_PHONE_NOTICE: handleNotice(mailbox_.readNotice()); return true;
    case WM_PHONE_REQUEST: showRequest(mailbox_.readRequest()); return true;
    case WM_PHONE_COMMAND: {
        const LinkText command = mailbox_.readCommand();
        runCommand(command.origin, command.text);
        return true;
    }
    case WM_WEB_INPUT: handleWebInput(mailbox_.readWebInput()); return true;
    case WM_LINK_RELEASE: handleRelease(wParam, lParam == LINK_DEPARTED); return true;
    case WM_REQUEST_WITHDRAWN:
        if (shownRequest_ && shownRequest_->number == wParam) leaveRequest();
        return true;
    case WM_WEB_SERVER: {
        const auto server = static_cast<WebServerState>(wParam);
        view_.showWebServer(server, static_cast<std::uint16_t>(lParam));
        remoteOn_ = server == WebServerState::Listening || server == WebServerState::Retrying;
        showNotice();
        return true;
    }
    case WM_SWITCH_WANTED: view_.switchWanted(wParam != 0); return true;
    default: return false;
    }
}

void DialogLogic::handleStatus(const LinkText& status) {
    if (status.text == CONNECTED_STATUS) {
        if (status.origin.connection != 0) connected_[status.origin.connection] = status.origin.kind;
        // A trusted phone is already admitted by its link; the window only
        // shows it, after a request on screen from another link is answered.
        if (shownRequest_) {
            modeBeforeRequest_ = ConnectedMode;
            statusBeforeRequest_ = status.text;
            connectedNameBeforeRequest_ = status.detail;
        } else {
            connectedName_ = status.detail;
            showConnected();
        }
        return;
    }
    if (status.origin.kind == LinkKind::Bluetooth) {
        // The status line keeps the listener's own text; the hint says the browser is the way.
        const bool none = status.text.starts_with(NO_BLUETOOTH_PREFIX);
        if ((none || status.text == WAITING_STATUS) && none != noBluetooth_) {
            noBluetooth_ = none;
            showNotice();
        }
    }
    if (belongsElsewhere(status.origin.kind)) {
        movedStatus_ = status.text;
        showNotice();
        return;
    }
    setStatus(status.text);
    if (!movedStatus_.empty()) {
        movedStatus_.clear();
        showNotice();
    }
}

bool DialogLogic::belongsElsewhere(LinkKind kind) const {
    if (shownRequest_ && shownRequest_->origin.kind != kind) return true;
    return std::any_of(connected_.begin(), connected_.end(),
                       [kind](const auto& connection) { return connection.second != kind; });
}

void DialogLogic::handleNotice(const Notice& notice) {
    (notice.warning ? warning_ : loginNotice_) = notice.text;
    showNotice();
}

void DialogLogic::showNotice() {
    std::string text = !loginNotice_.empty() ? loginNotice_ : !movedStatus_.empty() ? movedStatus_ : warning_;
    hintShown_ = text.empty() && hintWanted();
    if (hintShown_) text = std::string(noBluetooth_ ? NO_BLUETOOTH_HINT : CONNECT_HINT);
    view_.setNoticeText(text);
}

void DialogLogic::runCommand(LinkOrigin origin, const std::string& command) {
    refreshKeyMaps();
    controller_.dispatch(command);
    afterCommand(origin);
}

void DialogLogic::refreshKeyMaps() {
    if (!keyMaps_) return;
    // A broken file keeps the last good map; the user sees why.
    if (const auto problem = keyMaps_->refresh(clock_.nowMs())) setStatus(*problem);
    controller_.setKeyMap(keyMaps_->keyMap());
}

void DialogLogic::afterCommand(LinkOrigin origin) {
    // Any command ends the held action; one that starts another makes its link the holder.
    holder_.reset();
    if (controller_.heldAction() != HeldAction::None) {
        holder_ = origin;
        holderSignMs_ = clock_.nowMs();
    }
    syncRepeatTimer();
    // The command may have brought another window to the front.
    if (origin.kind == LinkKind::Browser && shownPages_.contains(origin.connection))
        sendLabels(origin.connection, currentLabels(), false);
}

void DialogLogic::handleWebInput(const WebInput& input) {
    const LinkOrigin page{LinkKind::Browser, input.page};
    switch (input.kind) {
    case WebInput::Kind::Command: runCommand(page, input.command); return;
    case WebInput::Kind::Text:
        // The link checked the text; what fails to decode now is typed as nothing.
        if (const std::optional<TypedText> text = decodeTypedText(input.command))
            controller_.typeText(static_cast<std::size_t>(std::max(0, input.dx)), text->units);
        afterCommand(page);
        return;
    case WebInput::Kind::Press:
        controller_.pressKeys(input.command);
        afterCommand(page);
        return;
    case WebInput::Kind::Media:
        if (input.dx >= 0 && static_cast<std::size_t>(input.dx) < MEDIA_KEYS.size()) {
            refreshKeyMaps();
            controller_.pressMediaKey(static_cast<MediaKey>(input.dx));
            afterCommand(page);
        }
        return;
    case WebInput::Kind::Visible: pageShown(input.page, input.dx != 0); return;
    case WebInput::Kind::Move: controller_.movePointer(input.dx, input.dy); break;
    case WebInput::Kind::Scroll: controller_.scroll(input.dy); break;
    case WebInput::Kind::LeftClick: controller_.leftClick(); break;
    case WebInput::Kind::RightClick: controller_.rightClick(); break;
    case WebInput::Kind::Beat: break;
    }
    if (holder_ == page) holderSignMs_ = clock_.nowMs();
}

void DialogLogic::pageShown(ConnectionId page, bool shown) {
    const bool watching = !shownPages_.empty();
    if (shown) {
        sendLabels(page, currentLabels(), true);
    } else {
        shownPages_.erase(page);
    }
    if (watching != !shownPages_.empty()) view_.setLabelWatch(!watching);
}

void DialogLogic::sendLabels(ConnectionId page, const std::string& message, bool always) {
    std::string& sent = shownPages_[page];
    if (!always && sent == message) return;
    sent = message;
    view_.sendToPage(page, message);
}

std::string DialogLogic::currentLabels() {
    refreshKeyMaps();
    return labelsMessage(controller_.keypadLabels());
}

void DialogLogic::handleLabelWatch() {
    if (shownPages_.empty()) return;
    const std::string message = currentLabels();
    for (const auto& entry : shownPages_) sendLabels(entry.first, message, false);
}

void DialogLogic::handleRelease(ConnectionId connection, bool departed) {
    if (holder_ && holder_->connection == connection) stopHeld();
    if (!departed) return;
    connected_.erase(connection);
    if (shownPages_.contains(connection)) pageShown(connection, false);
    // Nobody could answer the request the gone link left on screen.
    leaveClosedRequest();
}

void DialogLogic::stopHeld() {
    controller_.resetHeld();
    holder_.reset();
    syncRepeatTimer();
}

void DialogLogic::leaveClosedRequest() {
    if (shownRequest_ && !state_.isOpen(shownRequest_->number)) leaveRequest();
}

bool DialogLogic::preTranslateKey(unsigned virtualKey) {
    if (virtualKey == VK_RETURN_KEY) {
        if (mode_ == ConnectedMode) hide();
        if (mode_ == RequestMode && shownRequest_ && clock_.nowMs() - shownRequest_->shownAtMs >= ENTER_ACCEPTS_AFTER_MS)
            accept();
        return true;
    }
    if (virtualKey == VK_ESCAPE_KEY) {
        hide();
        return true;
    }
    return false;
}

bool DialogLogic::handleClick(int controlId) {
    switch (controlId) {
    case ACCEPT_BUTTON_ID: accept(); return true;
    case DECLINE_BUTTON_ID: decline(); return true;
    case HIDE_BUTTON_ID: hide(); return true;
    case NOTICE_LINE_ID:
        if (!hintShown_) return false;
        view_.openConnectPage();
        return true;
    default: return false;
    }
}

void DialogLogic::handleTimer() {
    // A page whose release was lost (or whose server stopped) cannot hold on for ever.
    if (holder_ && holder_->kind == LinkKind::Browser && clock_.nowMs() - holderSignMs_ >= WEB_HOLD_LIMIT_MS) {
        stopHeld();
        return;
    }
    controller_.tick();
    syncRepeatTimer();
}

std::optional<RequestNumber> DialogLogic::shownRequest() const {
    return shownRequest_ ? std::optional(shownRequest_->number) : std::nullopt;
}

void DialogLogic::accept() {
    if (!shownRequest_) return;  // nothing on screen to accept
    if (!state_.answer(shownRequest_->number, Accepted, clock_.nowMs())) {
        leaveRequest();  // its phone went away before the click
        return;
    }
    connected_[shownRequest_->origin.connection] = shownRequest_->origin.kind;
    connectedName_ = shownRequest_->name;
    shownRequest_.reset();
    showConnected();
}

void DialogLogic::decline() {
    if (!shownRequest_) return;
    state_.answer(shownRequest_->number, Rejected, clock_.nowMs());
    shownRequest_.reset();
    mode_ = IdleMode;
    showImages(false, false, false);
    modeChanged();
}

void DialogLogic::showRequest(const PhoneRequest& request) {
    if (!shownRequest_) {
        modeBeforeRequest_ = mode_;
        statusBeforeRequest_ = status_;
        connectedNameBeforeRequest_ = connectedName_;
    }
    shownRequest_ = ShownRequest{request.number, request.origin, clock_.nowMs(), request.name};
    mode_ = RequestMode;
    showImages(true, true, false);
    setStatus(request.name + std::string(REQUEST_SUFFIX));
    modeChanged();
    view_.alertRequest(request.name);
}

void DialogLogic::showConnected() {
    mode_ = ConnectedMode;
    setStatus(std::string(CONNECTED_STATUS));
    showImages(false, false, true);
    modeChanged();
}

void DialogLogic::modeChanged() {
    showTray();
    showNotice();
}

bool DialogLogic::hintWanted() const {
    return mode_ == IdleMode && !shownRequest_ && connected_.empty() && !remoteOn_;
}

void DialogLogic::showTray() {
    view_.showTray(mode_, mode_ == RequestMode && shownRequest_ ? shownRequest_->name : connectedName_);
}

void DialogLogic::setStatus(const std::string& text) {
    status_ = text;
    view_.setStatusText(text);
}

void DialogLogic::leaveRequest() {
    shownRequest_.reset();
    mode_ = modeBeforeRequest_;
    connectedName_ = connectedNameBeforeRequest_;
    setStatus(statusBeforeRequest_);
    showImages(false, false, mode_ == ConnectedMode);
    modeChanged();
}

void DialogLogic::showImages(bool accept, bool decline, bool hide) {
    view_.showControl(ACCEPT_BUTTON_ID, accept);
    view_.showControl(DECLINE_BUTTON_ID, decline);
    view_.showControl(HIDE_BUTTON_ID, hide);
}

void DialogLogic::syncRepeatTimer() {
    const bool needed = controller_.heldAction() != HeldAction::None;
    if (needed == timerRunning_) return;
    timerRunning_ = needed;
    view_.setRepeatTimer(needed);
}

}  // namespace vork
