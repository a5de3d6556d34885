#include "platform/win32/winsock_sockets.h"

#include <winsock2.h>
#include <ws2bth.h>
#include <windows.h>

#include <array>
#include <cstdio>
#include <cstring>

namespace vork::win32 {

namespace {

SOCKET toSocket(SocketHandle socket) { return static_cast<SOCKET>(socket); }

// The Serial Port Profile service class, 00001101-0000-1000-8000-00805F9B34FB.
constexpr GUID SERIAL_PORT_SERVICE_CLASS = {0x00001101, 0x0000, 0x1000, {0x80, 0x00, 0x00, 0x80, 0x5F, 0x9B, 0x34, 0xFB}};

char SERVICE_INSTANCE_NAME[] = "a";

// Registers or withdraws the service record that points at the bound address.
bool setService(const SocketAddress& address, WSAESETSERVICEOP operation) {
    if (address.size() < sizeof(SOCKADDR_BTH)) return false;
    SOCKADDR_BTH local{};
    std::memcpy(&local, address.data(), sizeof local);
    CSADDR_INFO addressInfo{};
    addressInfo.LocalAddr.lpSockaddr = reinterpret_cast<SOCKADDR*>(&local);
    addressInfo.LocalAddr.iSockaddrLength = sizeof local;
    addressInfo.iSocketType = SOCK_STREAM;
    addressInfo.iProtocol = BTHPROTO_RFCOMM;
    GUID serviceClass = SERIAL_PORT_SERVICE_CLASS;
    WSAQUERYSETA query{};
    query.dwSize = sizeof query;
    query.lpszServiceInstanceName = SERVICE_INSTANCE_NAME;
    query.lpServiceClassId = &serviceClass;
    query.dwNameSpace = NS_BTH;
    query.dwNumberOfCsAddrs = 1;
    query.lpcsaBuffer = &addressInfo;
    return WSASetServiceA(&query, operation, 0) == 0;
}

}  // namespace

bool WinsockSockets::startup() {
    WSADATA data{};
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

void WinsockSockets::cleanup() { WSACleanup(); }

bool WinsockSockets::queryProtocolInfo(SocketHandle socket) {
    WSAPROTOCOL_INFOA info{};
    int length = sizeof info;
    return getsockopt(toSocket(socket), SOL_SOCKET, SO_PROTOCOL_INFOA, reinterpret_cast<char*>(&info), &length) == 0;
}

std::optional<SocketAddress> WinsockSockets::boundAddress(SocketHandle socket) {
    sockaddr_storage address{};
    int length = sizeof address;
    if (getsockname(toSocket(socket), reinterpret_cast<sockaddr*>(&address), &length) != 0) return std::nullopt;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&address);
    return SocketAddress(bytes, bytes + length);
}

bool WinsockSockets::listen(SocketHandle socket, int backlog) { return ::listen(toSocket(socket), backlog) == 0; }

int WinsockSockets::waitForData(SocketHandle socket, std::uint32_t timeoutMs) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(toSocket(socket), &readable);
    timeval limit{static_cast<long>(timeoutMs / 1000), static_cast<long>(timeoutMs % 1000) * 1000};
    const int ready = select(0, &readable, nullptr, nullptr, &limit);
    return ready < 0 ? -1 : ready;  // a socket alone in its set: 1 or 0
}

bool WinsockSockets::limitSendTime(SocketHandle socket, std::uint32_t milliseconds) {
    const DWORD limit = milliseconds;
    return setsockopt(toSocket(socket), SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&limit), sizeof limit) == 0;
}

int WinsockSockets::receive(SocketHandle socket, std::span<char> buffer) {
    return recv(toSocket(socket), buffer.data(), static_cast<int>(buffer.size()), 0);
}

int WinsockSockets::send(SocketHandle socket, std::string_view data) {
    return ::send(toSocket(socket), data.data(), static_cast<int>(data.size()), 0);
}

bool WinsockSockets::peerConnected(SocketHandle socket) {
    const int ready = waitForData(socket, 0);
    if (ready == 0) return true;  // nothing to read: the peer is quiet, not gone
    if (ready < 0) return false;
    // Readable: data waits (still there), or the end or an error is pending.
    char byte = 0;
    const int peeked = recv(toSocket(socket), &byte, 1, MSG_PEEK);
    if (peeked > 0) return true;
    return peeked < 0 && WSAGetLastError() == WSAEOPNOTSUPP;  // cannot tell: assume present
}

void WinsockSockets::close(SocketHandle socket) { closesocket(toSocket(socket)); }

int WinsockSockets::lastError() { return WSAGetLastError(); }

std::optional<SocketHandle> BluetoothSockets::createSocket() {
    const SOCKET socket = ::socket(AF_BTH, SOCK_STREAM, BTHPROTO_RFCOMM);
    if (socket == INVALID_SOCKET) return std::nullopt;
    return static_cast<SocketHandle>(socket);
}

namespace {

bool setRfcommOption(SocketHandle socket, int option) {
    const ULONG enable = TRUE;
    return setsockopt(toSocket(socket), SOL_RFCOMM, option, reinterpret_cast<const char*>(&enable), sizeof enable) == 0;
}

}  // namespace

bool BluetoothSockets::requireAuthentication(SocketHandle socket) {
    return setRfcommOption(socket, SO_BTH_AUTHENTICATE);
}

bool BluetoothSockets::requireEncryption(SocketHandle socket) { return setRfcommOption(socket, SO_BTH_ENCRYPT); }

bool BluetoothSockets::bindAnyChannel(SocketHandle socket) {
    SOCKADDR_BTH address{};
    address.addressFamily = AF_BTH;
    address.btAddr = 0;
    address.port = BT_PORT_ANY;
    return bind(toSocket(socket), reinterpret_cast<SOCKADDR*>(&address), sizeof address) == 0;
}

bool BluetoothSockets::registerService(const SocketAddress& address) {
    return setService(address, RNRSERVICE_REGISTER);
}

void BluetoothSockets::unregisterService(const SocketAddress& address) { setService(address, RNRSERVICE_DELETE); }

std::optional<AcceptedConnection> BluetoothSockets::accept(SocketHandle listening) {
    SOCKADDR_BTH peer{};
    int length = sizeof peer;
    const SOCKET socket = ::accept(toSocket(listening), reinterpret_cast<SOCKADDR*>(&peer), &length);
    if (socket == INVALID_SOCKET) return std::nullopt;
    char text[32];
    const auto a = static_cast<unsigned long long>(peer.btAddr);
    std::snprintf(text, sizeof text, "%02llX:%02llX:%02llX:%02llX:%02llX:%02llX", (a >> 40) & 0xFF, (a >> 32) & 0xFF,
                  (a >> 24) & 0xFF, (a >> 16) & 0xFF, (a >> 8) & 0xFF, a & 0xFF);
    return AcceptedConnection{static_cast<SocketHandle>(socket), text};
}

std::optional<SocketHandle> LoopbackSockets::createSocket() {
    const SOCKET socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (socket == INVALID_SOCKET) return std::nullopt;
    // No other program may bind the port beside Vork and take its phones.
    const BOOL exclusive = TRUE;
    setsockopt(socket, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive), sizeof exclusive);
    return static_cast<SocketHandle>(socket);
}

bool LoopbackSockets::bindAnyChannel(SocketHandle socket) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port_);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return bind(toSocket(socket), reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
}

bool LoopbackSockets::registerService(const SocketAddress&) { return true; }

void LoopbackSockets::unregisterService(const SocketAddress&) {}

std::optional<AcceptedConnection> LoopbackSockets::accept(SocketHandle listening) {
    sockaddr_in peer{};
    int length = sizeof peer;
    const SOCKET socket = ::accept(toSocket(listening), reinterpret_cast<sockaddr*>(&peer), &length);
    if (socket == INVALID_SOCKET) return std::nullopt;
    const auto a = ntohl(peer.sin_addr.s_addr);
    char text[32];
    std::snprintf(text, sizeof text, "%lu.%lu.%lu.%lu", (a >> 24) & 0xFFUL, (a >> 16) & 0xFFUL, (a >> 8) & 0xFFUL,
                  a & 0xFFUL);
    return AcceptedConnection{static_cast<SocketHandle>(socket), text};
}

}  // namespace vork::win32
