// The browser remote's server: the page's files and its WebSocket on a TCP
// port of every local address, on a thread of its own. A link like the
// Bluetooth listener: it reaches the window only through the mailbox and the
// decisions only through the connection state. Its state (listening, the
// port taken, stopped) goes to the window the same way.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "link/connection_state.h"
#include "link/ui_mailbox.h"
#include "platform/random_source.h"
#include "web/page_routes.h"
#include "web/web_session.h"

namespace vork {

// Nothing one client does may cost another its service: every queue is
// bounded and every wait limited.
struct WebServerLimits {
    std::size_t connections = 32;  // past this the oldest unpaired or plain-HTTP connection makes room
    std::size_t perAddress = 4;
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

class WebServer {
public:
    // `files` point into memory that outlives the server (the program's resources).
    WebServer(std::shared_ptr<UiMailbox> mailbox, std::shared_ptr<ConnectionState> state,
              std::unique_ptr<RandomSource> random, std::vector<PageFile> files, const WebServerLimits& limits = {});
    // Stops the thread and closes every connection.
    ~WebServer();
    WebServer(const WebServer&) = delete;
    WebServer& operator=(const WebServer&) = delete;

    // Starts the thread, which listens on `port` (trying again while it is
    // taken) and tells the window how that goes; false when no thread could start.
    bool start(std::uint16_t port);
    void stop();

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace vork
