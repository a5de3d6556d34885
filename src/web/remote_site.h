// The browser remote's site: on every local address, for any browser that
// names this PC; the page's files and its WebSocket.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>  // before Boost 1.74's headers, which use std::exchange without including it

#include <boost/asio/io_context.hpp>

#include "web/connection_slots.h"
#include "web/listener.h"
#include "web/page_socket.h"
#include "web/site.h"
#include "web/web_server_limits.h"
#include "web/web_server_parts.h"
#include "web/web_session.h"

namespace vork {

class RemoteSite final : public Site {
public:
    RemoteSite(asio::io_context& context, const WebServerLimits& limits, ConnectionSlots& slots,
               const WebServerParts& parts, WebLink& link, OpenPages& pages)
        : limits_(limits), slots_(slots), parts_(parts), link_(link), pages_(pages), listener_(context, limits) {}

    // Listens on `port` (trying again while it is taken), or stops; how that
    // goes reaches the window.
    void switchTo(std::optional<std::uint16_t> port);
    void close();
    [[nodiscard]] std::optional<std::uint16_t> port() const { return port_; }
    [[nodiscard]] std::optional<WebServerState> state() const { return state_; }

    [[nodiscard]] std::size_t bodyLimit() const override { return 0; }  // the page only ever GETs
    Answer answer(const Request& request) override;
    void openPage(ConnectionSlots& slots, const std::string& peer, beast::tcp_stream stream,
                  const Request& request) override;

private:
    std::string foreignHostPage();

    const WebServerLimits& limits_;
    ConnectionSlots& slots_;
    const WebServerParts& parts_;
    WebLink& link_;
    OpenPages& pages_;
    Listener listener_;
    std::optional<std::uint16_t> port_;
    std::optional<WebServerState> state_;
};

}  // namespace vork
