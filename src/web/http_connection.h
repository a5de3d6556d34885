// One plain HTTP connection to a site: its requests read and answered one
// after another within one deadline, until it closes or its request hands
// it over to the page's socket.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "web/beast_names.h"
#include "web/connection_slots.h"
#include "web/site.h"
#include "web/web_server_limits.h"

namespace vork {

class HttpConnection final : public SlotHolder, public std::enable_shared_from_this<HttpConnection> {
public:
    HttpConnection(ConnectionSlots& slots, std::string peer, tcp::socket socket, Site& site,
                   const WebServerLimits& limits);

    void read();

    [[nodiscard]] bool expendable() const override { return true; }
    void evict() override { stream_.close(); }

private:
    void answer();
    void refuse(http::status status);
    void send(const std::shared_ptr<Response>& response);
    void shutdown();

    HeldSlot slot_;
    beast::tcp_stream stream_;
    Site& site_;
    std::chrono::steady_clock::time_point deadline_;
    beast::flat_buffer buffer_;
    std::optional<http::request_parser<http::string_body>> parser_;
};

// Serves a socket a site's listener accepted, when the site's slots admit
// it; otherwise it closes as it goes.
void serveHttp(tcp::socket socket, ConnectionSlots& slots, Site& site, const WebServerLimits& limits);

}  // namespace vork
