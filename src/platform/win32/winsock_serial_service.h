// The Serial Port service on Winsock: each cycle starts the socket layer,
// makes an RFCOMM socket that asks for authentication and encryption, reads
// its protocol information, binds any channel, reads the bound address back,
// listens and registers the service; a failure names its step (1 to 6) and
// the error code. Free of <windows.h>, so it is tested natively over
// scripted calls.
#pragma once

#include <memory>
#include <optional>

#include "platform/serial_service.h"
#include "platform/win32/owned_socket.h"
#include "platform/win32/winsock_calls.h"

namespace vork::win32 {

inline constexpr int LISTEN_BACKLOG = 10;

class WinsockSerialService final : public SerialService {
public:
    // The calls stay the caller's, alive as long as the service.
    explicit WinsockSerialService(WinsockCalls& calls) : calls_(calls), registry_(calls) {}
    explicit WinsockSerialService(std::unique_ptr<WinsockCalls> calls)
        : ownedCalls_(std::move(calls)), calls_(*ownedCalls_), registry_(calls_) {}
    ~WinsockSerialService() override { withdraw(); }

    ServiceOffer offer() override;
    std::optional<PhoneConnection> nextPhone() override;
    void withdraw() override;
    void interrupt() override { registry_.closeAll(); }

    int waitForData(SocketHandle socket, std::uint32_t timeoutMs) override {
        return calls_.waitForData(socket, timeoutMs);
    }
    bool limitSendTime(SocketHandle socket, std::uint32_t milliseconds) override {
        return calls_.limitSendTime(socket, milliseconds);
    }
    int receive(SocketHandle socket, std::span<char> buffer) override { return calls_.receive(socket, buffer); }
    int send(SocketHandle socket, std::string_view data) override;
    bool peerConnected(SocketHandle socket) override { return calls_.peerConnected(socket); }
    void close(SocketHandle socket) override;

private:
    std::unique_ptr<WinsockCalls> ownedCalls_;
    WinsockCalls& calls_;
    SocketRegistry registry_;
    bool started_ = false;
    OwnedSocket listening_;
    OwnedSocket connection_;
    std::optional<SocketAddress> registered_;
};

}  // namespace vork::win32
