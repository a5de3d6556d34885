// One browser page's WebSocket as the link sees it: the handshake (SPAKE2,
// secure_channel.h) by which the page and Vork prove, both ways, that they
// share a password (the offer's QR secret or code, or the browser's key)
// without sending it, then the page's sealed commands, touchpad moves and
// releases to the window. Pure logic on the server thread: the server hands
// it each message and wakes it at the time it asks.
//
// The words, with what each says, are in page_protocol.json. In brief:
// in the clear, only the handshake:
//   page: pair qr|code SHARE | hello ID KEYNUMBER SHARE   then   confirm MAC
//   Vork: share COUNTER SHARE MAC | unknown | nooffer | wait SECONDS
// (COUNTER: the offer's generation while pairing, else the key's number;
// the page's MAC is SPAKE2's confirmation A, Vork's confirmation B), then
// every message padded and sealed, the page's:
//   name NAME (pairing, first) | key COMMAND | move DX DY | scroll DY [DX] |
//   click left|right | release | beat | text DELETED TEXT |
//   press KEY [ctrl] [alt] [shift] [win] | media WORD | visible 0|1 |
//   player play-pause|next|previous|seek MS|follow ID | rekeyed KEYNUMBER
// and Vork's:
//   paired ID KEYNUMBER KEY | rekey KEYNUMBER KEY | connected NAME |
//   forgotten | error WHAT | and from the window: labels APP<TAB>KEY=LABEL<TAB>...,
//   playing ..., art DATA-URL, players ID<TAB>NAME...
// A session that has asked for its socket to close is over: it answers
// nothing more and never wakes again.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/connection_state.h"
#include "link/link_words.h"
#include "link/refusal_backoff.h"
#include "link/trusted_devices.h"
#include "link/ui_mailbox.h"
#include "platform/crypto.h"
#include "platform/random_source.h"
#include "web/pairing_offer.h"
#include "web/secure_channel.h"
#include "web/spake2.h"

namespace vork {

inline constexpr std::uint64_t UNPAIRED_LIMIT_MS = 30000;
// Bytes of one message before sealing: room for a paste of WEB_TEXT_LIMIT
// characters of four bytes each.
inline constexpr std::size_t WEB_MESSAGE_LIMIT = std::size_t{16} * 1024;
inline constexpr std::int32_t WEB_TEXT_LIMIT = 4000;  // characters typed or deleted in one message
inline constexpr std::size_t WEB_FRAME_LIMIT = 2 * (WEB_MESSAGE_LIMIT + PADDING_STEP + GCM_TAG_BYTES);  // sealed, as hex
inline constexpr std::size_t WEB_NAME_LIMIT = 40;
inline constexpr std::size_t WEB_COMMAND_LIMIT = 16;
inline constexpr std::int32_t WEB_MOVE_LIMIT = 2000;    // pixels in one move
inline constexpr std::int32_t WEB_SCROLL_LIMIT = 2400;  // wheel units in one scroll
inline constexpr std::int32_t WEB_SEEK_LIMIT_MS = 24 * 3600 * 1000;  // a day: no track is longer
inline constexpr std::size_t WEB_PLAYER_ID_LIMIT = 255;              // a bus name's longest
inline constexpr std::size_t BROWSER_ID_BYTES = 16;
inline constexpr std::size_t BROWSER_KEY_BYTES = 32;
// While another page of the same address pairs, a second is told to wait this long.
inline constexpr std::uint64_t PAIRING_BUSY_WAIT_MS = 2000;

// What all pages share: the way to the window, the trusted browsers, the
// offer on the PC's screen, the addresses that must wait before they try
// again, and the one pairing each address may have under way.
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
    // An address waits from each handshake it starts until that handshake
    // succeeds: a failed or abandoned one (a guess) makes it wait longer each time.
    RefusalBackoff failures;
    std::map<std::string, ConnectionId, std::less<>> pairing;  // address -> its page pairing now
    std::uint64_t unpairedLimitMs = UNPAIRED_LIMIT_MS;
};

class WebSession {
public:
    enum class Stage { Start, Shared, Naming, Paired };

    struct Outcome {
        std::vector<std::string> replies;
        bool close = false;  // the server closes the socket after sending the replies
    };

    // A page at peerAddress (its IP address) has opened its socket.
    WebSession(WebLink& link, std::string peerAddress, std::uint64_t nowMs)
        : link_(link),
          id_(link.state.newConnection()),
          peerAddress_(std::move(peerAddress)),
          peerKey_("browser " + peerAddress_),
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
    // Finds the password the page says it holds; false: the outcome is said.
    bool choosePassword(std::string_view word, std::string_view rest, std::uint64_t nowMs, Bytes& password,
                        std::string_view& share, Outcome& refusal);
    Outcome confirm(std::string_view mac, std::uint64_t nowMs);
    Outcome rekeyed(std::string_view number);
    Outcome sealed(std::string_view frame, std::uint64_t nowMs);
    Outcome name(std::string_view asked);
    Outcome paired(std::string_view word, std::string_view rest);
    struct Handler;
    static const std::array<Handler, 10> HANDLERS;
    Outcome onKey(std::string_view rest);
    Outcome onText(std::string_view rest);
    Outcome onPress(std::string_view rest);
    Outcome onMedia(std::string_view rest);
    Outcome onVisible(std::string_view rest);
    Outcome onMove(std::string_view rest);
    Outcome onScroll(std::string_view rest);
    Outcome onClick(std::string_view rest);
    Outcome onRelease(std::string_view rest);
    Outcome onPlayer(std::string_view rest);
    // Hands the window a page's input; a held action ends unless `holds`.
    void publish(LinkEvent event, bool holds = false);
    // What failed the handshake or the seal: "unknown", the socket closed,
    // the address made to wait.
    Outcome refuse(std::uint64_t nowMs);
    // A handshake that did not finish: a try with the code is spent, the
    // address's pairing is no longer under way.
    void abandonHandshake();
    Outcome letGo();
    Outcome finish(Outcome outcome);
    // Sealed replies; a seal that fails ends the connection.
    Outcome reply(std::initializer_list<std::string_view> texts, std::size_t paddingStep = PADDING_STEP);
    void connected();
    void release();

    WebLink& link_;
    const ConnectionId id_;
    const std::string peerAddress_;
    const std::string peerKey_;
    std::uint64_t openedAtMs_;
    Stage stage_ = Stage::Start;
    std::uint64_t lastMessageMs_ = 0;
    // The handshake, kept only until the page confirms it: how it came in,
    // its counter and context, both shares, SPAKE2's key and the page's
    // expected confirmation.
    LinkMode mode_ = LinkMode::Key;
    std::uint64_t counter_ = 0;
    KeyStanding standing_ = KeyStanding::Unknown;
    Bytes context_;
    Bytes pageShare_;
    Bytes pcShare_;
    Bytes sharedKey_;
    Bytes expectedConfirmation_;
    bool counted_ = false;  // the address was made to wait for this handshake already
    std::string browserId_;
    std::optional<SealedChannel> channel_;
    std::string name_;
    bool holding_ = false;
    bool shownConnected_ = false;  // the window was told this page is connected
    bool over_ = false;
};

}  // namespace vork
