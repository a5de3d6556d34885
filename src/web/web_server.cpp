// Boost.Beast and Asio, header-only, all on one thread: every handler runs
// there, so the sessions and the link's shared state need no locks of their own.
#include <utility>  // Boost 1.74's headers use std::exchange without including it

#include "web/web_server.h"

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>

#include <chrono>
#include <deque>
#include <thread>

#include "web/web_session.h"

namespace vork {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
using tcp = asio::ip::tcp;

namespace {

constexpr std::size_t HEADER_LIMIT = std::size_t{8} * 1024;
constexpr std::size_t CONNECTION_LIMIT = 32;
constexpr auto HTTP_IDLE_LIMIT = std::chrono::seconds(30);
constexpr auto WEBSOCKET_HANDSHAKE_LIMIT = std::chrono::seconds(10);
// A page that is gone without closing (the phone left the network) is found
// by unanswered pings after this long.
constexpr auto WEBSOCKET_IDLE_LIMIT = std::chrono::seconds(20);

// Other sites' scripts may not run in, frame or be loaded by the page.
constexpr std::string_view SECURITY_POLICY =
    "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self'; connect-src 'self'; "
    "frame-ancestors 'none'; base-uri 'none'; form-action 'none'";

std::uint64_t nowMs() {
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count());
}

// Counts the server's open connections, so a flood cannot take every socket.
class ConnectionCount {
public:
    explicit ConnectionCount(std::size_t& count) : count_(count) { ++count_; }
    ~ConnectionCount() { --count_; }
    ConnectionCount(const ConnectionCount&) = delete;
    ConnectionCount& operator=(const ConnectionCount&) = delete;

private:
    std::size_t& count_;
};

class PageSocket : public std::enable_shared_from_this<PageSocket> {
public:
    PageSocket(beast::tcp_stream stream, WebLink& link, std::size_t& connections)
        : count_(connections), socket_(std::move(stream)), session_(link, nowMs()), timer_(socket_.get_executor()) {}
    ~PageSocket() { finish(); }
    PageSocket(const PageSocket&) = delete;
    PageSocket& operator=(const PageSocket&) = delete;

    void accept(const http::request<http::empty_body>& request) {
        beast::get_lowest_layer(socket_).expires_never();  // the WebSocket keeps its own time limits
        websocket::stream_base::timeout limits{};
        limits.handshake_timeout = WEBSOCKET_HANDSHAKE_LIMIT;
        limits.idle_timeout = WEBSOCKET_IDLE_LIMIT;
        limits.keep_alive_pings = true;
        socket_.set_option(limits);
        socket_.read_message_max(WEB_MESSAGE_LIMIT);
        socket_.text(true);
        socket_.async_accept(request, [self = shared_from_this()](beast::error_code error) {
            if (error) return self->finish();
            self->read();
            self->arm();
        });
    }

private:
    void read() {
        socket_.async_read(buffer_, [self = shared_from_this()](beast::error_code error, std::size_t) {
            if (error) return self->finish();
            if (!self->socket_.got_text()) {
                self->act({{"error text only"}, true});
                return;
            }
            const std::string message = beast::buffers_to_string(self->buffer_.data());
            self->buffer_.consume(self->buffer_.size());
            self->act(self->session_.receive(message, nowMs()));
            if (!self->closing_) self->read();
        });
    }

    void act(WebSession::Outcome outcome) {
        for (std::string& reply : outcome.replies) outbox_.push_back(std::move(reply));
        if (outcome.close) closing_ = true;
        write();
        arm();
    }

    // The session's next wake-up; a new time replaces the one waited for.
    void arm() {
        const std::optional<std::uint64_t> wake = session_.nextWake();
        if (!wake || finished_) {
            timer_.cancel();
            return;
        }
        const std::uint64_t now = nowMs();
        timer_.expires_after(std::chrono::milliseconds(*wake > now ? *wake - now : 0));
        timer_.async_wait([self = shared_from_this()](beast::error_code error) {
            if (error || self->finished_) return;  // replaced or cancelled
            self->act(self->session_.wake(nowMs()));
        });
    }

    void write() {
        if (writing_ || finished_) return;
        if (outbox_.empty()) {
            if (closing_) close();
            return;
        }
        writing_ = true;
        socket_.async_write(asio::buffer(outbox_.front()),
                            [self = shared_from_this()](beast::error_code error, std::size_t) {
                                self->writing_ = false;
                                self->outbox_.pop_front();
                                if (error) return self->finish();
                                self->write();
                            });
    }

    void close() {
        finish();
        socket_.async_close(websocket::close_code::policy_error, [self = shared_from_this()](beast::error_code) {});
    }

    // Once, whatever ended the socket.
    void finish() {
        if (finished_) return;
        finished_ = true;
        session_.closed();
        timer_.cancel();
    }

    ConnectionCount count_;
    // No permessage-deflate: the messages are a few bytes, and it would build zlib in.
    websocket::stream<beast::tcp_stream, false> socket_;
    beast::flat_buffer buffer_;
    WebSession session_;
    asio::steady_timer timer_;
    std::deque<std::string> outbox_;
    bool writing_ = false;
    bool closing_ = false;
    bool finished_ = false;
};

class HttpConnection : public std::enable_shared_from_this<HttpConnection> {
public:
    HttpConnection(tcp::socket socket, WebLink& link, const std::vector<PageFile>& files, std::size_t& connections)
        : count_(connections), connections_(connections), stream_(std::move(socket)), link_(link), files_(files),
          buffer_(HEADER_LIMIT) {}

    void read() {
        parser_.emplace();
        parser_->header_limit(HEADER_LIMIT);
        parser_->body_limit(0);  // the page only ever GETs
        stream_.expires_after(HTTP_IDLE_LIMIT);
        http::async_read(stream_, buffer_, *parser_, [self = shared_from_this()](beast::error_code error, std::size_t) {
            if (error == http::error::header_limit || error == http::error::buffer_overflow)
                return self->refuse(http::status::request_header_fields_too_large);
            if (error == http::error::body_limit) return self->refuse(http::status::payload_too_large);
            if (error) return self->shutdown();
            self->answer();
        });
    }

private:
    void answer() {
        const http::request<http::empty_body>& request = parser_->get();
        const auto header = [&request](http::field field) {
            const beast::string_view value = request[field];
            return std::string_view(value.data(), value.size());
        };
        const beast::string_view method = request.method_string();
        const beast::string_view target = request.target();
        const Route route = routeRequest(RequestLine{std::string_view(method.data(), method.size()),
                                                     std::string_view(target.data(), target.size()),
                                                     header(http::field::host), header(http::field::origin),
                                                     websocket::is_upgrade(request)},
                                         files_);
        if (route.webSocket) {
            // The socket takes the connection over; the request is read only
            // while accepting is set off, so it may die with this connection.
            // cppcheck-suppress accessMoved ; stream_ is moved once and not used after
            std::make_shared<PageSocket>(std::move(stream_), link_, connections_)->accept(request);
            return;
        }
        auto response = std::make_shared<http::response<http::string_body>>();
        response->version(request.version());
        response->keep_alive(request.keep_alive() && route.status == 200);
        response->set(http::field::server, "Vork");
        response->set(http::field::cache_control, "no-store");
        // Fields Beast 1.74 has no names for go by their text.
        response->set("X-Content-Type-Options", "nosniff");
        response->set("Referrer-Policy", "no-referrer");
        response->set("Content-Security-Policy", beast::string_view(SECURITY_POLICY.data(), SECURITY_POLICY.size()));
        if (route.file) {
            response->result(http::status::ok);
            response->set(http::field::content_type,
                          beast::string_view(route.file->contentType.data(), route.file->contentType.size()));
            if (request.method() != http::verb::head) response->body().assign(route.file->body);
            response->content_length(route.file->body.size());
        } else {
            response->result(static_cast<http::status>(route.status));
            response->set(http::field::content_type, "text/plain");
            response->body() = std::string(response->reason()) + "\n";
            response->prepare_payload();
        }
        send(response);
    }

    void refuse(http::status status) {
        auto response = std::make_shared<http::response<http::string_body>>(status, 11);
        response->keep_alive(false);
        response->set(http::field::content_type, "text/plain");
        response->body() = std::string(response->reason()) + "\n";
        response->prepare_payload();
        send(response);
    }

    void send(const std::shared_ptr<http::response<http::string_body>>& response) {
        http::async_write(stream_, *response,
                          [self = shared_from_this(), response](beast::error_code error, std::size_t) {
                              if (error || !response->keep_alive()) return self->shutdown();
                              self->read();
                          });
    }

    void shutdown() {
        beast::error_code ignored;
        stream_.socket().shutdown(tcp::socket::shutdown_send, ignored);
    }

    ConnectionCount count_;
    std::size_t& connections_;
    beast::tcp_stream stream_;
    WebLink& link_;
    const std::vector<PageFile>& files_;
    beast::flat_buffer buffer_;
    std::optional<http::request_parser<http::empty_body>> parser_;
};

}  // namespace

class WebServer::Impl {
public:
    Impl(std::shared_ptr<UiMailbox> mailbox, std::shared_ptr<ConnectionState> state,
         std::unique_ptr<RandomSource> random, std::vector<PageFile> files)
        : mailbox_(std::move(mailbox)),
          state_(std::move(state)),
          random_(std::move(random)),
          files_(std::move(files)),
          link_(*mailbox_, *state_, *random_) {}

    ~Impl() { stop(); }
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;

    std::optional<std::string> start(std::uint16_t port) {
        beast::error_code error;
        const tcp::endpoint endpoint(tcp::v4(), port);
        acceptor_.open(endpoint.protocol(), error);
#ifdef _WIN32
        // No other program may take the port over while Vork holds it.
        using ExclusiveUse = asio::detail::socket_option::boolean<SOL_SOCKET, SO_EXCLUSIVEADDRUSE>;
        if (!error) acceptor_.set_option(ExclusiveUse(true), error);
#endif
        if (!error) acceptor_.bind(endpoint, error);
        if (!error) acceptor_.listen(asio::socket_base::max_listen_connections, error);
        if (error) {
            acceptor_.close(error);
            return "Browser remote: port " + std::to_string(port) + " cannot be used";
        }
        acceptNext();
        thread_ = std::thread([this] { context_.run(); });
        return std::nullopt;
    }

    void stop() {
        if (!thread_.joinable()) return;
        asio::post(context_, [this] {
            beast::error_code ignored;
            acceptor_.close(ignored);
            context_.stop();
        });
        thread_.join();
    }

private:
    void acceptNext() {
        acceptor_.async_accept([this](beast::error_code error, tcp::socket socket) {
            if (error == asio::error::operation_aborted) return;
            if (!error && connections_ < CONNECTION_LIMIT) {
                beast::error_code ignored;
                socket.set_option(tcp::no_delay(true), ignored);  // a touchpad sends many small moves
                std::make_shared<HttpConnection>(std::move(socket), link_, files_, connections_)->read();
            }
            acceptNext();
        });
    }

    std::shared_ptr<UiMailbox> mailbox_;
    std::shared_ptr<ConnectionState> state_;
    std::unique_ptr<RandomSource> random_;
    std::vector<PageFile> files_;
    WebLink link_;
    std::size_t connections_ = 0;
    asio::io_context context_{1};
    tcp::acceptor acceptor_{context_};
    std::thread thread_;
};

WebServer::WebServer(std::shared_ptr<UiMailbox> mailbox, std::shared_ptr<ConnectionState> state,
                     std::unique_ptr<RandomSource> random, std::vector<PageFile> files)
    : impl_(std::make_unique<Impl>(std::move(mailbox), std::move(state), std::move(random), std::move(files))) {}

WebServer::~WebServer() = default;

std::optional<std::string> WebServer::start(std::uint16_t port) { return impl_->start(port); }

void WebServer::stop() { impl_->stop(); }

}  // namespace vork
