// The browser remote's real server on loopback, natively (Debian's Boost):
// its limits against clients that misbehave. Under Wine a socket's pending
// send holds back its receives, which hides a flood's growth; Linux, like
// Windows, keeps the two apart.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <chrono>
#include <fstream>
#include <new>
#include <optional>
#include <string>
#include <thread>

#include "counting_random.h"
#include "fixed_adapters.h"
#include "platform/gcrypt/gcrypt_crypto.h"
#include "page_model.h"
#include "recording_notifier.h"
#include "web/web_server.h"

namespace vork {
namespace {

using Clock = std::chrono::steady_clock;
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

// Connects from `source` (any 127.x.y.z: each one a host of its own) to the server.
Socket connectFrom(const char* source, std::uint16_t port, int receiveBuffer = 0) {
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
std::optional<std::string> receive(const Socket& socket, std::chrono::milliseconds within) {
    pollfd wait{socket.fd(), POLLIN, 0};
    if (poll(&wait, 1, static_cast<int>(within.count())) <= 0) return std::string();
    std::array<char, 4096> buffer{};
    const ssize_t got = recv(socket.fd(), buffer.data(), buffer.size(), 0);
    if (got <= 0) return std::nullopt;
    return std::string(buffer.data(), static_cast<std::size_t>(got));
}

// The server closes the socket within the time (what it sent before is read and dropped).
bool closedWithin(const Socket& socket, std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    while (Clock::now() < deadline) {
        if (!receive(socket, 50ms)) return true;
    }
    return false;
}

std::string request(std::uint16_t port, std::string_view path, bool keepAlive = true) {
    return std::string("GET ").append(path).append(" HTTP/1.1\r\nHost: 127.0.0.1:").append(std::to_string(port))
        .append(keepAlive ? "\r\n\r\n" : "\r\nConnection: close\r\n\r\n");
}

bool sendAll(const Socket& socket, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t sent = send(socket.fd(), bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

// One client frame: masked, as a browser sends it (the mask 0 keeps the bytes readable).
std::string frame(std::string_view payload, std::uint8_t opcode = 0x1) {
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
        const auto deadline = Clock::now() + within;
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
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
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
    std::optional<test::PageModel> model_;
    std::string confirm_;
};

std::size_t residentBytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.starts_with("VmRSS:")) return std::stoul(line.substr(6)) * 1024;
    return 0;
}

// A random source whose use runs out of memory, as the server thread may.
class ExhaustedRandom final : public RandomSource {
public:
    bool fill(std::span<std::uint8_t>) override { throw std::bad_alloc(); }
};

class WebServerTest : public ::testing::Test {
protected:
    void start(WebServerLimits limits = {}, std::unique_ptr<RandomSource> random = nullptr) {
        // The user accepts every browser that asks.
        notifier.onWake = [this](EventQueue message) {
            if (message == EventQueue::Request) state->answer(test::take<RequestEvent>(*mailbox).number, Accepted, 0);
        };
        server = std::make_unique<WebServer>(parts(random ? std::move(random) : std::make_unique<test::CountingRandom>()),
                                             limits);
        ASSERT_TRUE(server->setRemote(port));
        ASSERT_TRUE(serverSays(WebServerState::Listening));
    }
    WebServerParts parts(std::unique_ptr<RandomSource> random) {
        WebServerParts parts;
        parts.mailbox = mailbox;
        parts.state = state;
        parts.trusted = trusted;
        parts.random = std::move(random);
        parts.crypto = std::make_unique<GcryptCrypto>();
        parts.adapters = std::make_unique<test::FixedAdapters>();
        parts.pages.remote = {{"/index.html", "text/html", "<p>remote</p>"}};
        parts.pages.connect = {{"/index.html", "text/html", "<p>connect</p>"}};
        return parts;
    }
    // The server told the window this within a few seconds.
    bool serverSays(WebServerState wanted, std::chrono::milliseconds within = 5000ms) {
        const auto deadline = Clock::now() + within;
        while (Clock::now() < deadline) {
            while (const std::optional<LinkEvent> signal = mailbox->take(EventQueue::Signal)) {
                const auto* server = std::get_if<ServerEvent>(&*signal);
                if (server && server->state == wanted && server->port == port) return true;
            }
            std::this_thread::sleep_for(10ms);
        }
        return false;
    }

    // Each test is a process of its own, and tests may run side by side.
    // The secret of the pairing offer the Connect page shows now.
    Bytes offeredSecret() {
        const std::optional<std::string> page = server->connectPageAddress();
        if (!page) return {};
        const std::uint16_t connectPort = static_cast<std::uint16_t>(std::stoi(page->substr(17)));
        Socket browser = connectFrom("127.0.0.1", connectPort);
        sendAll(browser, "GET " + page->substr(page->find('/', 7)) + "state HTTP/1.1\r\nHost: 127.0.0.1:" +
                             std::to_string(connectPort) + "\r\nConnection: close\r\n\r\n");
        std::string answer;
        while (const auto more = receive(browser, 2000ms)) {
            if (more->empty()) break;
            answer += *more;
        }
        const std::size_t at = answer.find("#pair=");
        return at == std::string::npos ? Bytes{} : fromHex(answer.substr(at + 6, 2 * OFFER_SECRET_BYTES)).value_or(Bytes{});
    }

    std::uint16_t port = static_cast<std::uint16_t>(20000 + getpid() % 30000);
    GcryptCrypto crypto;
    test::RecordingNotifier notifier;
    std::shared_ptr<UiMailbox> mailbox = std::make_shared<UiMailbox>(notifier);
    std::shared_ptr<ConnectionState> state = std::make_shared<ConnectionState>();
    std::shared_ptr<TrustedDevices> trusted = std::make_shared<TrustedDevices>();
    std::unique_ptr<WebServer> server;
};

TEST_F(WebServerTest, AFloodOfMessagesNeverRead_IsClosedWithinSeconds_AndMemoryStaysFlat) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "a sanitizer's own bookkeeping grows the memory";
#endif
    start();
    Page page("127.0.0.1", port, 4096);
    ASSERT_TRUE(page.pair(crypto, offeredSecret()));
    // Each message earns a reply ("error bad key") that the page never reads.
    const timeval sendLimit{0, 200000};
    setsockopt(page.socket().fd(), SOL_SOCKET, SO_SNDTIMEO, &sendLimit, sizeof sendLimit);

    const std::size_t before = residentBytes();
    const auto started = Clock::now();
    std::size_t sent = 0;
    bool closed = false;
    std::string burst;
    std::size_t unsent = 0;  // what of the burst the socket did not take yet
    while (!closed && Clock::now() - started < 15s) {
        if (unsent == 0) {
            burst.clear();
            for (int i = 0; i < 1000; ++i) burst += frame(page.sealed("key"));
            unsent = burst.size();
        }
        const ssize_t result = ::send(page.socket().fd(), burst.data() + burst.size() - unsent, unsent, MSG_NOSIGNAL);
        if (result > 0) {
            sent += static_cast<std::size_t>(result);
            unsent -= static_cast<std::size_t>(result);
        }
        closed = result < 0 && errno != EAGAIN && errno != EWOULDBLOCK;
    }
    const auto took = Clock::now() - started;
    const std::size_t grown = residentBytes() - std::min(before, residentBytes());
    std::printf("%zu frames sent in %.1f s; resident memory grew by %zu bytes\n", sent / frame(page.sealed("key")).size(),
                std::chrono::duration<double>(took).count(), grown);
    EXPECT_TRUE(closed) << "still open after 15 s";
    EXPECT_LT(took, 8s);
    EXPECT_LT(grown, std::size_t{4} << 20);
}

TEST_F(WebServerTest, OneHost_GetsAFewSlots_AndAFullServerMakesRoomByClosingTheOldestUnpaired) {
    WebServerLimits limits;
    limits.connections = 6;
    limits.perAddress = 3;
    start(limits);
    const auto served = [this](const Socket& socket) {
        return sendAll(socket, request(port, "/")) && receive(socket, 2000ms).value_or("").starts_with("HTTP/1.1 200");
    };

    // Paired pages hold their slots whatever comes.
    std::vector<std::unique_ptr<Page>> paired;
    for (int i = 0; i < 3; ++i) {
        paired.push_back(std::make_unique<Page>("127.0.0.9", port));
        ASSERT_TRUE(paired.back()->pair(crypto, offeredSecret()));
    }
    Socket beyond = connectFrom("127.0.0.9", port);
    EXPECT_TRUE(closedWithin(beyond, 1000ms)) << "a fourth socket of a host whose three are paired pages";

    // A host's own idle connections make room for its next one.
    std::vector<Socket> first;
    for (int i = 0; i < 3; ++i) first.push_back(connectFrom("127.0.0.1", port));
    Socket fourth = connectFrom("127.0.0.1", port);
    EXPECT_TRUE(served(fourth));
    EXPECT_TRUE(closedWithin(first[0], 1000ms)) << "the host's oldest made room";
    EXPECT_FALSE(closedWithin(first[1], 200ms));

    // Three paired pages and three plain connections: the server is full. A
    // newcomer from elsewhere is served in place of the oldest unpaired one.
    Socket newcomer = connectFrom("127.0.0.4", port);
    EXPECT_TRUE(served(newcomer));
    EXPECT_TRUE(closedWithin(first[1], 1000ms)) << "the oldest unpaired made room";
    EXPECT_FALSE(closedWithin(first[2], 200ms));
    for (const auto& page : paired) {
        page->sendSealed("key");
        EXPECT_EQ("error bad key", page->nextSealed().value_or("(closed)")) << "a paired page is still there";
    }
}

TEST_F(WebServerTest, APageInMidPairing_KeepsItsSlot_WhateverBareConnectionsCome) {
    start();
    Page page("127.0.0.5", port);
    ASSERT_TRUE(page.beginPairing(crypto, offeredSecret()));
    std::vector<Socket> bare;
    for (int i = 0; i < 40; ++i) bare.push_back(connectFrom(("127.0.1." + std::to_string(10 + i % 16)).c_str(), port));
    EXPECT_TRUE(page.finishPairing()) << "40 bare connections from 16 addresses did not close it";
}

TEST_F(WebServerTest, KeepAlive_DoesNotRenewAPlainConnectionsTime) {
    WebServerLimits limits;
    limits.httpLifetime = 1000ms;
    start(limits);
    Socket browser = connectFrom("127.0.0.1", port);
    const auto opened = Clock::now();
    bool closed = false;
    while (!closed && Clock::now() - opened < 3s) {
        closed = !sendAll(browser, request(port, "/")) || !receive(browser, 300ms);
        std::this_thread::sleep_for(200ms);
    }
    EXPECT_TRUE(closed);
    EXPECT_LT(Clock::now() - opened, 2s);
}

TEST_F(WebServerTest, OversizedOrBinaryMessages_AndAPageThatNeverPairs_AreClosed) {
    WebServerLimits limits;
    limits.unpairedMs = 300;
    limits.handshake = 300ms;  // a closing that the page does not answer
    start(limits);

    Page big("127.0.0.1", port);
    big.send(std::string(WEB_FRAME_LIMIT + 1, 'a'));
    EXPECT_TRUE(closedWithin(big.socket(), 2000ms)) << "a message past the size limit";

    Page binary("127.0.0.2", port);
    binary.send("key D:1", 0x2);
    EXPECT_EQ("error text only", binary.next());
    EXPECT_TRUE(closedWithin(binary.socket(), 2000ms)) << "a binary frame";

    Page silent("127.0.0.3", port);
    const auto opened = Clock::now();
    EXPECT_EQ("unknown", silent.next());
    EXPECT_TRUE(closedWithin(silent.socket(), 2000ms)) << "an unpaired page past its limit";
    EXPECT_GE(Clock::now() - opened, 300ms);
}

TEST_F(WebServerTest, APortInUse_IsTriedAgainUntilItFrees) {
    Socket holder(::socket(AF_INET, SOCK_STREAM, 0));
    const int reuse = 1;  // past the connections of earlier tests
    setsockopt(holder.fd(), SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    ASSERT_EQ(0, bind(holder.fd(), reinterpret_cast<sockaddr*>(&address), sizeof address));
    ASSERT_EQ(0, listen(holder.fd(), 1));

    WebServerLimits limits;
    limits.bindRetry = 200ms;
    server = std::make_unique<WebServer>(parts(std::make_unique<test::CountingRandom>()), limits);
    ASSERT_TRUE(server->setRemote(port));
    EXPECT_TRUE(serverSays(WebServerState::Retrying));
    EXPECT_FALSE(serverSays(WebServerState::Listening, 500ms));
    { Socket released(std::move(holder)); }
    EXPECT_TRUE(serverSays(WebServerState::Listening, 2000ms));
}

TEST_F(WebServerTest, AnAcceptThatKeepsFailing_WaitsBeforeTryingAgain_AndServesOnceItCan) {
    start();
    // A client waits in the backlog while the process has no descriptor left to accept it with.
    Socket client(::socket(AF_INET, SOCK_STREAM, 0));
    rlimit limit{};
    getrlimit(RLIMIT_NOFILE, &limit);
    const rlimit lowered{256, limit.rlim_max};
    setrlimit(RLIMIT_NOFILE, &lowered);
    std::vector<Socket> filler;
    for (int fd = dup(client.fd()); fd >= 0; fd = dup(client.fd())) filler.emplace_back(fd);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    inet_pton(AF_INET, "127.0.0.1", &to.sin_addr);
    ASSERT_EQ(0, connect(client.fd(), reinterpret_cast<sockaddr*>(&to), sizeof to));

    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    std::this_thread::sleep_for(1s);
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    const auto cpu = [](const rusage& usage) {
        return std::chrono::seconds(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
               std::chrono::microseconds(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
    };
    EXPECT_LT(cpu(after) - cpu(before), 200ms) << "the server spun on the failing accept";

    filler.clear();
    setrlimit(RLIMIT_NOFILE, &limit);
    ASSERT_TRUE(sendAll(client, request(port, "/")));
    EXPECT_TRUE(receive(client, 3000ms).value_or("").starts_with("HTTP/1.1 200"));
}

TEST_F(WebServerTest, AFailureOnTheServersThread_StopsTheRemoteAlone_AndSaysSo) {
    start({}, std::make_unique<ExhaustedRandom>());
    EXPECT_FALSE(server->connectPageAddress()) << "its secret needs random bytes";
    EXPECT_TRUE(serverSays(WebServerState::Stopped));
    server.reset();  // and the program can still let it go
}

}  // namespace
}  // namespace vork
