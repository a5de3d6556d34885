#include "platform/win32/owned_socket.h"

#include <utility>

namespace vork::win32 {

OwnedSocket::OwnedSocket(OwnedSocket&& other) noexcept
    : registry_(std::exchange(other.registry_, nullptr)), socket_(other.socket_) {}

OwnedSocket& OwnedSocket::operator=(OwnedSocket&& other) noexcept {
    if (this != &other) {
        reset();
        registry_ = std::exchange(other.registry_, nullptr);
        socket_ = other.socket_;
    }
    return *this;
}

void OwnedSocket::reset() {
    if (registry_) std::exchange(registry_, nullptr)->close(socket_);
}

OwnedSocket SocketRegistry::adopt(SocketHandle socket) {
    {
        const std::lock_guard lock(mutex_);
        if (!stopping_) {
            open_.insert(socket);
            return OwnedSocket(this, socket);
        }
    }
    sockets_.close(socket);
    OwnedSocket closed;
    closed.socket_ = socket;
    return closed;
}

void SocketRegistry::closeAll() {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
    for (const SocketHandle socket : open_) sockets_.close(socket);
    open_.clear();
}

void SocketRegistry::close(SocketHandle socket) {
    {
        const std::lock_guard lock(mutex_);
        if (open_.erase(socket) == 0) return;  // a stop closed it already
    }
    sockets_.close(socket);
}

}  // namespace vork::win32
