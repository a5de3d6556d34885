// A browser's side of the browser remote, natively over loopback: raw
// sockets from any 127.x.y.z, requests, and a page's WebSocket that pairs
// and seals as the page does.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "page_model.h"
#include "platform/crypto.h"
#include "web/pairing_offer.h"
#include "web/secure_channel.h"

namespace vork::test {

using namespace std::chrono_literals;

// A socket that closes itself.
class Socket {
public:
    explicit Socket(int fd = -1) : fd_(fd) {}
    ~Socket() {
        if (fd_ >= 0) ::close(fd_);
    }
    Socket(Socket&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Socket& operator=(Socket&&) = delete;
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    [[nodiscard]] int fd() const { return fd_; }

private:
    int fd_;
};

// A socket bound to `port` on every address, as the server binds: null when the port is taken.
inline Socket boundTo(std::uint16_t port) {
    Socket socket(::socket(AF_INET, SOCK_STREAM, 0));
    const int reuse = 1;  // past the connections of earlier tests
    setsockopt(socket.fd(), SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    if (bind(socket.fd(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return Socket();
    return socket;
}

// A port for a test's own server. Below the kernel's ephemeral range (32768
// and up), so that no client socket holds it, nor one an earlier test left
// lingering; and free now. Tests may run side by side, so each process starts
// its search at a place of its own; 0 when none is free.
inline std::uint16_t freePort() {
    constexpr unsigned first = 20000, count = 12000;
    const unsigned start = static_cast<unsigned>(getpid()) % count;
    for (unsigned step = 0; step < count; ++step) {
        const auto port = static_cast<std::uint16_t>(first + (start + step) % count);
        if (boundTo(port).fd() >= 0) return port;
    }
    return 0;
}

// Connects from `source` (any 127.x.y.z: each one a host of its own) to the server.
inline Socket connectFrom(const char* source, std::uint16_t port, int receiveBuffer = 0) {
    Socket socket(::socket(AF_INET, SOCK_STREAM, 0));
    if (receiveBuffer > 0) setsockopt(socket.fd(), SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    sockaddr_in from{};
    from.sin_family = AF_INET;
    inet_pton(AF_INET, source, &from.sin_addr);
    EXPECT_EQ(0, bind(socket.fd(), reinterpret_cast<sockaddr*>(&from), sizeof from));
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    inet_pton(AF_INET, "127.0.0.1", &to.sin_addr);
    EXPECT_EQ(0, connect(socket.fd(), reinterpret_cast<sockaddr*>(&to), sizeof to));
    return socket;
}

// Bytes that arrive within the time; none once the server has closed (or reset) the socket.
inline std::optional<std::string> receive(const Socket& socket, std::chrono::milliseconds within) {
    pollfd wait{socket.fd(), POLLIN, 0};
    if (poll(&wait, 1, static_cast<int>(within.count())) <= 0) return std::string();
    std::array<char, 4096> buffer{};
    const ssize_t got = recv(socket.fd(), buffer.data(), buffer.size(), 0);
    if (got <= 0) return std::nullopt;
    return std::string(buffer.data(), static_cast<std::size_t>(got));
}

// The server closes the socket within the time (what it sent before is read and dropped).
inline bool closedWithin(const Socket& socket, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        if (!receive(socket, 50ms)) return true;
    }
    return false;
}

inline std::string request(std::uint16_t port, std::string_view path, bool keepAlive = true) {
    return std::string("GET ").append(path).append(" HTTP/1.1\r\nHost: 127.0.0.1:").append(std::to_string(port))
        .append(keepAlive ? "\r\n\r\n" : "\r\nConnection: close\r\n\r\n");
}

inline bool sendAll(const Socket& socket, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t sent = send(socket.fd(), bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

// One client frame: masked, as a browser sends it (the mask 0 keeps the bytes readable).
inline std::string frame(std::string_view payload, std::uint8_t opcode = 0x1) {
    std::string bytes(1, static_cast<char>(0x80 | opcode));
    if (payload.size() < 126) {
        bytes.push_back(static_cast<char>(0x80 | payload.size()));
    } else {
        bytes.push_back(static_cast<char>(0x80 | 126));
        bytes.push_back(static_cast<char>(payload.size() >> 8));
        bytes.push_back(static_cast<char>(payload.size() & 0xFF));
    }
    bytes.append(4, '\0');
    return bytes.append(payload);
}

// A page's WebSocket, opened the way the page opens it.
class Page {
public:
    Page(const char* source, std::uint16_t port, int receiveBuffer = 0)
        : socket_(connectFrom(source, port, receiveBuffer)) {
        sendAll(socket_, "GET /ws HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
                             "\r\nUpgrade: websocket\r\nConnection: Upgrade\r\nSec-WebSocket-Version: 13\r\n"
                             "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nOrigin: http://127.0.0.1:" +
                             std::to_string(port) + "\r\n\r\n");
        while (pending_.find("\r\n\r\n") == std::string::npos) {
            const auto more = receive(socket_, 2000ms);
            if (!more || more->empty()) break;
            pending_ += *more;
        }
        EXPECT_TRUE(pending_.starts_with("HTTP/1.1 101")) << pending_;
        pending_.erase(0, pending_.find("\r\n\r\n") + 4);
    }

    bool send(std::string_view text, std::uint8_t opcode = 0x1) { return sendAll(socket_, frame(text, opcode)); }
    // The server's next text message; "" when none came in time, none once the socket is closed.
    std::optional<std::string> next(std::chrono::milliseconds within = 2000ms) {
        const auto deadline = std::chrono::steady_clock::now() + within;
        for (;;) {
            // The server's frames are unmasked; a length of 126 is followed by two bytes of it.
            if (pending_.size() >= 2) {
                std::size_t header = 2;
                std::size_t length = static_cast<std::uint8_t>(pending_[1]);
                if (length == 126 && pending_.size() >= 4) {
                    header = 4;
                    length = static_cast<std::size_t>(static_cast<std::uint8_t>(pending_[2])) << 8 |
                             static_cast<std::uint8_t>(pending_[3]);
                }
                if (length < 126 || header == 4) {
                    if (pending_.size() >= header + length) {
                        std::string payload = pending_.substr(header, length);
                        const bool text = (pending_[0] & 0x0F) == 0x1;
                        pending_.erase(0, header + length);
                        if (text) return payload;
                        continue;  // a ping or the closing frame
                    }
                }
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left <= 0ms) return std::string();
            const auto more = receive(socket_, left);
            if (!more) return std::nullopt;
            pending_ += *more;
        }
    }
    [[nodiscard]] const Socket& socket() const { return socket_; }

    // Pairs with the offer's secret, as a page opened from the QR code does.
    bool pair(Crypto& crypto, const Bytes& secret) { return beginPairing(crypto, secret) && finishPairing(); }
    // The pairing in two halves: up to Vork's share, then the rest.
    bool beginPairing(Crypto& crypto, const Bytes& secret) {
        model_.emplace(crypto, Bytes(P256_SCALAR_BYTES, 0x5A));
        send(model_->pair(secret));
        const std::optional<std::string> share = next();
        confirm_ = share ? model_->confirm(*share) : "";
        return !confirm_.empty();
    }
    bool finishPairing() {
        send(confirm_);
        send(model_->seal("name Pixel 7"));
        const std::optional<std::string> paired = next();
        const std::optional<std::string> connected = next();
        return paired && connected && model_->open(*paired) && model_->open(*connected) == "connected Pixel 7";
    }
    bool sendSealed(std::string_view text) { return send(model_->seal(text)); }
    std::string sealed(std::string_view text) { return model_->seal(text); }
    std::optional<std::string> nextSealed(std::chrono::milliseconds within = 2000ms) {
        const std::optional<std::string> frame = next(within);
        if (!frame || frame->empty()) return frame;
        return model_->open(*frame);
    }

private:
    Socket socket_;
    std::string pending_;
    std::optional<PageModel> model_;
    std::string confirm_;
};


// The secret of the pairing offer the Connect page at `address` shows now.
inline Bytes offeredSecret(const std::string& address) {
    const std::size_t portAt = address.find(':', 7) + 1;
    const auto connectPort = static_cast<std::uint16_t>(std::stoi(address.substr(portAt)));
    Socket browser = connectFrom("127.0.0.1", connectPort);
    sendAll(browser, "GET " + address.substr(address.find('/', 7)) + "state HTTP/1.1\r\nHost: 127.0.0.1:" +
                         std::to_string(connectPort) + "\r\nConnection: close\r\n\r\n");
    std::string answer;
    while (const auto more = receive(browser, 2000ms)) {
        if (more->empty()) break;
        answer += *more;
    }
    const std::size_t at = answer.find("#pair=");
    return at == std::string::npos ? Bytes{} : fromHex(answer.substr(at + 6, 2 * OFFER_SECRET_BYTES)).value_or(Bytes{});
}

}  // namespace vork::test
