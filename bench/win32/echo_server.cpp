// A bare TCP echo server built like Vork (the baseline for its echo round
// trip): one connection at a time, each receive sent straight back.
#include <winsock2.h>
#include <windows.h>

#include <cstdlib>

int main(int argc, char** argv) {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    SOCKET listening = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    const BOOL reuse = TRUE;
    setsockopt(listening, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&reuse), sizeof reuse);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(argc > 1 ? std::atoi(argv[1]) : 5170));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(listening, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return 1;
    listen(listening, 10);
    for (;;) {
        SOCKET connection = accept(listening, nullptr, nullptr);
        if (connection == INVALID_SOCKET) continue;
        char buffer[1024];
        int received;
        while ((received = recv(connection, buffer, sizeof buffer, 0)) > 0) send(connection, buffer, received, 0);
        closesocket(connection);
    }
}
