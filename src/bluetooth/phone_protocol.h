// The text protocol with the phone: login with a one-time approval by the
// user, then every message of the accepted phone is a command.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "link/connection_state.h"
#include "link/link_words.h"
#include "link/trusted_devices.h"
#include "link/ui_mailbox.h"
#include "platform/sleeper.h"

namespace vork {

inline constexpr std::string_view LOGIN_PREFIX = "LOGIN:";
inline constexpr std::string_view LOGIN_OK_REPLY = "LOGIN OK\n\r";
inline constexpr std::string_view LOGIN_ERR_REPLY = "LOGIN ERR\n\r";
inline constexpr std::string_view UPDATE_NOTICE = "Update to newer version!";
inline constexpr std::string_view UNKNOWN_PHONE_NAME = "Unknown tlf";
inline constexpr std::uint32_t DECISION_POLL_MS = 1000;

// The phone the user accepted last: its name and the device it spoke from.
struct TrustedPhone {
    std::string name;
    std::string address;
};

class PhoneProtocol {
public:
    // trusted: shared with the other links and the Connect page; none: the protocol's own.
    PhoneProtocol(UiMailbox& mailbox, ConnectionState& state, Sleeper& sleeper, TrustedDevices* trusted = nullptr)
        : mailbox_(mailbox), state_(state), sleeper_(sleeper), trusted_(trusted ? *trusted : ownTrusted_) {}

    // Asked between the polls for the user's decision: whether the phone is
    // still there.
    using PeerCheck = std::function<bool()>;

    // A new connection from the device at peerAddress; nothing logged in yet.
    void beginConnection(std::string peerAddress, PeerCheck peerPresent = {});
    // The connection being served, as the window knows it.
    [[nodiscard]] LinkOrigin origin() const { return origin_; }

    // The reply to one message; none when the wait for the user ended
    // without a decision (a stop, or the phone went away): the connection
    // is over.
    std::optional<std::string> handleRequest(std::string_view message);

    [[nodiscard]] std::optional<TrustedPhone> trustedPhone() const;
    // This connection has sent a login (answered or not).
    [[nodiscard]] bool loginSeen() const { return loginSeen_; }

private:
    std::optional<std::string> handleLogin(std::string_view message);
    // Asks the user; the reply, or none when the wait ended without a decision.
    std::optional<std::string> ask(const std::string& name);
    // How the shared limits know this phone: by its device, whatever its name.
    [[nodiscard]] std::string peerKey() const { return "bluetooth " + peerAddress_; }

    UiMailbox& mailbox_;
    ConnectionState& state_;
    Sleeper& sleeper_;
    TrustedDevices ownTrusted_;
    TrustedDevices& trusted_;
    std::string peerAddress_;
    LinkOrigin origin_;
    PeerCheck peerPresent_;
    // The user (or the phone's trust) admitted this connection.
    bool accepted_ = false;
    bool loginSeen_ = false;
};

}  // namespace vork
