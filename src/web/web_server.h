// The browser remote's server: the page's files and its WebSocket on a TCP
// port of every local address, on a thread of its own. A link like the
// Bluetooth listener: it reaches the window only through the mailbox and the
// decisions only through the connection state.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "link/connection_state.h"
#include "link/ui_mailbox.h"
#include "platform/random_source.h"
#include "web/page_routes.h"

namespace vork {

class WebServer {
public:
    // `files` point into memory that outlives the server (the program's resources).
    WebServer(std::shared_ptr<UiMailbox> mailbox, std::shared_ptr<ConnectionState> state,
              std::unique_ptr<RandomSource> random, std::vector<PageFile> files);
    // Stops the thread and closes every connection.
    ~WebServer();
    WebServer(const WebServer&) = delete;
    WebServer& operator=(const WebServer&) = delete;

    // Listens on `port` and starts the thread; the problem, for the user, when it cannot.
    std::optional<std::string> start(std::uint16_t port);
    void stop();

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace vork
