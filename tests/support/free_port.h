// A port for a test's own server on loopback. Below the kernel's ephemeral
// range (32768 and up), so no client socket holds it, nor one an earlier
// test left lingering; and checked free by binding it now as the server will.
#pragma once

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>

namespace vork::test {

inline bool bindableNow(std::uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) return false;
    const int reuse = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    address.sin_port = htons(port);
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return bound;
}

// Each test is a process of its own and tests may run side by side, so the
// search starts at a place of this process's own; 0 when none is free.
inline std::uint16_t freePort() {
    constexpr unsigned first = 20000, count = 12000;
    const unsigned start = static_cast<unsigned>(getpid()) % count;
    for (unsigned step = 0; step < count; ++step) {
        const auto port = static_cast<std::uint16_t>(first + (start + step) % count);
        if (bindableNow(port)) return port;
    }
    return 0;
}

}  // namespace vork::test
