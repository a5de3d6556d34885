// Boost.Beast and Asio, header-only, all on one thread: every handler runs
// there, so the sessions, the slots and the link's shared state need no locks
// of their own. One file, as Beast is the slow part of the build; the rules
// (routes, sessions, the Connect page's state) live in their own pure files.
#include <utility>  // Boost 1.74's headers use std::exchange without including it

#include "web/web_server.h"

#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>

#include <algorithm>
#include <array>
#include <atomic>
#include <deque>
#include <exception>
#include <map>
#include <future>
#include <system_error>
#include <thread>

#include "web/connect_page.h"
#include "web/reachable_addresses.h"

namespace vork {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
using tcp = asio::ip::tcp;
using Clock = std::chrono::steady_clock;
using Request = http::request<http::string_body>;
using Response = http::response<http::string_body>;

namespace {

constexpr std::size_t HEADER_LIMIT = std::size_t{8} * 1024;
constexpr int SEND_BUFFER_BYTES = 64 * 1024;
// The Connect page is one browser on this PC: a few connections are plenty.
constexpr std::size_t CONNECT_PAGE_CONNECTIONS = 8;
constexpr auto CONNECT_PAGE_START_LIMIT = std::chrono::seconds(2);
constexpr auto STOP_LIMIT = std::chrono::seconds(2);

// Other sites' scripts may not run in, frame or be loaded by the pages.
constexpr std::string_view SECURITY_POLICY =
    "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self' data:; connect-src 'self'; "
    "manifest-src 'self'; "
    "frame-ancestors 'none'; base-uri 'none'; form-action 'none'";

std::uint64_t nowMs() {
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch()).count());
}

beast::string_view view(std::string_view text) { return {text.data(), text.size()}; }
std::string_view view(beast::string_view text) { return {text.data(), text.size()}; }

class Connection;

// Every open connection of a site, so that one host cannot take them all: a
// few per address, and when a host's or the site's are all taken, the oldest
// that is not a paired page makes room for the newcomer.
class Slots {
public:
    Slots(std::size_t connections, std::size_t perAddress) : connections_(connections), perAddress_(perAddress) {}

    // Whether a new connection from `peer` may be served; may close another to make room.
    bool admit(const asio::ip::address& peer);
    void add(Connection* connection) { open_.push_back(connection); }
    void remove(Connection* connection) { std::erase(open_, connection); }
    // Switched off: every connection goes.
    void evictAll();

private:
    std::size_t connections_;
    std::size_t perAddress_;
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
    if (fromPeer >= perAddress_) {
        if (oldestFromPeer == nullptr) return false;  // all its slots are paired pages
        oldestFromPeer->evict();
        return true;
    }
    if (total < connections_) return true;
    if (oldest == nullptr) return false;  // every slot is a paired page: the newcomer waits
    oldest->evict();
    return true;
}

void Slots::evictAll() {
    const std::vector<Connection*> open = open_;  // evicting may end some at once
    for (Connection* connection : open)
        if (!connection->evicted()) connection->evict();
}

class PageSocket;
// The open pages by their connection, for the window's messages to them.
using OpenPages = std::map<ConnectionId, PageSocket*>;

class PageSocket final : public Connection, public std::enable_shared_from_this<PageSocket> {
public:
    PageSocket(Slots& slots, const asio::ip::address& peer, beast::tcp_stream stream, WebLink& link,
               const WebServerLimits& limits, OpenPages& pages)
        : Connection(slots, peer),
          limits_(limits),
          pages_(pages),
          socket_(std::move(stream)),
          session_(link, peer.to_string(), nowMs()),
          wakeTimer_(socket_.get_executor()),
          writeTimer_(socket_.get_executor()) {
        pages_[session_.id()] = this;
    }
    ~PageSocket() override { finish(); }
    PageSocket(const PageSocket&) = delete;
    PageSocket& operator=(const PageSocket&) = delete;

    void accept(const Request& request) {
        beast::get_lowest_layer(socket_).expires_never();  // the WebSocket keeps its own time limits
        websocket::stream_base::timeout timeouts{};
        timeouts.handshake_timeout = limits_.handshake;
        timeouts.idle_timeout = limits_.idle;
        timeouts.keep_alive_pings = true;
        socket_.set_option(timeouts);
        socket_.read_message_max(WEB_FRAME_LIMIT);
        socket_.text(true);
        socket_.async_accept(request, [self = shared_from_this()](beast::error_code error) {
            if (error) return self->finish();
            self->read();
            self->arm();
        });
    }

    // A page that has not begun a handshake; one in mid-pairing is kept like
    // a paired one (an address has at most one, and it has 30 seconds).
    [[nodiscard]] bool expendable() const override { return session_.stage() == WebSession::Stage::Start; }

    // A message from the window; it waits its turn behind the replies.
    void fromWindow(std::string_view text) { act(session_.fromWindow(text)); }

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
    // The timer is touched only when the time changes: under Wine every
    // change of a timer is a round trip to the server, and a paired page that
    // holds nothing (most messages) has no time at all.
    void arm() {
        std::optional<std::uint64_t> wake = session_.nextWake();
        if (finished_ || closing_) wake.reset();
        if (wake == armedFor_) return;
        armedFor_ = wake;
        if (!wake) {
            wakeTimer_.cancel();
            return;
        }
        const std::uint64_t now = nowMs();
        wakeTimer_.expires_after(std::chrono::milliseconds(*wake > now ? *wake - now : 0));
        wakeTimer_.async_wait([self = shared_from_this()](beast::error_code error) {
            if (error || self->finished_) return;  // replaced or cancelled
            self->armedFor_.reset();
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
        pages_.erase(session_.id());
        session_.closed();
        beast::error_code ignored;
        wakeTimer_.cancel(ignored);
        writeTimer_.cancel(ignored);
        leaveSlots();
    }

    const WebServerLimits& limits_;
    OpenPages& pages_;
    // No permessage-deflate: the messages are a few bytes, and it would build zlib in.
    websocket::stream<beast::tcp_stream, false> socket_;
    beast::flat_buffer buffer_;
    WebSession session_;
    asio::steady_timer wakeTimer_;
    std::optional<std::uint64_t> armedFor_;  // when wakeTimer_ waits for, if it does
    asio::steady_timer writeTimer_;
    std::deque<std::string> outbox_;
    Clock::time_point writeStartedAt_;
    bool reading_ = false;
    bool writing_ = false;
    bool writeTimerRunning_ = false;
    bool closing_ = false;
    bool finished_ = false;
};

// The answer a site gives one plain HTTP request.
struct Answer {
    int status = 404;
    std::string_view contentType = "text/plain; charset=utf-8";
    std::string body;  // for a page file: a copy would be wasteful, see `file`
    const PageFile* file = nullptr;
    bool webSocket = false;  // hand the connection over to the page's socket
};

class Site {
public:
    virtual ~Site() = default;
    [[nodiscard]] virtual std::size_t bodyLimit() const = 0;
    virtual Answer answer(const Request& request) = 0;
    // The page's socket for a request answered webSocket.
    virtual void openPage(Slots& slots, const asio::ip::address& peer, beast::tcp_stream stream,
                          const Request& request) = 0;

protected:
    Site() = default;
    Site(const Site&) = default;
    Site& operator=(const Site&) = default;
};

Answer plainAnswer(int status, std::string_view reason) {
    return {status, "text/plain; charset=utf-8", status == 204 ? std::string() : std::string(reason) + "\n"};
}

class HttpConnection final : public Connection, public std::enable_shared_from_this<HttpConnection> {
public:
    HttpConnection(Slots& slots, const asio::ip::address& peer, tcp::socket socket, Site& site,
                   const WebServerLimits& limits)
        : Connection(slots, peer),
          stream_(std::move(socket)),
          site_(site),
          // Keep-alive does not renew it: one host cannot hold a slot by asking again and again.
          deadline_(Clock::now() + limits.httpLifetime),
          buffer_(HEADER_LIMIT) {}

    void read() {
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

    [[nodiscard]] bool expendable() const override { return true; }

private:
    void closeSocket() override { stream_.close(); }

    void answer() {
        const Request& request = parser_->get();
        Answer answer = site_.answer(request);
        if (answer.webSocket) {
            // The socket takes the connection over, and its slot; the request
            // is read only while accepting is set off, so it may die with this connection.
            Slots& slots = this->slots();
            leaveSlots();
            // cppcheck-suppress accessMoved ; stream_ is moved once and not used after
            site_.openPage(slots, peer(), std::move(stream_), request);
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

    void refuse(http::status status) {
        auto response = std::make_shared<Response>(status, 11);
        response->keep_alive(false);
        response->set(http::field::content_type, "text/plain");
        response->body() = std::string(response->reason()) + "\n";
        response->prepare_payload();
        send(response);
    }

    void send(const std::shared_ptr<Response>& response) {
        stream_.expires_at(deadline_);
        http::async_write(stream_, *response, [self = shared_from_this(), response](beast::error_code error, std::size_t) {
            if (error || !response->keep_alive()) return self->shutdown();
            self->read();
        });
    }

    void shutdown() {
        beast::error_code ignored;
        stream_.socket().shutdown(tcp::socket::shutdown_send, ignored);
    }

    beast::tcp_stream stream_;
    Site& site_;
    Clock::time_point deadline_;
    beast::flat_buffer buffer_;
    std::optional<http::request_parser<http::string_body>> parser_;
};

RequestLine requestLine(const Request& request) {
    return RequestLine{view(request.method_string()), view(request.target()), view(request[http::field::host]),
                       view(request[http::field::origin]), websocket::is_upgrade(request)};
}

// Listens on one address and port, trying again while the port is taken.
class Listener {
public:
    using Serve = std::function<void(tcp::socket)>;

    Listener(asio::io_context& context, const WebServerLimits& limits) : limits_(limits), acceptor_(context), timer_(context) {}

    // Tries at once; each state as it comes. `serve` gets each accepted socket.
    void open(const tcp::endpoint& endpoint, bool retry, Serve serve, std::function<void(WebServerState)> report) {
        close();
        endpoint_ = endpoint;
        retry_ = retry;
        serve_ = std::move(serve);
        report_ = std::move(report);
        firstTry_ = Clock::now();
        retrying_ = false;
        ++generation_;
        listen(generation_);
    }
    void close() {
        ++generation_;
        beast::error_code ignored;
        acceptor_.close(ignored);
        timer_.cancel(ignored);
    }
    [[nodiscard]] bool listening() const { return acceptor_.is_open(); }
    [[nodiscard]] std::uint16_t port() const {
        beast::error_code error;
        const tcp::endpoint bound = acceptor_.local_endpoint(error);
        return error ? std::uint16_t{0} : bound.port();
    }

private:
    void listen(std::uint64_t generation) {
        if (generation != generation_) return;  // switched off or moved since
        beast::error_code error;
        acceptor_.open(endpoint_.protocol(), error);
#ifdef _WIN32
        // No other program may take the port over while Vork holds it.
        using ExclusiveUse = asio::detail::socket_option::boolean<SOL_SOCKET, SO_EXCLUSIVEADDRUSE>;
        if (!error) acceptor_.set_option(ExclusiveUse(true), error);
#else
        // Linux refuses a port while its last connections wait out TIME_WAIT; Windows has no such wait.
        if (!error) acceptor_.set_option(tcp::acceptor::reuse_address(true), error);
#endif
        if (!error) acceptor_.bind(endpoint_, error);
        if (!error) acceptor_.listen(asio::socket_base::max_listen_connections, error);
        if (!error) {
            report_(WebServerState::Listening);
            acceptNext(generation);
            return;
        }
        beast::error_code ignored;
        acceptor_.close(ignored);
        // Vork's own connections of its last run may hold the port for a while.
        if (!retry_ || Clock::now() - firstTry_ >= limits_.bindRetryFor) {
            report_(WebServerState::PortBusy);
            return;
        }
        if (!retrying_) report_(WebServerState::Retrying);
        retrying_ = true;
        timer_.expires_after(limits_.bindRetry);
        timer_.async_wait([this, generation](beast::error_code waitError) {
            if (!waitError) listen(generation);
        });
    }

    void acceptNext(std::uint64_t generation) {
        acceptor_.async_accept([this, generation](beast::error_code error, tcp::socket socket) {
            if (error == asio::error::operation_aborted || generation != generation_) return;
            if (error) {
                // Out of sockets, say: trying again at once would only spin.
                timer_.expires_after(limits_.acceptPause);
                timer_.async_wait([this, generation](beast::error_code waitError) {
                    if (!waitError && generation == generation_) acceptNext(generation);
                });
                return;
            }
            serve_(std::move(socket));
            acceptNext(generation);
        });
    }

    const WebServerLimits& limits_;
    tcp::acceptor acceptor_;
    asio::steady_timer timer_;
    tcp::endpoint endpoint_;
    bool retry_ = false;
    Serve serve_;
    std::function<void(WebServerState)> report_;
    Clock::time_point firstTry_;
    bool retrying_ = false;
    std::uint64_t generation_ = 0;
};

// Admits a socket into a site's slots; false when it was turned away.
bool admitted(tcp::socket& socket, Slots& slots, asio::ip::address& peer) {
    beast::error_code error;
    peer = socket.remote_endpoint(error).address();
    if (error || !slots.admit(peer)) return false;  // the socket closes as it goes
    socket.set_option(tcp::no_delay(true), error);  // a touchpad sends many small moves
    // A fixed, small send buffer: the system's own would grow to megabytes
    // for a peer that does not read, and hide it from the write time limit.
    socket.set_option(asio::socket_base::send_buffer_size(SEND_BUFFER_BYTES), error);
    return true;
}

}  // namespace

class WebServer::Impl {
public:
    Impl(WebServerParts parts, const WebServerLimits& limits)
        : parts_(std::move(parts)),
          limits_(limits),
          offers_(*parts_.random),
          link_(*parts_.mailbox, *parts_.state, *parts_.random, *parts_.trusted, *parts_.crypto, offers_),
          remoteSlots_(limits_.connections, limits_.perAddress),
          connectSlots_(CONNECT_PAGE_CONNECTIONS, CONNECT_PAGE_CONNECTIONS),
          remote_(*this, remoteSlots_),
          connect_(*this, connectSlots_) {
        link_.unpairedLimitMs = limits_.unpairedMs;
    }

    ~Impl() { stop(); }
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;

    bool setRemote(std::optional<std::uint16_t> port) {
        if (!ensureThread()) return false;
        asio::post(context_, [this, port] { remote_.switchTo(port); });
        return true;
    }

    void describeSwitch(SwitchSource source) {
        if (!ensureThread()) return;
        asio::post(context_, [this, source] { switchSource_ = source; });
    }

    void sendToPage(ConnectionId page, std::string text) {
        if (!thread_.joinable() || failed_) return;
        asio::post(context_, [this, page, text = std::move(text)] {
            const auto found = pages_.find(page);
            if (found != pages_.end()) found->second->fromWindow(text);
        });
    }

    std::optional<std::string> connectPageAddress() {
        if (!ensureThread() || failed_) return std::nullopt;
        auto promise = std::make_shared<std::promise<std::optional<std::string>>>();
        std::future<std::optional<std::string>> address = promise->get_future();
        asio::post(context_, [this, promise] { promise->set_value(connect_.address()); });
        if (address.wait_for(CONNECT_PAGE_START_LIMIT) != std::future_status::ready) return std::nullopt;
        return address.get();
    }

    // Every socket closes and its handlers end on the server's own thread;
    // what does not end within the limit is dropped with the context.
    void stop() {
        if (!thread_.joinable()) return;
        asio::post(context_, [this] {
            remote_.close();
            connect_.close();
            work_.reset();
        });
        if (ended_.wait_for(STOP_LIMIT) != std::future_status::ready) context_.stop();
        thread_.join();
    }

private:
    // The browser remote: every local address, any browser that names this PC.
    class RemoteSite final : public Site {
    public:
        RemoteSite(Impl& server, Slots& slots)
            : server_(server), slots_(slots), listener_(server.context_, server.limits_) {}

        void switchTo(std::optional<std::uint16_t> port) {
            if (port == port_ && listener_.listening()) return;
            close();
            port_ = port;
            state_.reset();
            if (!port) {
                server_.parts_.mailbox->publishWebServer(WebServerState::Off, 0);
                return;
            }
            listener_.open(
                tcp::endpoint(tcp::v4(), *port), true,
                [this](tcp::socket socket) {
                    asio::ip::address peer;
                    if (!admitted(socket, slots_, peer)) return;
                    std::make_shared<HttpConnection>(slots_, peer, std::move(socket), *this, server_.limits_)->read();
                },
                [this](WebServerState state) {
                    state_ = state;
                    server_.parts_.mailbox->publishWebServer(state, port_.value_or(0));
                });
        }
        void close() {
            listener_.close();
            slots_.evictAll();  // a remote switched off serves nobody any more
        }
        [[nodiscard]] std::optional<std::uint16_t> port() const { return port_; }
        [[nodiscard]] std::optional<WebServerState> state() const { return state_; }

        [[nodiscard]] std::size_t bodyLimit() const override { return 0; }  // the page only ever GETs

        Answer answer(const Request& request) override {
            const Route route = routeRequest(requestLine(request), server_.parts_.pages.remote, server_.parts_.ownNames);
            if (route.webSocket) return {101, {}, {}, nullptr, true};
            if (route.file) return {200, {}, {}, route.file};
            if (route.foreignHost) return {403, "text/html; charset=utf-8", foreignHostPage()};
            return plainAnswer(route.status, view(http::obsolete_reason(static_cast<http::status>(route.status))));
        }

        void openPage(Slots& slots, const asio::ip::address& peer, beast::tcp_stream stream,
                      const Request& request) override {
            const auto page = std::make_shared<PageSocket>(slots, peer, std::move(stream), server_.link_,
                                                           server_.limits_, server_.pages_);
            page->accept(request);
        }

    private:
        // A name that is not this PC's (perhaps an attacker's, pointed at it):
        // the user is told which address to open instead.
        std::string foreignHostPage() {
            std::string page = "<!doctype html><meta charset=\"utf-8\"><title>Vork</title>"
                               "<p>This is Vork's browser remote. Open it by this PC's address:</p><ul>";
            for (const ReachableAddress& address : reachableAddresses(server_.parts_.adapters->list()))
                page.append("<li>http://").append(address.address).append(":").append(std::to_string(port_.value_or(0)))
                    .append("/</li>");
            return page.append("</ul>");
        }

        Impl& server_;
        Slots& slots_;
        Listener listener_;
        std::optional<std::uint16_t> port_;
        std::optional<WebServerState> state_;
    };

    // The Connect page: 127.0.0.1 only, for the browser that holds the secret.
    class ConnectSite final : public Site {
    public:
        ConnectSite(Impl& server, Slots& slots)
            : server_(server), slots_(slots), listener_(server.context_, server.limits_) {}

        // Its address, listening first if need be; none when it cannot.
        std::optional<std::string> address() {
            if (!listener_.listening()) {
                std::array<std::uint8_t, CONNECT_SECRET_BYTES> bytes{};
                if (!server_.parts_.random->fill(bytes)) return std::nullopt;
                secret_ = toHex(bytes);
                listener_.open(
                    tcp::endpoint(asio::ip::address_v4::loopback(), 0), false,
                    [this](tcp::socket socket) {
                        asio::ip::address peer;
                        beast::error_code error;
                        // Bound to 127.0.0.1, but a peer is checked all the same.
                        if (!socket.remote_endpoint(error).address().is_loopback() || error) return;
                        if (!admitted(socket, slots_, peer)) return;
                        std::make_shared<HttpConnection>(slots_, peer, std::move(socket), *this, server_.limits_)
                            ->read();
                    },
                    [](WebServerState) {});
            }
            if (!listener_.listening()) return std::nullopt;
            return "http://127.0.0.1:" + std::to_string(listener_.port()) + "/" + secret_ + "/";
        }
        void close() {
            listener_.close();
            slots_.evictAll();
        }

        [[nodiscard]] std::size_t bodyLimit() const override { return CONNECT_BODY_LIMIT; }

        Answer answer(const Request& request) override {
            using Kind = ConnectRoute::Kind;
            const ConnectRoute route = routeConnectRequest(requestLine(request), request.body(), secret_,
                                                           listener_.port(), server_.parts_.pages.connect);
            TrustedDevices& trusted = *server_.parts_.trusted;
            switch (route.kind) {
            case Kind::Refused: return plainAnswer(403, "Forbidden");
            case Kind::NotFound: return plainAnswer(404, "Not Found");
            case Kind::WrongMethod: return plainAnswer(405, "Method Not Allowed");
            case Kind::File:
                // Each showing of the page offers a new secret and code.
                if (route.file->path == "/index.html") server_.offers_.renew(nowMs());
                return {200, {}, {}, route.file};
            case Kind::State: return {200, "application/json", server_.connectState()};
            case Kind::SwitchOn:
            case Kind::SwitchOff: {
                const SwitchDecision locked{false, 0, server_.switchSource_};
                if (locked.locked()) return plainAnswer(409, "Conflict");
                // The window decides and keeps the choice; the page sees it in the next state.
                server_.parts_.mailbox->publishSwitchWanted(route.kind == Kind::SwitchOn);
                return plainAnswer(202, "Accepted");
            }
            case Kind::Forget: return trusted.forget(route.id) ? plainAnswer(204, "") : plainAnswer(404, "Not Found");
            case Kind::ForgetAll: trusted.forgetAll(); return plainAnswer(204, "");
            }
            return plainAnswer(404, "Not Found");
        }

        void openPage(Slots&, const asio::ip::address&, beast::tcp_stream, const Request&) override {}

    private:
        Impl& server_;
        Slots& slots_;
        Listener listener_;
        std::string secret_;
    };

    std::string connectState() {
        ConnectState state;
        state.remoteOn = remote_.port().has_value();
        state.port = remote_.port().value_or(0);
        state.serverState = remote_.state();
        state.source = switchSource_;
        if (state.remoteOn && state.serverState == WebServerState::Listening) {
            state.networks = reachableAddresses(parts_.adapters->list());
            // Used, failed or expired: the page shows a new one.
            const std::uint64_t now = nowMs();
            const PairingOffer* offer = offers_.current(now);
            if (!offer) offer = offers_.renew(now);
            if (offer) state.pairing.emplace(toHex(offer->secret), offer->code);
        }
        TrustedDevices::Summary trusted = parts_.trusted->summary();
        state.trusted = std::move(trusted.devices);
        state.warnings = std::move(trusted.warnings);
        return connectStateJson(state);
    }

    bool ensureThread() {
        if (thread_.joinable()) return !failed_;
        try {
            thread_ = std::thread([this] { run(); });
        } catch (const std::system_error&) {
            return false;  // the system has no thread to give
        }
        return true;
    }

    // Whatever fails on this thread (out of memory, say) ends the browser
    // remote alone: the window says so and the Bluetooth link runs on.
    void run() {
        try {
            context_.run();
        } catch (...) {
            failed_ = true;
            parts_.mailbox->publishWebServer(WebServerState::Stopped, remote_.port().value_or(0));
        }
        threadEnded_.set_value();
    }

    WebServerParts parts_;
    WebServerLimits limits_;
    PairingOffers offers_;
    WebLink link_;
    SwitchSource switchSource_ = SwitchSource::Default;
    std::atomic<bool> failed_ = false;
    std::promise<void> threadEnded_;
    std::future<void> ended_ = threadEnded_.get_future();
    // Declared before the context: connections that die with it leave their slots.
    OpenPages pages_;
    Slots remoteSlots_;
    Slots connectSlots_;
    asio::io_context context_{1};
    // The thread waits for work even while nothing listens.
    asio::executor_work_guard<asio::io_context::executor_type> work_ = asio::make_work_guard(context_);
    RemoteSite remote_;
    ConnectSite connect_;
    std::thread thread_;
};

WebServer::WebServer(WebServerParts parts, const WebServerLimits& limits)
    : impl_(std::make_unique<Impl>(std::move(parts), limits)) {}

WebServer::~WebServer() = default;

bool WebServer::setRemote(std::optional<std::uint16_t> port) { return impl_->setRemote(port); }

void WebServer::describeSwitch(SwitchSource source) { impl_->describeSwitch(source); }

std::optional<std::string> WebServer::connectPageAddress() { return impl_->connectPageAddress(); }

void WebServer::sendToPage(ConnectionId page, std::string text) { impl_->sendToPage(page, std::move(text)); }

void WebServer::stop() { impl_->stop(); }

}  // namespace vork
