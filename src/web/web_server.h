// The server thread: the browser remote (the page's files and its WebSocket
// on a TCP port of every local address) when it is switched on, and the
// Connect page (on 127.0.0.1 only) when it is asked for. A link like the
// Bluetooth listener: it reaches the window only through the mailbox and
// the decisions only through the connection state. Its state (listening, the
// port taken, stopped, off) goes to the window the same way.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "config/remote_switch.h"
#include "link/connection_state.h"
#include "link/trusted_devices.h"
#include "link/ui_mailbox.h"
#include "platform/network_adapters.h"
#include "platform/crypto.h"
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

// The files of both pages, pointing into memory that outlives the server
// (the program's resources).
struct WebPages {
    std::vector<PageFile> remote;
    std::vector<PageFile> connect;
};

// What the server needs of the rest of Vork, shared with the other threads.
struct WebServerParts {
    std::shared_ptr<UiMailbox> mailbox;
    std::shared_ptr<ConnectionState> state;
    std::shared_ptr<TrustedDevices> trusted;
    std::unique_ptr<RandomSource> random;
    std::unique_ptr<Crypto> crypto;
    std::unique_ptr<NetworkAdapters> adapters;
    WebPages pages;
    // This PC's own names, by which the remote page may also be asked for.
    std::vector<std::string> ownNames;
};

class WebServer {
public:
    explicit WebServer(WebServerParts parts, const WebServerLimits& limits = {});
    // Stops the thread and closes every connection.
    ~WebServer();
    WebServer(const WebServer&) = delete;
    WebServer& operator=(const WebServer&) = delete;

    // The browser remote on `port` (trying again while the port is taken), or
    // off; how that goes reaches the window. False when no thread could start.
    bool setRemote(std::optional<std::uint16_t> port);
    // Who decided the switch, for the Connect page.
    void describeSwitch(SwitchSource source);
    // The Connect page's address, secret included, its listener started if
    // need be; none when it cannot listen.
    std::optional<std::string> connectPageAddress();
    // A message from the window to one page (its labels); dropped when the
    // page has gone.
    void sendToPage(ConnectionId page, std::string text);
    void stop();

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace vork
