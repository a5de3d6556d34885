// The server thread: the browser remote (the page's files and its WebSocket
// on a TCP port of every local address) when it is switched on, and the
// Connect page (on 127.0.0.1 only) when it is asked for. A link like the
// Bluetooth listener: it reaches the window only through the mailbox and
// the decisions only through the connection state. Its state (listening, the
// port taken, stopped, off) goes to the window the same way.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "config/remote_switch.h"
#include "link/connection_state.h"
#include "web/web_server_limits.h"
#include "web/web_server_parts.h"

namespace vork {

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
