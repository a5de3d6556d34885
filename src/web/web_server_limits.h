// Nothing one client does may cost another its service: every queue is
// bounded and every wait limited.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

#include "web/connection_slots.h"
#include "web/web_session.h"

namespace vork {

struct WebServerLimits {
    std::size_t connections = REMOTE_CONNECTIONS;
    std::size_t perAddress = REMOTE_CONNECTIONS_PER_ADDRESS;
    std::chrono::milliseconds httpLifetime{30000};  // a plain HTTP connection, keep-alive or not
    std::chrono::milliseconds handshake{10000};
    std::chrono::milliseconds idle{20000};          // a page gone without closing is found by pings
    std::chrono::milliseconds write{5000};          // a peer that stops reading is closed
    std::size_t waitingReplies = 8;                 // reading stops while this many wait to be sent
    std::chrono::milliseconds bindRetry{3000};      // a port held by Vork's own last connections frees itself
    std::chrono::milliseconds bindRetryFor{300000};
    std::chrono::milliseconds acceptPause{500};     // after a failed accept (out of sockets, say)
    std::uint64_t unpairedMs = UNPAIRED_LIMIT_MS;
};

}  // namespace vork
