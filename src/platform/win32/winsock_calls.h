// The Winsock calls behind the Bluetooth service, in the order a cycle makes
// them; free of <windows.h>, so the service's steps are tested natively.
// Failing calls leave their error code for lastError().
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/non_copyable.h"
#include "platform/serial_service.h"

namespace vork::win32 {

inline constexpr int WSA_TIMED_OUT = 10060;  // WSAETIMEDOUT

// The bound local address, kept as the platform's bytes.
using SocketAddress = std::vector<std::uint8_t>;

struct AcceptedConnection {
    SocketHandle socket;
    std::string peerAddress;  // the device the phone speaks from
};

class WinsockCalls : public Interface {
public:
    virtual bool startup() = 0;
    virtual void cleanup() = 0;
    virtual std::optional<SocketHandle> createSocket() = 0;
    // Only paired devices on an encrypted link may connect; false when the
    // stack refuses the option.
    virtual bool requireAuthentication(SocketHandle socket) = 0;
    virtual bool requireEncryption(SocketHandle socket) = 0;
    virtual bool queryProtocolInfo(SocketHandle socket) = 0;
    virtual bool bindAnyChannel(SocketHandle socket) = 0;
    virtual std::optional<SocketAddress> boundAddress(SocketHandle socket) = 0;
    virtual bool listen(SocketHandle socket, int backlog) = 0;
    virtual bool registerService(const SocketAddress& address) = 0;
    virtual void unregisterService(const SocketAddress& address) = 0;
    virtual std::optional<AcceptedConnection> accept(SocketHandle listening) = 0;
    // Whether something can be received within the time: 1 yes (data, the
    // end or an error), 0 nothing came, negative on error.
    virtual int waitForData(SocketHandle socket, std::uint32_t timeoutMs) = 0;
    // A send that cannot complete within the time fails with lastError()
    // WSA_TIMED_OUT.
    virtual bool limitSendTime(SocketHandle socket, std::uint32_t milliseconds) = 0;
    // Bytes received, 0 when the peer closed, negative on error.
    virtual int receive(SocketHandle socket, std::span<char> buffer) = 0;
    // Bytes sent, negative on error.
    virtual int send(SocketHandle socket, std::string_view data) = 0;
    // Without blocking or consuming anything: false once the peer has closed
    // the connection or it has failed.
    virtual bool peerConnected(SocketHandle socket) = 0;
    virtual void close(SocketHandle socket) = 0;
    virtual int lastError() = 0;
};

}  // namespace vork::win32
