// Listens on one address and port, trying again while the port is taken,
// and hands each accepted socket on.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <utility>  // before Boost 1.74's headers, which use std::exchange without including it

#include <boost/asio/io_context.hpp>
#include <boost/asio/steady_timer.hpp>

#include "link/link_events.h"
#include "web/beast_names.h"
#include "web/web_server_limits.h"

namespace vork {

class Listener {
public:
    using Serve = std::function<void(tcp::socket)>;

    Listener(asio::io_context& context, const WebServerLimits& limits)
        : limits_(limits), acceptor_(context), timer_(context) {}

    // Tries at once; each state as it comes. `serve` gets each accepted socket.
    void open(const tcp::endpoint& endpoint, bool retry, Serve serve, std::function<void(WebServerState)> report);
    void close();
    [[nodiscard]] bool listening() const { return acceptor_.is_open(); }
    [[nodiscard]] std::uint16_t port() const;

private:
    void listen(std::uint64_t generation);
    void acceptNext(std::uint64_t generation);

    const WebServerLimits& limits_;
    tcp::acceptor acceptor_;
    asio::steady_timer timer_;
    tcp::endpoint endpoint_;
    bool retry_ = false;
    Serve serve_;
    std::function<void(WebServerState)> report_;
    std::chrono::steady_clock::time_point firstTry_;
    bool retrying_ = false;
    std::uint64_t generation_ = 0;
};

}  // namespace vork
