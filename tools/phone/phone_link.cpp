#include "phone_link.h"

#include <cstring>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
using PollDescriptor = WSAPOLLFD;
using NativeSocket = SOCKET;
#define poll WSAPoll
#else
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
using PollDescriptor = pollfd;
using NativeSocket = int;
#endif

namespace vork::phone {

namespace {

constexpr std::intptr_t NO_SOCKET = -1;
constexpr int REPLY_GAP_MS = 100;

NativeSocket native(std::intptr_t socket) { return static_cast<NativeSocket>(socket); }

std::string lastErrorText() {
#ifdef _WIN32
    return "error " + std::to_string(WSAGetLastError());
#else
    return std::strerror(errno);
#endif
}

}  // namespace

PhoneLink::PhoneLink() : socket_(NO_SOCKET) {
#ifdef _WIN32
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
#endif
}

PhoneLink::~PhoneLink() {
    closeSocket();
#ifdef _WIN32
    WSACleanup();
#endif
}

void PhoneLink::closeSocket() {
    if (socket_ == NO_SOCKET) return;
#ifdef _WIN32
    closesocket(static_cast<SOCKET>(socket_));
#else
    ::close(static_cast<int>(socket_));
#endif
    socket_ = NO_SOCKET;
}

bool PhoneLink::connect(const std::string& host, int port, const std::string& from) {
    closeSocket();
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    if (inet_pton(AF_INET, host.c_str(), &address.sin_addr) != 1) {
        error_ = "not an IPv4 address: " + host;
        return false;
    }
    const auto created = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    socket_ = static_cast<std::intptr_t>(created);
    if (socket_ == NO_SOCKET) {
        error_ = lastErrorText();
        return false;
    }
    if (!from.empty()) {
        sockaddr_in local{};
        local.sin_family = AF_INET;
        if (inet_pton(AF_INET, from.c_str(), &local.sin_addr) != 1 ||
            bind(created, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
            error_ = "cannot use local address " + from + ": " + lastErrorText();
            closeSocket();
            return false;
        }
    }
    if (::connect(created, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        error_ = lastErrorText();
        closeSocket();
        return false;
    }
    closed_ = false;
    return true;
}

bool PhoneLink::send(const std::string& text) {
    if (socket_ == NO_SOCKET) return false;
    // One send per text: the link has no framing, a message is what one
    // receive returns.
    const auto sent = ::send(native(socket_), text.data(), static_cast<int>(text.size()), 0);
    if (sent < 0 || static_cast<std::size_t>(sent) != text.size()) {
        error_ = lastErrorText();
        return false;
    }
    return true;
}

std::optional<std::string> PhoneLink::receiveReply(int firstWaitMs, std::optional<std::size_t> expectedLength) {
    if (socket_ == NO_SOCKET) return std::nullopt;
    std::string reply;
    int waitMs = firstWaitMs;
    for (;;) {
        if (expectedLength && reply.size() >= *expectedLength && !reply.empty()) break;
        PollDescriptor descriptor{};
        descriptor.fd = native(socket_);
        descriptor.events = POLLIN;
        if (poll(&descriptor, 1, waitMs) <= 0) break;
        char buffer[2048];
        const auto received = recv(descriptor.fd, buffer, sizeof buffer, 0);
        if (received <= 0) {
            closed_ = true;
            break;
        }
        reply.append(buffer, static_cast<std::size_t>(received));
        waitMs = REPLY_GAP_MS;
    }
    if (reply.empty()) return std::nullopt;
    return reply;
}

}  // namespace vork::phone
