#include "app/window_presenter.h"

#include <algorithm>

#include "bluetooth/phone_listener.h"
#include "link/link_words.h"
#include "input/key_codes.h"

namespace vork {

void WindowPresenter::initialise() {
    mode_ = IdleMode;
    showImages(false, false, false);
    modeChanged();
}

void WindowPresenter::show(const StatusEvent& status) {
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

bool WindowPresenter::belongsElsewhere(LinkKind kind) const {
    if (shownRequest_ && shownRequest_->origin.kind != kind) return true;
    return std::any_of(connected_.begin(), connected_.end(),
                       [kind](const auto& connection) { return connection.second != kind; });
}

void WindowPresenter::show(const NoticeEvent& notice) {
    (notice.warning ? warning_ : loginNotice_) = notice.text;
    showNotice();
}

void WindowPresenter::showNotice() {
    std::string text = !loginNotice_.empty() ? loginNotice_ : !movedStatus_.empty() ? movedStatus_ : warning_;
    hintShown_ = text.empty() && hintWanted();
    if (hintShown_) text = std::string(noBluetooth_ ? NO_BLUETOOTH_HINT : CONNECT_HINT);
    view_.setNoticeText(text);
}

void WindowPresenter::show(const RequestEvent& request) {
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

void WindowPresenter::withdrawn(RequestNumber number) {
    if (shownRequest_ && shownRequest_->number == number) leaveRequest();
}

void WindowPresenter::showServer(const ServerEvent& server) {
    actions_.serverChanged(server.state, server.port);
    remoteOn_ = server.state == WebServerState::Listening || server.state == WebServerState::Retrying;
    showNotice();
}

void WindowPresenter::departed(ConnectionId connection) {
    connected_.erase(connection);
    // Nobody could answer the request the gone link left on screen.
    if (shownRequest_ && !state_.isOpen(shownRequest_->number)) leaveRequest();
}

bool WindowPresenter::preTranslateKey(unsigned virtualKey) {
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

bool WindowPresenter::handleClick(int controlId) {
    switch (controlId) {
    case ACCEPT_BUTTON_ID: accept(); return true;
    case DECLINE_BUTTON_ID: decline(); return true;
    case HIDE_BUTTON_ID: hide(); return true;
    case NOTICE_LINE_ID:
        if (!hintShown_) return false;
        actions_.openConnectPage();
        return true;
    default: return false;
    }
}

std::optional<RequestNumber> WindowPresenter::shownRequest() const {
    return shownRequest_ ? std::optional(shownRequest_->number) : std::nullopt;
}

void WindowPresenter::accept() {
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

void WindowPresenter::decline() {
    if (!shownRequest_) return;
    state_.answer(shownRequest_->number, Rejected, clock_.nowMs());
    shownRequest_.reset();
    mode_ = IdleMode;
    showImages(false, false, false);
    modeChanged();
}

void WindowPresenter::showConnected() {
    mode_ = ConnectedMode;
    setStatus(std::string(CONNECTED_STATUS));
    showImages(false, false, true);
    modeChanged();
}

void WindowPresenter::modeChanged() {
    showTray();
    showNotice();
}

bool WindowPresenter::hintWanted() const {
    return mode_ == IdleMode && !shownRequest_ && connected_.empty() && !remoteOn_;
}

void WindowPresenter::showTray() {
    view_.showTray(mode_, mode_ == RequestMode && shownRequest_ ? shownRequest_->name : connectedName_);
}

void WindowPresenter::setStatus(const std::string& text) {
    status_ = text;
    view_.setStatusText(text);
}

void WindowPresenter::leaveRequest() {
    shownRequest_.reset();
    mode_ = modeBeforeRequest_;
    connectedName_ = connectedNameBeforeRequest_;
    setStatus(statusBeforeRequest_);
    showImages(false, false, mode_ == ConnectedMode);
    modeChanged();
}

void WindowPresenter::showImages(bool accept, bool decline, bool hide) {
    view_.showControl(ACCEPT_BUTTON_ID, accept);
    view_.showControl(DECLINE_BUTTON_ID, decline);
    view_.showControl(HIDE_BUTTON_ID, hide);
}

}  // namespace vork
