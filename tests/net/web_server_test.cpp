// The browser remote's real server on loopback, natively (Debian's Boost):
// its limits against clients that misbehave. Under Wine a socket's pending
// send holds back its receives, which hides a flood's growth; Linux, like
// Windows, keeps the two apart.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>

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
#include "page_client.h"
#include "recording_notifier.h"
#include "web/web_server.h"

namespace vork {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

using test::closedWithin;
using test::connectFrom;
using test::frame;
using test::Page;
using test::receive;
using test::request;
using test::sendAll;
using test::Socket;

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

    // The secret of the pairing offer the Connect page shows now.
    Bytes offeredSecret() {
        const std::optional<std::string> page = server->connectPageAddress();
        return page ? test::offeredSecret(*page) : Bytes{};
    }

    std::uint16_t port = test::freePort();
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
    Socket holder = test::boundTo(port);
    ASSERT_GE(holder.fd(), 0);
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
