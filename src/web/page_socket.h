// A page's WebSocket: its session's messages read, replied to and woken on
// time. The replies wait in a bounded queue, and reading pauses while it is
// full; a write the peer does not take in time closes the socket.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>  // before Boost 1.74's headers, which use std::exchange without including it

#include <boost/asio/steady_timer.hpp>
#include <boost/beast/websocket.hpp>

#include "web/beast_names.h"
#include "web/connection_slots.h"
#include "web/web_server_limits.h"
#include "web/web_session.h"

namespace vork {

class PageSocket;
// The open pages by their connection, for the window's messages to them.
using OpenPages = std::map<ConnectionId, PageSocket*>;

class PageSocket final : public SlotHolder, public std::enable_shared_from_this<PageSocket> {
public:
    PageSocket(ConnectionSlots& slots, const std::string& peer, beast::tcp_stream stream, WebLink& link,
               const WebServerLimits& limits, OpenPages& pages);
    ~PageSocket() { finish(); }
    PageSocket(const PageSocket&) = delete;
    PageSocket& operator=(const PageSocket&) = delete;

    // Answers the handshake `request` asked for, then reads.
    void accept(const Request& request);

    // A page that has not begun a handshake; one in mid-pairing is kept like
    // a paired one (an address has at most one, and it has 30 seconds).
    [[nodiscard]] bool expendable() const override { return session_.stage() == WebSession::Stage::Start; }
    void evict() override { closeSocket(); }

    // A message from the window; it waits its turn behind the replies.
    void fromWindow(std::string_view text) { act(session_.fromWindow(text)); }

private:
    using Clock = std::chrono::steady_clock;

    void closeSocket();
    void read();
    void act(WebSession::Outcome outcome);
    void arm();
    void write();
    void close();
    void startWriting();
    void watchWrite(Clock::duration after);
    void finish();

    HeldSlot slot_;
    const WebServerLimits& limits_;
    OpenPages& pages_;
    // No permessage-deflate: the messages are a few bytes, and it would build zlib in.
    beast::websocket::stream<beast::tcp_stream, false> socket_;
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

}  // namespace vork
