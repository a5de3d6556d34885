#include "app/dialog_logic.h"

#include "link/phone_protocol.h"

namespace vork {

void DialogLogic::initialise() {
    mode_ = IdleMode;
    view_.showControl(ACCEPT_BUTTON_ID, false);
    view_.showControl(DECLINE_BUTTON_ID, false);
    view_.showControl(HIDE_BUTTON_ID, false);
}

bool DialogLogic::handlePhoneMessage(unsigned message) {
    switch (message) {
    case WM_PHONE_STATUS: {
        const std::string status = mailbox_.readStatus();
        if (status == CONNECTED_STATUS)
            accept();
        else
            view_.setStatusText(status);
        return true;
    }
    case WM_PHONE_NOTICE: view_.setNoticeText(mailbox_.readNotice()); return true;
    case WM_PHONE_REQUEST:
        mode_ = RequestMode;
        view_.showControl(ACCEPT_BUTTON_ID, true);
        view_.showControl(DECLINE_BUTTON_ID, true);
        view_.showControl(HIDE_BUTTON_ID, false);
        view_.setStatusText(mailbox_.readRequest() + std::string(REQUEST_SUFFIX));
        return true;
    case WM_PHONE_COMMAND: controller_.dispatch(mailbox_.readCommand()); return true;
    case WM_PHONE_DISCONNECTED:
        // Nobody could stop a pointer or volume the gone phone was holding.
        controller_.resetHeld();
        return true;
    default: return false;
    }
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

void DialogLogic::accept() {
    mode_ = ConnectedMode;
    view_.setStatusText(std::string(CONNECTED_STATUS));
    state_.set(Accepted);
    view_.showControl(ACCEPT_BUTTON_ID, false);
    view_.showControl(DECLINE_BUTTON_ID, false);
    view_.showControl(HIDE_BUTTON_ID, true);
}

void DialogLogic::decline() {
    mode_ = IdleMode;
    state_.set(Rejected);
    view_.showControl(ACCEPT_BUTTON_ID, false);
    view_.showControl(DECLINE_BUTTON_ID, false);
    view_.showControl(HIDE_BUTTON_ID, false);
}

}  // namespace vork
