// The reference programs' phone: listens on loopback at the port, says READY
// on stdout once it does, and waits for the one phone. -1 when it cannot listen.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdio>

inline int acceptPhone(unsigned short port) {
    const int listening = socket(AF_INET, SOCK_STREAM, 0);
    const int reuse = 1;
    setsockopt(listening, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(listening, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(listening, 1) != 0)
        return -1;
    std::printf("READY\n");
    std::fflush(stdout);
    return accept(listening, nullptr, nullptr);
}
