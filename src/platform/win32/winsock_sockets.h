// The socket calls both transports share (Winsock 2); the transports differ
// only in the socket they make, how they bind, advertise and name the peer.
#pragma once

#include "platform/win32/winsock_calls.h"

namespace vork::win32 {

class WinsockSockets : public WinsockCalls {
public:
    bool startup() override;
    void cleanup() override;
    bool queryProtocolInfo(SocketHandle socket) override;
    std::optional<SocketAddress> boundAddress(SocketHandle socket) override;
    bool listen(SocketHandle socket, int backlog) override;
    int waitForData(SocketHandle socket, std::uint32_t timeoutMs) override;
    bool limitSendTime(SocketHandle socket, std::uint32_t milliseconds) override;
    int receive(SocketHandle socket, std::span<char> buffer) override;
    int send(SocketHandle socket, std::string_view data) override;
    bool peerConnected(SocketHandle socket) override;
    void close(SocketHandle socket) override;
    int lastError() override;
};

// The shipped transport: an RFCOMM server advertised as a Serial Port
// Profile service named "a".
class BluetoothSockets final : public WinsockSockets {
public:
    std::optional<SocketHandle> createSocket() override;
    bool requireAuthentication(SocketHandle socket) override;
    bool requireEncryption(SocketHandle socket) override;
    bool bindAnyChannel(SocketHandle socket) override;
    bool registerService(const SocketAddress& address) override;
    void unregisterService(const SocketAddress& address) override;
    std::optional<AcceptedConnection> accept(SocketHandle listening) override;
};

// The test transport: TCP on 127.0.0.1 at a fixed port, nothing advertised;
// the peer's IPv4 address stands in for the phone's device address.
class LoopbackSockets final : public WinsockSockets {
public:
    explicit LoopbackSockets(std::uint16_t port) : port_(port) {}

    std::optional<SocketHandle> createSocket() override;
    // Loopback has nothing to pair: only this machine can reach it.
    bool requireAuthentication(SocketHandle) override { return true; }
    bool requireEncryption(SocketHandle) override { return true; }
    bool bindAnyChannel(SocketHandle socket) override;
    bool registerService(const SocketAddress& address) override;
    void unregisterService(const SocketAddress& address) override;
    std::optional<AcceptedConnection> accept(SocketHandle listening) override;

private:
    std::uint16_t port_;
};

}  // namespace vork::win32
