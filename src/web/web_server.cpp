// Boost.Beast and Asio, header-only, all on one thread: every handler runs
// there, so the sessions, the slots and the link's shared state need no locks
// of their own.
#include <utility>  // Boost 1.74's headers use std::exchange without including it

#include "web/web_server.h"

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>

#include <algorithm>
#include <deque>
#include <exception>
#include <system_error>
#include <thread>

namespace vork {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
using tcp = asio::ip::tcp;
using Clock = std::chrono::steady_clock;

namespace {

constexpr std::size_t HEADER_LIMIT = std::size_t{8} * 1024;
constexpr int SEND_BUFFER_BYTES = 64 * 1024;

// Other sites' scripts may not run in, frame or be loaded by the page.
constexpr std::string_view SECURITY_POLICY =
    "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self'; connect-src 'self'; "
    "frame-ancestors 'none'; base-uri 'none'; form-action 'none'";

std::uint64_t nowMs() {
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch()).count());
}

class Connection;

// Every open connection, so that one host cannot take them all: a few per
// address, and when a host's or the server's are all taken, the oldest that
// is not a paired page makes room for the newcomer.
class Slots {
public:
    explicit Slots(const WebServerLimits& limits) : limits_(limits) {}

    // Whether a new connection from `peer` may be served; may close another to make room.
    bool admit(const asio::ip::address& peer);
    void add(Connection* connection) { open_.push_back(connection); }
    void remove(Connection* connection) { std::erase(open_, connection); }

private:
    const WebServerLimits& limits_;
    std::vector<Connection*> open_;
};

// A connection as the slots see it; it holds its slot from construction
// until it goes or is handed over.
class Connection {
public:
    Connection(Slots& slots, asio::ip::address peer) : slots_(&slots), peer_(std::move(peer)), openedAt_(Clock::now()) {
        slots_->add(this);
    }
    virtual ~Connection() { leaveSlots(); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Closes the socket at once; its handlers end the object.
    void evict() {
        evicted_ = true;
        closeSocket();
    }
    // A plain HTTP connection or a page not (yet) paired.
    [[nodiscard]] virtual bool expendable() const = 0;

    [[nodiscard]] const asio::ip::address& peer() const { return peer_; }
    [[nodiscard]] Clock::time_point openedAt() const { return openedAt_; }
    [[nodiscard]] bool evicted() const { return evicted_; }

protected:
    virtual void closeSocket() = 0;
    void leaveSlots() {
        if (slots_) slots_->remove(this);
        slots_ = nullptr;
    }
    Slots& slots() { return *slots_; }

private:
    Slots* slots_;
    asio::ip::address peer_;
    Clock::time_point openedAt_;
    bool evicted_ = false;
};

bool Slots::admit(const asio::ip::address& peer) {
    std::size_t total = 0;
    std::size_t fromPeer = 0;
    Connection* oldest = nullptr;
    Connection* oldestFromPeer = nullptr;
    const auto older = [](Connection* candidate, Connection* than) {
        return candidate->expendable() && (than == nullptr || candidate->openedAt() < than->openedAt());
    };
    for (Connection* connection : open_) {
        if (connection->evicted()) continue;  // closing already
        ++total;
        if (older(connection, oldest)) oldest = connection;
        if (connection->peer() != peer) continue;
        ++fromPeer;
        if (older(connection, oldestFromPeer)) oldestFromPeer = connection;
    }
    // A browser opens several connections at once: its own idle ones make
    // room first, so a host competes only with itself.
    if (fromPeer >= limits_.perAddress) {
        if (oldestFromPeer == nullptr) return false;  // all its slots are paired pages
        oldestFromPeer->evict();
        return true;
    }
    if (total < limits_.connections) return true;
    if (oldest == nullptr) return false;  // every slot is a paired page: the newcomer waits
    oldest->evict();
    return true;
}

class PageSocket final : public Connection, public std::enable_shared_from_this<PageSocket> {
public:
    PageSocket(Slots& slots, const asio::ip::address& peer, beast::tcp_stream stream, WebLink& link,
               const WebServerLimits& limits)
        : Connection(slots, peer),
          limits_(limits),
          socket_(std::move(stream)),
          session_(link, peer.to_string(), nowMs()),
          wakeTimer_(socket_.get_executor()),
          writeTimer_(socket_.get_executor()) {}
    ~PageSocket() override { finish(); }
    PageSocket(const PageSocket&) = delete;
    PageSocket& operator=(const PageSocket&) = delete;

    void accept(const http::request<http::empty_body>& request) {
        beast::get_lowest_layer(socket_).expires_never();  // the WebSocket keeps its own time limits
        websocket::stream_base::timeout timeouts{};
        timeouts.handshake_timeout = limits_.handshake;
        timeouts.idle_timeout = limits_.idle;
        timeouts.keep_alive_pings = true;
        socket_.set_option(timeouts);
        socket_.read_message_max(WEB_MESSAGE_LIMIT);
        socket_.text(true);
        socket_.async_accept(request, [self = shared_from_this()](beast::error_code error) {
            if (error) return self->finish();
            self->read();
            self->arm();
        });
    }

    [[nodiscard]] bool expendable() const override { return session_.stage() != WebSession::Stage::Paired; }

private:
    void closeSocket() override {
        beast::error_code ignored;
        beast::get_lowest_layer(socket_).socket().close(ignored);
    }

    // Reads the next message, unless the page is closing or its replies are
    // not being taken: then it waits until a write makes room.
    void read() {
        if (reading_ || closing_ || finished_ || outbox_.size() >= limits_.waitingReplies) return;
        reading_ = true;
        socket_.async_read(buffer_, [self = shared_from_this()](beast::error_code error, std::size_t) {
            self->reading_ = false;
            if (error) return self->finish();
            if (!self->socket_.got_text()) {
                self->act({{"error text only"}, true});
                return;
            }
            const std::string message = beast::buffers_to_string(self->buffer_.data());
            self->buffer_.consume(self->buffer_.size());
            self->act(self->session_.receive(message, nowMs()));
            self->read();
        });
    }

    void act(WebSession::Outcome outcome) {
        if (finished_ || closing_) return;
        for (std::string& reply : outcome.replies) outbox_.push_back(std::move(reply));
        if (outcome.close) closing_ = true;
        write();
        arm();
    }

    // The session's next wake-up; a new time replaces the one waited for.
    void arm() {
        const std::optional<std::uint64_t> wake = session_.nextWake();
        if (!wake || finished_ || closing_) {
            wakeTimer_.cancel();
            return;
        }
        const std::uint64_t now = nowMs();
        wakeTimer_.expires_after(std::chrono::milliseconds(*wake > now ? *wake - now : 0));
        wakeTimer_.async_wait([self = shared_from_this()](beast::error_code error) {
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
        startWriting();
        socket_.async_write(asio::buffer(outbox_.front()),
                            [self = shared_from_this()](beast::error_code error, std::size_t) {
                                self->writing_ = false;
                                self->outbox_.pop_front();
                                if (error) return self->finish();
                                self->write();
                                self->read();  // a reply went: there is room again
                            });
    }

    void close() {
        startWriting();
        socket_.async_close(websocket::close_code::policy_error, [self = shared_from_this()](beast::error_code) {
            self->writing_ = false;
            self->finish();
        });
    }

    // A write (or the closing frame) that the peer does not take within the
    // limit closes the socket: its replies would otherwise wait for ever.
    void startWriting() {
        writing_ = true;
        writeStartedAt_ = Clock::now();
        if (!writeTimerRunning_) watchWrite(limits_.write);
    }

    void watchWrite(Clock::duration after) {
        writeTimerRunning_ = true;
        writeTimer_.expires_after(after);
        writeTimer_.async_wait([self = shared_from_this()](beast::error_code error) {
            self->writeTimerRunning_ = false;
            if (error || self->finished_ || !self->writing_) return;
            const Clock::duration taken = Clock::now() - self->writeStartedAt_;
            if (taken < self->limits_.write) return self->watchWrite(self->limits_.write - taken);
            self->closeSocket();
            self->finish();
        });
    }

    // Once, whatever ended the socket.
    void finish() {
        if (finished_) return;
        finished_ = true;
        session_.closed(nowMs());
        beast::error_code ignored;
        wakeTimer_.cancel(ignored);
        writeTimer_.cancel(ignored);
        leaveSlots();
    }

    const WebServerLimits& limits_;
    // No permessage-deflate: the messages are a few bytes, and it would build zlib in.
    websocket::stream<beast::tcp_stream, false> socket_;
    beast::flat_buffer buffer_;
    WebSession session_;
    asio::steady_timer wakeTimer_;
    asio::steady_timer writeTimer_;
    std::deque<std::string> outbox_;
    Clock::time_point writeStartedAt_;
    bool reading_ = false;
    bool writing_ = false;
    bool writeTimerRunning_ = false;
    bool closing_ = false;
    bool finished_ = false;
};

class HttpConnection final : public Connection, public std::enable_shared_from_this<HttpConnection> {
public:
    HttpConnection(Slots& slots, const asio::ip::address& peer, tcp::socket socket, WebLink& link,
                   const std::vector<PageFile>& files, const WebServerLimits& limits)
        : Connection(slots, peer),
          stream_(std::move(socket)),
          link_(link),
          files_(files),
          limits_(limits),
          // Keep-alive does not renew it: one host cannot hold a slot by asking again and again.
          deadline_(Clock::now() + limits.httpLifetime),
          buffer_(HEADER_LIMIT) {}

    void read() {
        parser_.emplace();
        parser_->header_limit(HEADER_LIMIT);
        parser_->body_limit(0);  // the page only ever GETs
        stream_.expires_at(deadline_);
        http::async_read(stream_, buffer_, *parser_, [self = shared_from_this()](beast::error_code error, std::size_t) {
            if (error == http::error::header_limit || error == http::error::buffer_overflow)
                return self->refuse(http::status::request_header_fields_too_large);
            if (error == http::error::body_limit) return self->refuse(http::status::payload_too_large);
            if (error) return self->shutdown();
            self->answer();
        });
    }

    [[nodiscard]] bool expendable() const override { return true; }

private:
    void closeSocket() override { stream_.close(); }

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
            // The socket takes the connection over, and its slot; the request
            // is read only while accepting is set off, so it may die with this connection.
            Slots& slots = this->slots();
            leaveSlots();
            // cppcheck-suppress accessMoved ; stream_ is moved once and not used after
            std::make_shared<PageSocket>(slots, peer(), std::move(stream_), link_, limits_)->accept(request);
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
        stream_.expires_at(deadline_);
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

    beast::tcp_stream stream_;
    WebLink& link_;
    const std::vector<PageFile>& files_;
    const WebServerLimits& limits_;
    Clock::time_point deadline_;
    beast::flat_buffer buffer_;
    std::optional<http::request_parser<http::empty_body>> parser_;
};

}  // namespace

class WebServer::Impl {
public:
    Impl(std::shared_ptr<UiMailbox> mailbox, std::shared_ptr<ConnectionState> state,
         std::unique_ptr<RandomSource> random, std::vector<PageFile> files, const WebServerLimits& limits)
        : mailbox_(std::move(mailbox)),
          state_(std::move(state)),
          random_(std::move(random)),
          files_(std::move(files)),
          limits_(limits),
          link_(*mailbox_, *state_, *random_) {
        link_.unpairedLimitMs = limits_.unpairedMs;
    }

    ~Impl() { stop(); }
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;

    bool start(std::uint16_t port) {
        if (thread_.joinable()) return false;
        port_ = port;
        firstTry_ = Clock::now();
        asio::post(context_, [this] { listen(); });
        try {
            thread_ = std::thread([this] { run(); });
        } catch (const std::system_error&) {
            return false;  // the system has no thread to give
        }
        return true;
    }

    void stop() {
        if (!thread_.joinable()) return;
        asio::post(context_, [this] {
            beast::error_code ignored;
            acceptor_.close(ignored);
            retryTimer_.cancel(ignored);
            context_.stop();
        });
        thread_.join();
    }

private:
    // Whatever fails on this thread (out of memory, say) ends the browser
    // remote alone: the window says so and the Bluetooth link runs on.
    void run() {
        try {
            context_.run();
        } catch (...) {
            beast::error_code ignored;
            acceptor_.close(ignored);
            mailbox_->publishWebServer(WebServerState::Stopped, port_);
        }
    }

    void listen() {
        beast::error_code error;
        const tcp::endpoint endpoint(tcp::v4(), port_);
        acceptor_.open(endpoint.protocol(), error);
#ifdef _WIN32
        // No other program may take the port over while Vork holds it.
        using ExclusiveUse = asio::detail::socket_option::boolean<SOL_SOCKET, SO_EXCLUSIVEADDRUSE>;
        if (!error) acceptor_.set_option(ExclusiveUse(true), error);
#else
        // Linux refuses a port while its last connections wait out TIME_WAIT; Windows has no such wait.
        if (!error) acceptor_.set_option(tcp::acceptor::reuse_address(true), error);
#endif
        if (!error) acceptor_.bind(endpoint, error);
        if (!error) acceptor_.listen(asio::socket_base::max_listen_connections, error);
        if (!error) {
            mailbox_->publishWebServer(WebServerState::Listening, port_);
            acceptNext();
            return;
        }
        beast::error_code ignored;
        acceptor_.close(ignored);
        // Vork's own connections of its last run may hold the port for a while.
        if (Clock::now() - firstTry_ >= limits_.bindRetryFor) {
            mailbox_->publishWebServer(WebServerState::PortBusy, port_);
            return;
        }
        if (!retrying_) mailbox_->publishWebServer(WebServerState::Retrying, port_);
        retrying_ = true;
        retryTimer_.expires_after(limits_.bindRetry);
        retryTimer_.async_wait([this](beast::error_code waitError) {
            if (!waitError) listen();
        });
    }

    void acceptNext() {
        acceptor_.async_accept([this](beast::error_code error, tcp::socket socket) {
            if (error == asio::error::operation_aborted) return;
            if (error) {
                // Out of sockets, say: trying again at once would only spin.
                retryTimer_.expires_after(limits_.acceptPause);
                retryTimer_.async_wait([this](beast::error_code waitError) {
                    if (!waitError) acceptNext();
                });
                return;
            }
            serve(std::move(socket));
            acceptNext();
        });
    }

    void serve(tcp::socket socket) {
        beast::error_code error;
        const tcp::endpoint peer = socket.remote_endpoint(error);
        if (error || !slots_.admit(peer.address())) return;  // the socket closes as it goes
        socket.set_option(tcp::no_delay(true), error);  // a touchpad sends many small moves
        // A fixed, small send buffer: the system's own would grow to megabytes
        // for a peer that does not read, and hide it from the write time limit.
        socket.set_option(asio::socket_base::send_buffer_size(SEND_BUFFER_BYTES), error);
        std::make_shared<HttpConnection>(slots_, peer.address(), std::move(socket), link_, files_, limits_)->read();
    }

    std::shared_ptr<UiMailbox> mailbox_;
    std::shared_ptr<ConnectionState> state_;
    std::unique_ptr<RandomSource> random_;
    std::vector<PageFile> files_;
    WebServerLimits limits_;
    WebLink link_;
    Slots slots_{limits_};
    std::uint16_t port_ = 0;
    Clock::time_point firstTry_;
    bool retrying_ = false;
    asio::io_context context_{1};
    tcp::acceptor acceptor_{context_};
    asio::steady_timer retryTimer_{context_};
    std::thread thread_;
};

WebServer::WebServer(std::shared_ptr<UiMailbox> mailbox, std::shared_ptr<ConnectionState> state,
                     std::unique_ptr<RandomSource> random, std::vector<PageFile> files, const WebServerLimits& limits)
    : impl_(std::make_unique<Impl>(std::move(mailbox), std::move(state), std::move(random), std::move(files),
                                   limits)) {}

WebServer::~WebServer() = default;

bool WebServer::start(std::uint16_t port) { return impl_->start(port); }

void WebServer::stop() { impl_->stop(); }

}  // namespace vork
