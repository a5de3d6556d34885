// Sockets owned by the listener's thread that the stopping thread may close
// to end a blocking call: each socket closes itself when its owner lets go,
// or is closed by a stop, whichever comes first, and never twice.
#pragma once

#include <mutex>
#include <set>

#include "platform/win32/winsock_calls.h"

namespace vork::win32 {

class SocketRegistry;

class OwnedSocket {
public:
    OwnedSocket() = default;
    ~OwnedSocket() { reset(); }
    OwnedSocket(OwnedSocket&& other) noexcept;
    OwnedSocket& operator=(OwnedSocket&& other) noexcept;
    OwnedSocket(const OwnedSocket&) = delete;
    OwnedSocket& operator=(const OwnedSocket&) = delete;

    [[nodiscard]] SocketHandle get() const { return socket_; }
    explicit operator bool() const { return registry_ != nullptr; }
    // Closes it now, unless a stop already did.
    void reset();

private:
    friend class SocketRegistry;
    OwnedSocket(SocketRegistry* registry, SocketHandle socket) : registry_(registry), socket_(socket) {}

    SocketRegistry* registry_ = nullptr;
    SocketHandle socket_ = 0;
};

class SocketRegistry {
public:
    explicit SocketRegistry(WinsockCalls& sockets) : sockets_(sockets) {}

    // Takes a new socket. One made once a stop has begun is closed at once:
    // nothing may block on it (its handle is still given, for calls that fail).
    OwnedSocket adopt(SocketHandle socket);
    // From the stopping thread: closes every socket still open, and any made later.
    void closeAll();

private:
    friend class OwnedSocket;
    void close(SocketHandle socket);

    WinsockCalls& sockets_;
    std::mutex mutex_;
    std::set<SocketHandle> open_;
    bool stopping_ = false;
};

}  // namespace vork::win32
