#include "link/connection_state.h"

namespace vork {

ConnectionId ConnectionState::newConnection() {
    const std::lock_guard lock(mutex_);
    return ++lastConnection_;
}

bool ConnectionState::mustWait(std::string_view peer, std::uint64_t nowMs) const {
    const std::lock_guard lock(mutex_);
    return backoff_.refused(peer, nowMs);
}

RequestOpening ConnectionState::openRequest(std::string_view peer, std::uint64_t nowMs) {
    const std::lock_guard lock(mutex_);
    return openLocked(peer, nowMs, true);
}

RequestOpening ConnectionState::openRequestUnlessOpen(std::string_view peer, std::uint64_t nowMs) {
    const std::lock_guard lock(mutex_);
    return openLocked(peer, nowMs, false);
}

RequestOpening ConnectionState::openLocked(std::string_view peer, std::uint64_t nowMs, bool replace) {
    if (backoff_.refused(peer, nowMs)) return {RequestOpening::Outcome::Refused};
    if (!replace && openNumber_ != 0) return {RequestOpening::Outcome::Busy};
    if (++lastNumber_ == 0) ++lastNumber_;  // 0 stands for no request
    openNumber_ = lastNumber_;
    openPeer_ = peer;
    openedAtMs_ = nowMs;
    decision_ = Pending;
    return {RequestOpening::Outcome::Opened, openNumber_};
}

bool ConnectionState::answer(RequestNumber number, ConnectionStateValue decision, std::uint64_t nowMs) {
    const std::lock_guard lock(mutex_);
    if (number == 0 || number != openNumber_) return false;
    decision_ = decision;
    if (decision == Rejected) backoff_.penalise(openPeer_, nowMs);
    if (decision == Accepted) backoff_.forgive(openPeer_);
    return true;
}

ConnectionStateValue ConnectionState::decision(RequestNumber number) const {
    const std::lock_guard lock(mutex_);
    return number != 0 && number == openNumber_ ? decision_ : Pending;
}

bool ConnectionState::isOpen(RequestNumber number) const {
    const std::lock_guard lock(mutex_);
    return number != 0 && number == openNumber_;
}

bool ConnectionState::expired(RequestNumber number, std::uint64_t nowMs) const {
    const std::lock_guard lock(mutex_);
    return number != 0 && number == openNumber_ && decision_ == Pending && nowMs - openedAtMs_ >= REQUEST_LIMIT_MS;
}

void ConnectionState::closeRequest(RequestNumber number) {
    const std::lock_guard lock(mutex_);
    if (number == 0 || number != openNumber_) return;
    openNumber_ = 0;
    decision_ = Pending;
}

void ConnectionState::withdraw(RequestNumber number, std::uint64_t nowMs) {
    const std::lock_guard lock(mutex_);
    if (number == 0 || number != openNumber_) return;
    backoff_.penalise(openPeer_, nowMs);
    openNumber_ = 0;
    decision_ = Pending;
}

}  // namespace vork
