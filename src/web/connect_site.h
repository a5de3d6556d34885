// The Connect page's site: on 127.0.0.1 only, at an address with a secret
// in it, for the browser Vork opened there. What its requests do is the
// page's (connect_page.h); this is the HTTP around it.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <utility>  // before Boost 1.74's headers, which use std::exchange without including it

#include <boost/asio/io_context.hpp>

#include "platform/random_source.h"
#include "web/connect_page.h"
#include "web/connection_slots.h"
#include "web/listener.h"
#include "web/remote_site.h"
#include "web/site.h"
#include "web/web_server_limits.h"

namespace vork {

class ConnectSite final : public Site {
public:
    ConnectSite(asio::io_context& context, const WebServerLimits& limits, ConnectionSlots& slots,
                RandomSource& random, std::span<const PageFile> files, ConnectPage& page, const RemoteSite& remote)
        : limits_(limits),
          slots_(slots),
          random_(random),
          files_(files),
          page_(page),
          remote_(remote),
          listener_(context, limits) {}

    // Its address, listening first if need be; none when it cannot.
    std::optional<std::string> address();
    void close();

    [[nodiscard]] std::size_t bodyLimit() const override { return CONNECT_BODY_LIMIT; }
    Answer answer(const Request& request) override;
    void openPage(ConnectionSlots&, const std::string&, beast::tcp_stream, const Request&) override {}

private:
    const WebServerLimits& limits_;
    ConnectionSlots& slots_;
    RandomSource& random_;
    std::span<const PageFile> files_;
    ConnectPage& page_;
    const RemoteSite& remote_;
    Listener listener_;
    std::string secret_;
};

}  // namespace vork
