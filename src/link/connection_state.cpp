#include "link/connection_state.h"

namespace vork {

RequestNumber ConnectionState::openRequest() {
    const std::lock_guard lock(mutex_);
    return openLocked();
}

std::optional<RequestNumber> ConnectionState::openRequestUnlessOpen() {
    const std::lock_guard lock(mutex_);
    if (openNumber_ != 0) return std::nullopt;
    return openLocked();
}

RequestNumber ConnectionState::openLocked() {
    if (++lastNumber_ == 0) ++lastNumber_;  // 0 stands for no request
    openNumber_ = lastNumber_;
    decision_ = Pending;
    return openNumber_;
}

bool ConnectionState::answer(RequestNumber number, ConnectionStateValue decision) {
    const std::lock_guard lock(mutex_);
    if (number == 0 || number != openNumber_) return false;
    decision_ = decision;
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

void ConnectionState::closeRequest(RequestNumber number) {
    const std::lock_guard lock(mutex_);
    if (number != openNumber_) return;
    openNumber_ = 0;
    decision_ = Pending;
}

}  // namespace vork
