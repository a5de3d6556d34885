#include "platform/linux/loopback_serial_service.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>

namespace vork::linux_x11 {

namespace {

int toDescriptor(SocketHandle socket) { return static_cast<int>(socket); }

}  // namespace

int PosixPhoneSockets::waitForData(SocketHandle socket, std::uint32_t timeoutMs) {
    pollfd entry{toDescriptor(socket), POLLIN, 0};
    int ready = 0;
    do {
        ready = ::poll(&entry, 1, static_cast<int>(timeoutMs));
    } while (ready < 0 && errno == EINTR);
    return ready < 0 ? -1 : ready > 0 ? 1 : 0;
}

bool PosixPhoneSockets::limitSendTime(SocketHandle socket, std::uint32_t milliseconds) {
    timeval limit{static_cast<time_t>(milliseconds / 1000), static_cast<suseconds_t>((milliseconds % 1000) * 1000)};
    return ::setsockopt(toDescriptor(socket), SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit) == 0;
}

int PosixPhoneSockets::receive(SocketHandle socket, std::span<char> buffer) {
    ssize_t got = 0;
    do {
        got = ::recv(toDescriptor(socket), buffer.data(), buffer.size(), 0);
    } while (got < 0 && errno == EINTR);
    return static_cast<int>(got);
}

int PosixPhoneSockets::send(SocketHandle socket, std::string_view data) {
    ssize_t sent = 0;
    do {
        sent = ::send(toDescriptor(socket), data.data(), data.size(), MSG_NOSIGNAL);
    } while (sent < 0 && errno == EINTR);
    if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return SEND_TIMED_OUT;
    return static_cast<int>(sent);
}

bool PosixPhoneSockets::peerConnected(SocketHandle socket) {
    char byte = 0;
    const ssize_t got = ::recv(toDescriptor(socket), &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    return got > 0 || (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR));
}

void PosixPhoneSockets::close(SocketHandle socket) { ::close(toDescriptor(socket)); }

LoopbackSerialService::LoopbackSerialService(std::uint16_t port) : port_(port) {
    int ends[2] = {-1, -1};
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) == 0) {
        wakeRead_ = ends[0];
        wakeWrite_ = ends[1];
    }
}

LoopbackSerialService::~LoopbackSerialService() {
    withdraw();
    if (wakeRead_ >= 0) ::close(wakeRead_);
    if (wakeWrite_ >= 0) ::close(wakeWrite_);
}

ServiceOffer LoopbackSerialService::offer() {
    ServiceOffer offer;
    const auto failed = [&offer](int step) {
        offer.outcome = ServiceOffer::Outcome::Failed;
        offer.failedStep = step;
        offer.errorCode = errno;
        return offer;
    };
    const int socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (socket < 0) return failed(1);
    {
        const std::lock_guard lock(mutex_);
        listening_ = socket;
    }
    const int reuse = 1;
    ::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port_);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return failed(2);
    if (::listen(socket, 1) != 0) return failed(3);
    offer.outcome = ServiceOffer::Outcome::Offered;
    offer.secured = true;  // nothing but this PC reaches it
    return offer;
}

std::optional<PhoneConnection> LoopbackSerialService::nextPhone() {
    int listening = -1;
    {
        const std::lock_guard lock(mutex_);
        listening = listening_;
    }
    if (listening < 0 || interrupted_) return std::nullopt;
    pollfd entries[2] = {{listening, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
    while (::poll(entries, 2, -1) < 0)
        if (errno != EINTR) return std::nullopt;
    if (interrupted_ || (entries[0].revents & POLLIN) == 0) return std::nullopt;
    sockaddr_in peer{};
    socklen_t length = sizeof peer;
    const int phone = ::accept4(listening, reinterpret_cast<sockaddr*>(&peer), &length, SOCK_CLOEXEC);
    if (phone < 0) return std::nullopt;
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &peer.sin_addr, text, sizeof text);
    {
        const std::lock_guard lock(mutex_);
        phone_ = phone;
    }
    if (interrupted_) return std::nullopt;  // withdraw closes it
    return PhoneConnection{static_cast<SocketHandle>(phone), text, {}};
}

void LoopbackSerialService::withdraw() {
    const std::lock_guard lock(mutex_);
    if (phone_ >= 0) ::close(phone_);
    if (listening_ >= 0) ::close(listening_);
    phone_ = listening_ = -1;
}

void LoopbackSerialService::interrupt() {
    interrupted_ = true;
    if (wakeWrite_ >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t ignored = ::write(wakeWrite_, &byte, 1);
    }
    // Ends a read on the phone's socket at once.
    const std::lock_guard lock(mutex_);
    if (phone_ >= 0) ::shutdown(phone_, SHUT_RDWR);
}

}  // namespace vork::linux_x11

namespace vork::linux_x11 {

void LoopbackSerialService::close(SocketHandle socket) {
    {
        const std::lock_guard lock(mutex_);
        if (phone_ == toDescriptor(socket)) phone_ = -1;
    }
    PosixPhoneSockets::close(socket);
}

}  // namespace vork::linux_x11
