#include "web/page_socket.h"

#include <utility>
#include <vector>

#include "web/server_clock.h"

namespace vork {

namespace websocket = beast::websocket;

PageSocket::PageSocket(ConnectionSlots& slots, const std::string& peer, beast::tcp_stream stream, WebLink& link,
                       const WebServerLimits& limits, OpenPages& pages)
    : slot_(slots, *this, peer, Clock::now()),
      limits_(limits),
      pages_(pages),
      socket_(std::move(stream)),
      session_(link, peer, steadyNowMs()),
      wakeTimer_(socket_.get_executor()),
      writeTimer_(socket_.get_executor()) {
    pages_[session_.id()] = this;
}

void PageSocket::accept(const Request& request) {
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

void PageSocket::closeSocket() {
    beast::error_code ignored;
    beast::get_lowest_layer(socket_).socket().close(ignored);
}

// Reads the next message, unless the page is closing or its replies are
// not being taken: then it waits until a write makes room.
void PageSocket::read() {
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
        self->act(self->session_.receive(message, steadyNowMs()));
        self->read();
    });
}

void PageSocket::act(WebSession::Outcome outcome) {
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
void PageSocket::arm() {
    std::optional<std::uint64_t> wake = session_.nextWake();
    if (finished_ || closing_) wake.reset();
    if (wake == armedFor_) return;
    armedFor_ = wake;
    if (!wake) {
        wakeTimer_.cancel();
        return;
    }
    const std::uint64_t now = steadyNowMs();
    wakeTimer_.expires_after(std::chrono::milliseconds(*wake > now ? *wake - now : 0));
    wakeTimer_.async_wait([self = shared_from_this()](beast::error_code error) {
        if (error || self->finished_) return;  // replaced or cancelled
        self->armedFor_.reset();
        self->act(self->session_.wake(steadyNowMs()));
    });
}

void PageSocket::write() {
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

void PageSocket::close() {
    startWriting();
    socket_.async_close(websocket::close_code::policy_error, [self = shared_from_this()](beast::error_code) {
        self->writing_ = false;
        self->finish();
    });
}

// A write (or the closing frame) that the peer does not take within the
// limit closes the socket: its replies would otherwise wait for ever.
void PageSocket::startWriting() {
    writing_ = true;
    writeStartedAt_ = Clock::now();
    if (!writeTimerRunning_) watchWrite(limits_.write);
}

void PageSocket::watchWrite(Clock::duration after) {
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
void PageSocket::finish() {
    if (finished_) return;
    finished_ = true;
    pages_.erase(session_.id());
    session_.closed();
    beast::error_code ignored;
    wakeTimer_.cancel(ignored);
    writeTimer_.cancel(ignored);
    slot_.release();
}

}  // namespace vork
