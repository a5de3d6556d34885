#include "web/http_connection.h"

#include <string_view>
#include <utility>

namespace vork {

namespace {

constexpr std::size_t HEADER_LIMIT = std::size_t{8} * 1024;
constexpr int SEND_BUFFER_BYTES = 64 * 1024;

// Other sites' scripts may not run in, frame or be loaded by the pages.
constexpr std::string_view SECURITY_POLICY =
    "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self' data:; connect-src 'self'; "
    "manifest-src 'self'; "
    "frame-ancestors 'none'; base-uri 'none'; form-action 'none'";

}  // namespace

HttpConnection::HttpConnection(ConnectionSlots& slots, std::string peer, tcp::socket socket, Site& site,
                               const WebServerLimits& limits)
    : slot_(slots, *this, std::move(peer), std::chrono::steady_clock::now()),
      stream_(std::move(socket)),
      site_(site),
      // Keep-alive does not renew it: one host cannot hold a slot by asking again and again.
      deadline_(std::chrono::steady_clock::now() + limits.httpLifetime),
      buffer_(HEADER_LIMIT) {}

void HttpConnection::read() {
    parser_.emplace();
    parser_->header_limit(HEADER_LIMIT);
    parser_->body_limit(site_.bodyLimit());
    stream_.expires_at(deadline_);
    http::async_read(stream_, buffer_, *parser_, [self = shared_from_this()](beast::error_code error, std::size_t) {
        if (error == http::error::header_limit || error == http::error::buffer_overflow)
            return self->refuse(http::status::request_header_fields_too_large);
        if (error == http::error::body_limit) return self->refuse(http::status::payload_too_large);
        if (error) return self->shutdown();
        self->answer();
    });
}

void HttpConnection::answer() {
    const Request& request = parser_->get();
    Answer answer = site_.answer(request);
    if (answer.webSocket) {
        // The socket takes the connection over, and its slot; the request
        // is read only while accepting is set off, so it may die with this connection.
        slot_.release();
        // cppcheck-suppress accessMoved ; stream_ is moved once and not used after
        site_.openPage(slot_.slots(), slot_.peer(), std::move(stream_), request);
        return;
    }
    auto response = std::make_shared<Response>();
    response->version(request.version());
    response->result(static_cast<http::status>(answer.status));
    response->keep_alive(request.keep_alive() && answer.status < 400);
    response->set(http::field::server, "Vork");
    response->set(http::field::cache_control, "no-store");
    // Fields Beast 1.74 has no names for go by their text.
    response->set("X-Content-Type-Options", "nosniff");
    // Not no-referrer: that would make the Connect page's own requests say Origin: null.
    response->set("Referrer-Policy", "same-origin");
    response->set("Content-Security-Policy", view(SECURITY_POLICY));
    if (answer.file) {
        response->set(http::field::content_type, view(answer.file->contentType));
        answer.body.assign(answer.file->body);
    } else {
        response->set(http::field::content_type, view(answer.contentType));
    }
    const std::size_t length = answer.body.size();
    if (request.method() != http::verb::head) response->body() = std::move(answer.body);
    response->content_length(length);
    send(response);
}

void HttpConnection::refuse(http::status status) {
    auto response = std::make_shared<Response>(status, 11);
    response->keep_alive(false);
    response->set(http::field::content_type, "text/plain");
    response->body() = std::string(response->reason()) + "\n";
    response->prepare_payload();
    send(response);
}

void HttpConnection::send(const std::shared_ptr<Response>& response) {
    stream_.expires_at(deadline_);
    http::async_write(stream_, *response, [self = shared_from_this(), response](beast::error_code error, std::size_t) {
        if (error || !response->keep_alive()) return self->shutdown();
        self->read();
    });
}

void HttpConnection::shutdown() {
    beast::error_code ignored;
    stream_.socket().shutdown(tcp::socket::shutdown_send, ignored);
}

void serveHttp(tcp::socket socket, ConnectionSlots& slots, Site& site, const WebServerLimits& limits) {
    beast::error_code error;
    const asio::ip::address peer = socket.remote_endpoint(error).address();
    if (error) return;
    std::string peerName = peer.to_string();
    if (!slots.admit(peerName)) return;
    socket.set_option(tcp::no_delay(true), error);  // a touchpad sends many small moves
    // A fixed, small send buffer: the system's own would grow to megabytes
    // for a peer that does not read, and hide it from the write time limit.
    socket.set_option(asio::socket_base::send_buffer_size(SEND_BUFFER_BYTES), error);
    std::make_shared<HttpConnection>(slots, std::move(peerName), std::move(socket), site, limits)->read();
}

}  // namespace vork
