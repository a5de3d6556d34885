// The user's decisions on login requests, shared by the links and the window.
// Every request gets its own number; the window answers the number it shows,
// so a late click or a stale decision can never admit another phone. The
// limits both links share live here too: a request stays on screen at most a
// minute, and a peer that was declined or withdrew waits before it asks again.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

#include "link/link_origin.h"
#include "link/refusal_backoff.h"

namespace vork {

enum ConnectionStateValue : std::int32_t {
    Pending = 0,
    Accepted = 1,
    Rejected = -1,
};

inline constexpr std::uint64_t REQUEST_LIMIT_MS = 60000;

struct RequestOpening {
    enum class Outcome { Opened, Busy, Refused };
    Outcome outcome = Outcome::Opened;
    RequestNumber number = 0;  // when opened; never 0
};

class ConnectionState {
public:
    // A new connection's id, never 0 and never given twice.
    ConnectionId newConnection();

    // The peer was declined or withdrew a moment ago and may not ask yet.
    [[nodiscard]] bool mustWait(std::string_view peer, std::uint64_t nowMs) const;
    // `peer` asks the user; any request still open is closed. Refused while
    // the peer must wait.
    RequestOpening openRequest(std::string_view peer, std::uint64_t nowMs);
    // A link that must not replace the request on screen: Busy while one is open.
    RequestOpening openRequestUnlessOpen(std::string_view peer, std::uint64_t nowMs);
    // The user's answer to the request on screen; false, changing nothing,
    // when that request is no longer open. A declined peer waits; an accepted
    // one is forgiven.
    bool answer(RequestNumber number, ConnectionStateValue decision, std::uint64_t nowMs);
    // Pending while the request is undecided, and for any closed request.
    [[nodiscard]] ConnectionStateValue decision(RequestNumber number) const;
    [[nodiscard]] bool isOpen(RequestNumber number) const;
    // Open, undecided, and asked REQUEST_LIMIT_MS ago or more.
    [[nodiscard]] bool expired(RequestNumber number, std::uint64_t nowMs) const;
    // The link is done with the request (answered, or a stop).
    void closeRequest(RequestNumber number);
    // Closed unanswered: its peer left, or the time ran out. The peer waits.
    void withdraw(RequestNumber number, std::uint64_t nowMs);

private:
    RequestOpening openLocked(std::string_view peer, std::uint64_t nowMs, bool replace);

    mutable std::mutex mutex_;
    ConnectionId lastConnection_ = 0;
    RequestNumber lastNumber_ = 0;
    RequestNumber openNumber_ = 0;
    std::string openPeer_;
    std::uint64_t openedAtMs_ = 0;
    ConnectionStateValue decision_ = Pending;
    RefusalBackoff backoff_;
};

}  // namespace vork
