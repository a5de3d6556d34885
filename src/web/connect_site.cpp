#include "web/connect_site.h"

#include <array>
#include <cstdint>
#include <utility>

#include "web/http_connection.h"
#include "web/secure_channel.h"
#include "web/server_clock.h"

namespace vork {

std::optional<std::string> ConnectSite::address() {
    if (!listener_.listening()) {
        std::array<std::uint8_t, CONNECT_SECRET_BYTES> bytes{};
        if (!random_.fill(bytes)) return std::nullopt;
        secret_ = toHex(bytes);
        listener_.open(
            tcp::endpoint(asio::ip::address_v4::loopback(), 0), false,
            [this](tcp::socket socket) {
                beast::error_code error;
                // Bound to 127.0.0.1, but a peer is checked all the same.
                if (!socket.remote_endpoint(error).address().is_loopback() || error) return;
                serveHttp(std::move(socket), slots_, *this, limits_);
            },
            [](WebServerState) {});
    }
    if (!listener_.listening()) return std::nullopt;
    return "http://127.0.0.1:" + std::to_string(listener_.port()) + "/" + secret_ + "/";
}

void ConnectSite::close() {
    listener_.close();
    slots_.evictAll();
}

Answer ConnectSite::answer(const Request& request) {
    const ConnectRoute route = routeConnectRequest(requestLine(request), request.body(), secret_, listener_.port(), files_);
    ConnectAnswer page = page_.answer(route, {remote_.port(), remote_.state()}, steadyNowMs());
    if (page.file) return {200, {}, {}, page.file};
    if (page.json) return {200, "application/json", std::move(*page.json)};
    return plainAnswer(page.status, view(http::obsolete_reason(static_cast<http::status>(page.status))));
}

}  // namespace vork
