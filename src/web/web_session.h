// One browser page's WebSocket as the link sees it: the handshake that
// proves, both ways, that the page holds a key Vork gave it (or the secret of
// the pairing offer on the PC's screen), then the page's sealed commands,
// touchpad moves and releases to the window. Pure logic on the server
// thread: the server hands it each message and wakes it at the time it asks.
//
// In the clear, only the handshake:
//   page: hello ID PAGENONCE | pair PAGENONCE | answer PROOF
//   Vork: challenge PCNONCE [SALT] | verified PROOF | unknown | nooffer
// then every message sealed (secure_channel.h), the page's:
//   name NAME (pairing, first) | key COMMAND | move DX DY | scroll DY |
//   click left|right | release | beat | text DELETED TEXT |
//   press KEY [ctrl] [alt] [shift] [win] | media WORD | visible 0|1
// and Vork's:
//   paired ID KEY | connected NAME | forgotten | error WHAT |
//   labels APP<TAB>KEY=LABEL<TAB>... (from the window)
// A session that has asked for its socket to close is over: it answers
// nothing more and never wakes again.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/connection_state.h"
#include "link/refusal_backoff.h"
#include "link/trusted_devices.h"
#include "link/ui_mailbox.h"
#include "platform/crypto.h"
#include "platform/random_source.h"
#include "web/pairing_offer.h"
#include "web/secure_channel.h"

namespace vork {

inline constexpr std::uint64_t UNPAIRED_LIMIT_MS = 30000;
inline constexpr std::uint64_t HOLD_SILENCE_MS = 1000;
// Bytes of one message before sealing: room for a paste of WEB_TEXT_LIMIT
// characters of four bytes each.
inline constexpr std::size_t WEB_MESSAGE_LIMIT = std::size_t{16} * 1024;
inline constexpr std::int32_t WEB_TEXT_LIMIT = 4000;  // characters typed or deleted in one message
inline constexpr std::size_t WEB_FRAME_LIMIT = 2 * (WEB_MESSAGE_LIMIT + GCM_TAG_BYTES);  // sealed, as hex
inline constexpr std::size_t WEB_NAME_LIMIT = 40;
inline constexpr std::size_t WEB_COMMAND_LIMIT = 16;
inline constexpr std::int32_t WEB_MOVE_LIMIT = 2000;    // pixels in one move
inline constexpr std::int32_t WEB_SCROLL_LIMIT = 2400;  // wheel units in one scroll
inline constexpr std::size_t BROWSER_ID_BYTES = 16;
inline constexpr std::size_t BROWSER_KEY_BYTES = 32;

// What all pages share: the way to the window, the trusted browsers, the
// offer on the PC's screen, and the addresses that failed the handshake.
struct WebLink {
    WebLink(UiMailbox& mailbox, ConnectionState& state, RandomSource& random, TrustedDevices& trusted, Crypto& crypto,
            PairingOffers& offers)
        : mailbox(mailbox), state(state), random(random), trusted(trusted), crypto(crypto), offers(offers) {}

    UiMailbox& mailbox;
    ConnectionState& state;  // for the connections' ids
    RandomSource& random;
    TrustedDevices& trusted;
    Crypto& crypto;
    PairingOffers& offers;
    RefusalBackoff failures;  // an address that failed waits before it may try again
    std::uint64_t unpairedLimitMs = UNPAIRED_LIMIT_MS;
};

class WebSession {
public:
    enum class Stage { Start, Challenged, Naming, Paired };

    struct Outcome {
        std::vector<std::string> replies;
        bool close = false;  // the server closes the socket after sending the replies
    };

    // A page at peerAddress (its IP address) has opened its socket.
    WebSession(WebLink& link, std::string peerAddress, std::uint64_t nowMs)
        : link_(link),
          id_(link.state.newConnection()),
          peerKey_("browser " + std::move(peerAddress)),
          openedAtMs_(nowMs) {}

    Outcome receive(std::string_view message, std::uint64_t nowMs);
    // Called at nextWake() or later.
    Outcome wake(std::uint64_t nowMs);
    // When the session has something to do without a message; none: only
    // when one arrives.
    [[nodiscard]] std::optional<std::uint64_t> nextWake() const;
    // The socket has closed: a held action stops.
    void closed();
    // A message from the window (the keypad's labels), sealed for a paired
    // page; nothing for any other.
    Outcome fromWindow(std::string_view text);

    [[nodiscard]] Stage stage() const { return stage_; }
    [[nodiscard]] ConnectionId id() const { return id_; }
    // It asked for its socket to close.
    [[nodiscard]] bool over() const { return over_; }

private:
    Outcome start(std::string_view word, std::string_view rest, std::uint64_t nowMs);
    Outcome answer(std::string_view proof, std::uint64_t nowMs);
    Outcome sealed(std::string_view frame, std::uint64_t nowMs);
    Outcome name(std::string_view asked);
    Outcome paired(std::string_view word, std::string_view rest);
    Outcome typed(std::string_view rest);
    // Hands the window a page's input; a held action ends unless `holds`.
    void publish(const WebInput& input, bool holds = false);
    // What failed the handshake or the seal: "unknown", the socket closed,
    // the address made to wait.
    Outcome refuse(std::uint64_t nowMs);
    Outcome finish(Outcome outcome);
    // Sealed replies; a seal that fails ends the connection.
    Outcome reply(std::initializer_list<std::string_view> texts);
    void connected();
    void release();

    WebLink& link_;
    const ConnectionId id_;
    const std::string peerKey_;
    std::uint64_t openedAtMs_;
    Stage stage_ = Stage::Start;
    std::uint64_t lastMessageMs_ = 0;
    // The handshake: the nonces, and the secrets the page may hold (a
    // browser's key, or the offer's two).
    Bytes pageNonce_;
    Bytes pcNonce_;
    std::string browserId_;
    std::vector<Bytes> candidates_;
    bool pairing_ = false;
    std::optional<SealedChannel> channel_;
    std::string name_;
    bool holding_ = false;
    bool shownConnected_ = false;  // the window was told this page is connected
    bool over_ = false;
};

}  // namespace vork
