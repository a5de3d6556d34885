// One browser page's WebSocket as the link sees it: pairing through the
// user's decision, then the page's commands, touchpad moves and releases to
// the window. Pure logic on the server thread: the server hands it each
// message and wakes it at the time it asks for.
//
// The page's messages are short texts, a word and its arguments:
//   hello TOKEN | login NAME | key COMMAND | move DX DY | scroll DY |
//   click left|right | release | beat
// and the replies:
//   connected | unknown | asking | accepted TOKEN | declined | busy |
//   unanswered | forgotten | unpaired | error WHAT
// A session that has asked for its socket to close is over: it answers
// nothing more and never wakes again.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/connection_state.h"
#include "link/ui_mailbox.h"
#include "link/trusted_devices.h"
#include "platform/random_source.h"

namespace vork {

inline constexpr std::uint64_t UNPAIRED_LIMIT_MS = 30000;
inline constexpr std::uint64_t HOLD_SILENCE_MS = 1000;
inline constexpr std::uint64_t DECISION_CHECK_MS = 100;
inline constexpr std::size_t WEB_MESSAGE_LIMIT = 256;  // bytes of one WebSocket message
inline constexpr std::size_t WEB_NAME_LIMIT = 40;
inline constexpr std::size_t WEB_COMMAND_LIMIT = 16;
inline constexpr std::int32_t WEB_MOVE_LIMIT = 2000;    // pixels in one move
inline constexpr std::int32_t WEB_SCROLL_LIMIT = 2400;  // wheel units in one scroll
inline constexpr std::size_t TOKEN_BYTES = 16;

// What all pages share: the way to the window, the decisions and the
// accepted browsers.
struct WebLink {
    WebLink(UiMailbox& mailbox, ConnectionState& state, RandomSource& random, TrustedDevices& trusted)
        : mailbox(mailbox), state(state), random(random), trusted(trusted) {}

    UiMailbox& mailbox;
    ConnectionState& state;
    RandomSource& random;
    TrustedDevices& trusted;
    std::uint64_t unpairedLimitMs = UNPAIRED_LIMIT_MS;
};

class WebSession {
public:
    enum class Stage { Unpaired, Asking, Paired };

    struct Outcome {
        std::vector<std::string> replies;
        bool close = false;  // the server closes the socket after sending the replies
    };

    // A page at peerAddress (its IP address) has opened its socket.
    WebSession(WebLink& link, std::string peerAddress, std::uint64_t nowMs)
        : link_(link),
          id_(link.state.newConnection()),
          peerKey_("browser " + std::move(peerAddress)),
          stageSinceMs_(nowMs),
          lastWakeMs_(nowMs) {}

    Outcome receive(std::string_view message, std::uint64_t nowMs);
    // Called at nextWake() or later.
    Outcome wake(std::uint64_t nowMs);
    // When the session has something to do without a message; none: only
    // when one arrives.
    [[nodiscard]] std::optional<std::uint64_t> nextWake() const;
    // The socket has closed: a request it asked is withdrawn, a held action stops.
    void closed(std::uint64_t nowMs);

    [[nodiscard]] Stage stage() const { return stage_; }
    [[nodiscard]] ConnectionId id() const { return id_; }
    // It asked for its socket to close.
    [[nodiscard]] bool over() const { return over_; }

private:
    Outcome hello(std::string_view token, std::uint64_t nowMs);
    Outcome login(std::string_view name, std::uint64_t nowMs);
    Outcome paired(std::string_view word, std::string_view rest);
    Outcome decided(std::uint64_t nowMs);
    void enter(Stage stage, std::uint64_t nowMs);
    void release();
    Outcome finish(Outcome outcome);
    // 128 random bits as hex; none when the system had no random bytes.
    std::optional<std::string> newToken();

    WebLink& link_;
    const ConnectionId id_;
    const std::string peerKey_;
    Stage stage_ = Stage::Unpaired;
    std::uint64_t stageSinceMs_;
    std::uint64_t lastMessageMs_ = 0;
    std::uint64_t lastWakeMs_ = 0;
    RequestNumber request_ = 0;
    std::string name_;
    std::string token_;
    bool holding_ = false;
    bool shownConnected_ = false;  // the window was told this page is connected
    bool over_ = false;
};

}  // namespace vork
