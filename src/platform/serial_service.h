// The Bluetooth Serial Port service as the desktop offers it, one cycle at a
// time: offered, each connected phone handed over with its device's address
// (and name, where the system knows it), then withdrawn. The phone's
// connection is a socket the listener reads and writes.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/non_copyable.h"

namespace vork {

using SocketHandle = std::uintptr_t;

// What send answers for a peer that stopped reading.
inline constexpr int SEND_TIMED_OUT = -2;

struct PhoneConnection {
    SocketHandle socket = 0;
    std::string address;  // the device the phone speaks from
    std::string name;     // the device's name; empty where the system does not tell
};

struct ServiceOffer {
    enum class Outcome : std::uint8_t {
        Offered,
        NotStarted,  // the system's sockets could not start: try again, nothing to say
        Failed,      // a step of the setup failed
    };
    Outcome outcome = Outcome::Failed;
    // Whether only paired devices on an encrypted link can connect; none
    // when the setup failed before that was asked.
    std::optional<bool> secured;
    // Failed: the step (from 1) and the system's error code.
    int failedStep = 0;
    int errorCode = 0;
    // Failed: what the desktop can say of it in words (its Bluetooth service
    // is not running, the adapter is off), shown in place of the numbers.
    std::string failureText;
};

class SerialService : public Interface {
public:
    // What the offer opened stays open until withdraw().
    virtual ServiceOffer offer() = 0;
    // Waits for the next phone; none when the wait failed or was interrupted.
    virtual std::optional<PhoneConnection> nextPhone() = 0;
    // Ends the cycle: the offer and whatever it opened, a phone's socket too, closed.
    virtual void withdraw() = 0;
    // From another thread: every blocking call ends at once, and any socket made later is closed at once.
    virtual void interrupt() = 0;

    // Whether something can be received within the time: 1 yes (data, the
    // end or an error), 0 nothing came, negative on error.
    virtual int waitForData(SocketHandle socket, std::uint32_t timeoutMs) = 0;
    // A send that cannot complete within the time fails with SEND_TIMED_OUT.
    virtual bool limitSendTime(SocketHandle socket, std::uint32_t milliseconds) = 0;
    // Bytes received, 0 when the peer closed, negative on error.
    virtual int receive(SocketHandle socket, std::span<char> buffer) = 0;
    // Bytes sent; SEND_TIMED_OUT, or another negative number on error.
    virtual int send(SocketHandle socket, std::string_view data) = 0;
    // Without blocking or consuming anything: false once the peer has closed
    // the connection or it has failed.
    virtual bool peerConnected(SocketHandle socket) = 0;
    // The phone's socket, done with.
    virtual void close(SocketHandle socket) = 0;
};

}  // namespace vork
