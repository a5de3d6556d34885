#include "app/dialog_logic.h"

#include "link/phone_protocol.h"

namespace vork {

void DialogLogic::initialise() {
    if (keyMaps_) controller_.setKeyMap(keyMaps_->keyMap());
    mode_ = IdleMode;
    showImages(false, false, false);
}

bool DialogLogic::handlePhoneMessage(unsigned message) {
    switch (message) {
    case WM_PHONE_STATUS: {
        const std::string status = mailbox_.readStatus();
        // A trusted phone is already admitted by its link; the window only
        // shows it, after a request on screen from another link is answered.
        if (status == CONNECTED_STATUS && shownRequest_) {
            modeBeforeRequest_ = ConnectedMode;
            statusBeforeRequest_ = status;
        } else if (status == CONNECTED_STATUS) {
            showConnected();
        } else {
            setStatus(status);
        }
        return true;
    }
    case WM_PHONE_NOTICE: view_.setNoticeText(mailbox_.readNotice()); return true;
    case WM_PHONE_REQUEST: showRequest(mailbox_.readRequest()); return true;
    case WM_PHONE_COMMAND:
        dispatchCommand(mailbox_.readCommand());
        heldByWeb_ = false;
        return true;
    case WM_WEB_INPUT: handleWebInput(mailbox_.readWebInput()); return true;
    case WM_PHONE_DISCONNECTED:
        // Nobody could stop a pointer or volume the gone phone was holding,
        // nor answer the request it left on screen.
        controller_.resetHeld();
        syncRepeatTimer();
        leaveClosedRequest();
        return true;
    default: return false;
    }
}

void DialogLogic::dispatchCommand(const std::string& command) {
    if (keyMaps_) {
        // A broken file keeps the last good map; the user sees why.
        if (const auto problem = keyMaps_->refresh()) setStatus(*problem);
        controller_.setKeyMap(keyMaps_->keyMap());
    }
    controller_.dispatch(command);
    syncRepeatTimer();
}

void DialogLogic::handleWebInput(const WebInput& input) {
    switch (input.kind) {
    case WebInput::Kind::Command:
        dispatchCommand(input.command);
        heldByWeb_ = true;
        return;
    case WebInput::Kind::Move: controller_.movePointer(input.dx, input.dy); return;
    case WebInput::Kind::Scroll: controller_.scroll(input.dy); return;
    case WebInput::Kind::LeftClick: controller_.leftClick(); return;
    case WebInput::Kind::RightClick: controller_.rightClick(); return;
    case WebInput::Kind::Release:
    case WebInput::Kind::Gone:
        if (heldByWeb_) {
            controller_.resetHeld();
            syncRepeatTimer();
        }
        if (input.kind == WebInput::Kind::Gone) leaveClosedRequest();
        return;
    }
}

void DialogLogic::leaveClosedRequest() {
    if (shownRequest_ && !state_.isOpen(*shownRequest_)) leaveRequest();
}

bool DialogLogic::preTranslateKey(unsigned virtualKey) {
    if (virtualKey == VK_RETURN_KEY) {
        if (mode_ == ConnectedMode) hide();
        if (mode_ == RequestMode) accept();
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
    default: return false;
    }
}

void DialogLogic::handleTimer() {
    controller_.tick();
    syncRepeatTimer();
}

void DialogLogic::accept() {
    if (!shownRequest_) return;  // nothing on screen to accept
    if (!state_.answer(*shownRequest_, Accepted)) {
        leaveRequest();  // its phone went away before the click
        return;
    }
    shownRequest_.reset();
    showConnected();
}

void DialogLogic::decline() {
    if (!shownRequest_) return;
    state_.answer(*shownRequest_, Rejected);
    shownRequest_.reset();
    mode_ = IdleMode;
    showImages(false, false, false);
}

void DialogLogic::showRequest(const PhoneRequest& request) {
    if (!shownRequest_) {
        modeBeforeRequest_ = mode_;
        statusBeforeRequest_ = status_;
    }
    shownRequest_ = request.number;
    mode_ = RequestMode;
    showImages(true, true, false);
    setStatus(request.name + std::string(REQUEST_SUFFIX));
}

void DialogLogic::showConnected() {
    mode_ = ConnectedMode;
    setStatus(std::string(CONNECTED_STATUS));
    showImages(false, false, true);
}

void DialogLogic::setStatus(const std::string& text) {
    status_ = text;
    view_.setStatusText(text);
}

void DialogLogic::leaveRequest() {
    shownRequest_.reset();
    mode_ = modeBeforeRequest_;
    setStatus(statusBeforeRequest_);
    showImages(false, false, mode_ == ConnectedMode);
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
