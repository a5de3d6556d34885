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

void PhoneProtocol::beginConnection(std::string peerAddress, PeerCheck peerPresent) {
    peerAddress_ = std::move(peerAddress);
    peerPresent_ = std::move(peerPresent);
    accepted_ = false;
    loginSeen_ = false;
}

std::optional<std::string> PhoneProtocol::handleRequest(std::string_view message) {
    if (accepted_) {
        if (message == FORGET_COMMAND) trusted_.reset();
        mailbox_.publishCommand(message);
        return std::string(message);
    }
    if (message.starts_with(LOGIN_PREFIX)) {
        loginSeen_ = true;
        return handleLogin(message);
    }
    return std::string(message);
}

std::optional<std::string> PhoneProtocol::handleLogin(std::string_view message) {
    mailbox_.publishNotice(loginVersion(message) > 1 ? UPDATE_NOTICE : std::string_view());

    std::string name(message.size() > NAME_POSITION ? message.substr(NAME_POSITION) : std::string_view());
    if (name.empty()) name = UNKNOWN_PHONE_NAME;

    if (isTrusted(name)) {
        accepted_ = true;
        mailbox_.publishStatus(CONNECTED_STATUS);
        return std::string(LOGIN_OK_REPLY);
    }

    const RequestNumber request = state_.openRequest();
    mailbox_.publishRequest(request, name);
    for (;;) {
        if (!sleeper_.sleep(DECISION_POLL_MS)) break;
        const ConnectionStateValue decision = state_.decision(request);
        if (decision == Accepted) {
            state_.closeRequest(request);
            accepted_ = true;
            trusted_ = TrustedPhone{std::move(name), peerAddress_};
            return std::string(LOGIN_OK_REPLY);
        }
        if (decision == Rejected) {
            state_.closeRequest(request);
            return std::string(LOGIN_ERR_REPLY);
        }
        // A phone that has gone cannot be admitted: the request is withdrawn.
        if (peerPresent_ && !peerPresent_()) break;
    }
    state_.closeRequest(request);
    return std::nullopt;
}

bool PhoneProtocol::isTrusted(std::string_view name) const {
    return trusted_ && trusted_->name == name && trusted_->address == peerAddress_;
}

}  // namespace vork
