// The test build's stand-in for the Serial Port service: phones connect over
// TCP to 127.0.0.1 on the port set at configure time, and are served as
// Bluetooth phones are. The phone's socket calls are plain POSIX ones, which
// the BlueZ service shares.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "platform/serial_service.h"

namespace vork::linux_x11 {

// The calls on a connected phone's socket, the same for TCP and RFCOMM.
class PosixPhoneSockets : public SerialService {
public:
    int waitForData(SocketHandle socket, std::uint32_t timeoutMs) override;
    bool limitSendTime(SocketHandle socket, std::uint32_t milliseconds) override;
    int receive(SocketHandle socket, std::span<char> buffer) override;
    int send(SocketHandle socket, std::string_view data) override;
    bool peerConnected(SocketHandle socket) override;
    void close(SocketHandle socket) override;
};

class LoopbackSerialService final : public PosixPhoneSockets {
public:
    explicit LoopbackSerialService(std::uint16_t port);
    ~LoopbackSerialService() override;
    LoopbackSerialService(const LoopbackSerialService&) = delete;
    LoopbackSerialService& operator=(const LoopbackSerialService&) = delete;

    // Steps: 1 the socket, 2 its bind, 3 the listen; the error is errno.
    ServiceOffer offer() override;
    std::optional<PhoneConnection> nextPhone() override;
    void withdraw() override;
    void interrupt() override;
    // Forgotten as the cycle's phone, so that withdraw does not close it again.
    void close(SocketHandle socket) override;

private:
    std::uint16_t port_;
    int wakeRead_ = -1;   // a byte here ends a wait
    int wakeWrite_ = -1;
    std::atomic<bool> interrupted_{false};
    std::mutex mutex_;
    int listening_ = -1;
    int phone_ = -1;
};

}  // namespace vork::linux_x11
