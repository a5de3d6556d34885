#include "app/command_router.h"

#include "input/media_keys.h"
#include "link/link_words.h"
#include "remote/key_labels.h"

namespace vork {

void CommandRouter::initialise() {
    if (keyMaps_) controller_.setKeyMap(keyMaps_->keyMap());
}

void CommandRouter::run(const CommandEvent& command) { runCommand(command.origin, command.command); }

void CommandRouter::runCommand(LinkOrigin origin, const std::string& command) {
    refreshKeyMaps();
    controller_.dispatch(command);
    afterCommand(origin);
}

void CommandRouter::refreshKeyMaps() {
    if (!keyMaps_) return;
    // A broken file keeps the last good map; the user sees why.
    if (const auto problem = keyMaps_->refresh(clock_.nowMs())) problem_(*problem);
    controller_.setKeyMap(keyMaps_->keyMap());
}

void CommandRouter::afterCommand(LinkOrigin origin) {
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

void CommandRouter::run(const TypedEvent& typed) {
    controller_.typeText(typed.deletions, typed.text);
    afterCommand(LinkOrigin{LinkKind::Browser, typed.page});
}

void CommandRouter::run(const PressEvent& press) {
    controller_.pressKeys(press.keys);
    afterCommand(LinkOrigin{LinkKind::Browser, press.page});
}

void CommandRouter::run(const MediaEvent& media) {
    if (media.key >= MEDIA_KEYS.size()) return;
    refreshKeyMaps();
    controller_.pressMediaKey(static_cast<MediaKey>(media.key));
    afterCommand(LinkOrigin{LinkKind::Browser, media.page});
}

void CommandRouter::run(const MoveEvent& move) {
    controller_.movePointer(move.dx, move.dy);
    signOf(move.page);
}

void CommandRouter::run(const ScrollEvent& scroll) {
    controller_.scroll(scroll.amount, scroll.across);
    signOf(scroll.page);
}

void CommandRouter::run(const ClickEvent& click) {
    if (click.right) controller_.rightClick();
    else controller_.leftClick();
    signOf(click.page);
}

void CommandRouter::run(const BeatEvent& beat) { signOf(beat.page); }

void CommandRouter::run(const VisibleEvent& visible) { pageShown(visible.page, visible.shown); }

void CommandRouter::signOf(ConnectionId page) {
    if (holder_ == LinkOrigin{LinkKind::Browser, page}) holderSignMs_ = clock_.nowMs();
}

void CommandRouter::pageShown(ConnectionId page, bool shown) {
    const bool watching = !shownPages_.empty();
    if (shown) {
        sendLabels(page, currentLabels(), true);
    } else {
        shownPages_.erase(page);
    }
    if (watching != !shownPages_.empty()) view_.setLabelWatch(!watching);
}

void CommandRouter::sendLabels(ConnectionId page, const std::string& message, bool always) {
    std::string& sent = shownPages_[page];
    if (!always && sent == message) return;
    sent = message;
    actions_.sendToPage(page, message);
}

std::string CommandRouter::currentLabels() {
    refreshKeyMaps();
    return labelsMessage(controller_.keypadLabels());
}

void CommandRouter::handleLabelWatch() {
    if (shownPages_.empty()) return;
    const std::string message = currentLabels();
    for (const auto& entry : shownPages_) sendLabels(entry.first, message, false);
}

void CommandRouter::released(ConnectionId connection) {
    if (holder_ && holder_->connection == connection) stopHeld();
}

void CommandRouter::departed(ConnectionId connection) {
    released(connection);
    if (shownPages_.contains(connection)) pageShown(connection, false);
}

void CommandRouter::stopHeld() {
    controller_.resetHeld();
    holder_.reset();
    syncRepeatTimer();
}

void CommandRouter::handleTimer() {
    // A page whose release was lost (or whose server stopped) cannot hold on for ever.
    if (holder_ && holder_->kind == LinkKind::Browser && clock_.nowMs() - holderSignMs_ >= WINDOW_HOLD_LIMIT_MS) {
        stopHeld();
        return;
    }
    controller_.tick();
    syncRepeatTimer();
}

void CommandRouter::syncRepeatTimer() {
    const bool needed = controller_.heldAction() != HeldAction::None;
    if (needed == timerRunning_) return;
    timerRunning_ = needed;
    view_.setRepeatTimer(needed);
}

}  // namespace vork
