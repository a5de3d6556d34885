#include "bluetooth/phone_protocol.h"

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
    origin_ = LinkOrigin{LinkKind::Bluetooth, state_.newConnection()};
    peerPresent_ = std::move(peerPresent);
    accepted_ = false;
    loginSeen_ = false;
}

std::optional<std::string> PhoneProtocol::handleRequest(std::string_view message) {
    if (accepted_) {
        if (message == FORGET_COMMAND) trusted_.forgetPhone();
        mailbox_.publishCommand(origin_, message);
        return std::string(message);
    }
    if (message.starts_with(LOGIN_PREFIX)) {
        loginSeen_ = true;
        return handleLogin(message);
    }
    return std::string(message);
}

std::optional<std::string> PhoneProtocol::handleLogin(std::string_view message) {
    std::string name(message.size() > NAME_POSITION ? message.substr(NAME_POSITION) : std::string_view());
    if (name.empty()) name = UNKNOWN_PHONE_NAME;
    const bool trusted = trusted_.phoneTrusted(name, peerAddress_);
    // Declined or gone a moment ago: refused at once, and the window stays as it is.
    if (!trusted && state_.mustWait(peerKey(), sleeper_.nowMs())) return std::string(LOGIN_ERR_REPLY);

    mailbox_.publishNotice(loginVersion(message) > 1 ? UPDATE_NOTICE : std::string_view());
    if (trusted) {
        accepted_ = true;
        mailbox_.publishStatus(origin_, CONNECTED_STATUS, name);
        return std::string(LOGIN_OK_REPLY);
    }
    return ask(name);
}

std::optional<std::string> PhoneProtocol::ask(const std::string& name) {
    const RequestOpening opening = state_.openRequest(peerKey(), sleeper_.nowMs());
    if (opening.outcome != RequestOpening::Outcome::Opened) return std::string(LOGIN_ERR_REPLY);
    const RequestNumber request = opening.number;
    mailbox_.publishRequest(origin_, request, name);
    for (;;) {
        if (!sleeper_.sleep(DECISION_POLL_MS)) break;
        const ConnectionStateValue decision = state_.decision(request);
        if (decision == Accepted) {
            state_.closeRequest(request);
            accepted_ = true;
            trusted_.trustPhone(name, peerAddress_);
            return std::string(LOGIN_OK_REPLY);
        }
        if (decision == Rejected) {
            state_.closeRequest(request);
            return std::string(LOGIN_ERR_REPLY);
        }
        // Nobody answered within the limit: the request goes, as after DECLINE.
        if (state_.expired(request, sleeper_.nowMs())) {
            state_.withdraw(request, sleeper_.nowMs());
            mailbox_.publishWithdrawn(request);
            return std::string(LOGIN_ERR_REPLY);
        }
        // A phone that has gone cannot be admitted: the request is withdrawn.
        if (peerPresent_ && !peerPresent_()) {
            state_.withdraw(request, sleeper_.nowMs());
            mailbox_.publishWithdrawn(request);
            return std::nullopt;
        }
    }
    state_.closeRequest(request);
    return std::nullopt;
}

std::optional<TrustedPhone> PhoneProtocol::trustedPhone() const {
    const std::optional<TrustedDevice> phone = trusted_.phone();
    if (!phone) return std::nullopt;
    return TrustedPhone{phone->name, phone->address};
}

}  // namespace vork
