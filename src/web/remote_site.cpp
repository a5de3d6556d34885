#include "web/remote_site.h"

#include <memory>
#include <utility>

#include "web/http_connection.h"
#include "web/reachable_addresses.h"

namespace vork {

void RemoteSite::switchTo(std::optional<std::uint16_t> port) {
    if (port == port_ && listener_.listening()) return;
    close();
    port_ = port;
    state_.reset();
    if (!port) {
        parts_.mailbox->publishWebServer(WebServerState::Off, 0);
        return;
    }
    listener_.open(
        tcp::endpoint(tcp::v4(), *port), true,
        [this](tcp::socket socket) { serveHttp(std::move(socket), slots_, *this, limits_); },
        [this](WebServerState state) {
            state_ = state;
            parts_.mailbox->publishWebServer(state, port_.value_or(0));
        });
}

void RemoteSite::close() {
    listener_.close();
    slots_.evictAll();  // a remote switched off serves nobody any more
}

Answer RemoteSite::answer(const Request& request) {
    const Route route = routeRequest(requestLine(request), parts_.pages.remote, parts_.ownNames);
    if (route.webSocket) return {101, {}, {}, nullptr, true};
    if (route.file) return {200, {}, {}, route.file};
    if (route.foreignHost) return {403, "text/html; charset=utf-8", foreignHostPage()};
    return plainAnswer(route.status, view(http::obsolete_reason(static_cast<http::status>(route.status))));
}

void RemoteSite::openPage(ConnectionSlots& slots, const std::string& peer, beast::tcp_stream stream,
                          const Request& request) {
    const auto page = std::make_shared<PageSocket>(slots, peer, std::move(stream), link_, limits_, pages_);
    page->accept(request);
}

// A name that is not this PC's (perhaps an attacker's, pointed at it):
// the user is told which address to open instead.
std::string RemoteSite::foreignHostPage() {
    std::string page = "<!doctype html><meta charset=\"utf-8\"><title>Vork</title>"
                       "<p>This is Vork's browser remote. Open it by this PC's address:</p><ul>";
    for (const ReachableAddress& address : reachableAddresses(parts_.adapters->list()))
        page.append("<li>http://").append(address.address).append(":").append(std::to_string(port_.value_or(0)))
            .append("/</li>");
    return page.append("</ul>");
}

}  // namespace vork
