#include "link/phone_protocol.h"

namespace vork {

namespace {

constexpr std::size_t VERSION_POSITION = 6;
constexpr std::size_t NAME_POSITION = 7;

int loginVersion(std::string_view message) {
    if (message.size() <= VERSION_POSITION) return 0;
    const char digit = message[VERSION_POSITION];
    return (digit >= '0' && digit <= '9') ? digit - '0' : 0;
}

}  // namespace

void PhoneProtocol::beginConnection(std::string peerAddress) {
    peerAddress_ = std::move(peerAddress);
    loginSeen_ = false;
}

std::optional<std::string> PhoneProtocol::handleRequest(std::string_view message) {
    const std::int32_t state = state_.get();
    const bool accepted = loginSeen_ && state != Pending && state != Rejected;
    if (accepted) {
        if (message == FORGET_COMMAND) trusted_.reset();
        mailbox_.publishCommand(message);
        return std::string(message);
    }
    if (message.starts_with(LOGIN_PREFIX)) {
        if (!loginSeen_) {
            // A decision made before this connection's first login belongs to
            // an earlier request.
            state_.set(Pending);
            loginSeen_ = true;
        }
        return handleLogin(message);
    }
    return std::string(message);
}

std::optional<std::string> PhoneProtocol::handleLogin(std::string_view message) {
    mailbox_.publishNotice(loginVersion(message) > 1 ? UPDATE_NOTICE : std::string_view());

    std::string name(message.size() > NAME_POSITION ? message.substr(NAME_POSITION) : std::string_view());
    if (name.empty()) name = UNKNOWN_PHONE_NAME;

    if (isTrusted(name)) {
        state_.set(Accepted);
        mailbox_.publishStatus(CONNECTED_STATUS);
        return std::string(LOGIN_OK_REPLY);
    }

    mailbox_.publishRequest(name);
    for (;;) {
        if (!sleeper_.sleep(DECISION_POLL_MS)) return std::nullopt;
        const std::int32_t decision = state_.get();
        if (decision == Accepted) {
            trusted_ = TrustedPhone{std::move(name), peerAddress_};
            return std::string(LOGIN_OK_REPLY);
        }
        if (decision == Rejected) return std::string(LOGIN_ERR_REPLY);
    }
}

bool PhoneProtocol::isTrusted(std::string_view name) const {
    return trusted_ && trusted_->name == name && trusted_->address == peerAddress_;
}

}  // namespace vork
