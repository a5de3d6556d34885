// The listener thread's work: offer the Serial Port service, serve one phone
// at a time, answer each message through the protocol, and start over after
// any failure.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "link/connection_state.h"
#include "bluetooth/phone_protocol.h"
#include "bluetooth/stop_signal.h"
#include "link/ui_mailbox.h"
#include "platform/serial_service.h"

namespace vork {

inline constexpr std::string_view SEARCHING_STATUS = "Searching for bluetooth device..";
inline constexpr std::string_view WAITING_STATUS = "Waiting for phone to connect";
inline constexpr std::uint32_t CYCLE_PAUSE_MS = 2000;
inline constexpr std::uint32_t SETUP_FAILURE_PAUSE_MS = 3000;
inline constexpr std::size_t RECEIVE_BUFFER_SIZE = 1024;
// A device that connects and says nothing must not keep the phone out, nor
// one that stops reading.
inline constexpr std::uint32_t LOGIN_LIMIT_MS = 30000;
inline constexpr std::uint32_t SEND_LIMIT_MS = 5000;
// The listener's own statuses, before any connection.
inline constexpr LinkOrigin LISTENER_ORIGIN{LinkKind::Bluetooth, 0};
inline constexpr std::string_view UNSECURED_LINK_NOTICE = "Unpaired phones can connect";

// "Cannot find bluetooth (N #code)" for the Nth setup call.
std::string setupFailureStatus(int step, int errorCode);

class PhoneListener {
public:
    // trusted: shared with the other links; none: the listener's own.
    PhoneListener(SerialService& service, UiMailbox& mailbox, ConnectionState& state, Sleeper& sleeper,
                  TrustedDevices* trusted = nullptr);

    // Runs cycles until a pause reports a stop.
    void run();
    // One cycle; false when a stop ended it.
    bool runCycle();
    // From another thread, once a stop is under way: ends a blocking accept
    // or receive at once, and closes any socket opened later.
    void closeSockets() { service_.interrupt(); }

    [[nodiscard]] const PhoneProtocol& protocol() const { return protocol_; }

private:
    bool serveNextPhone();
    bool serve(const PhoneConnection& connection);
    // False when the peer stopped reading: the connection is over.
    bool sendWhole(SocketHandle socket, std::string_view reply);
    // Waits for the next receive; false when a peer that has not logged in
    // stays silent past the login limit.
    bool awaitData(SocketHandle socket, std::uint64_t acceptedAtMs);

    SerialService& service_;
    UiMailbox& mailbox_;
    Sleeper& sleeper_;
    PhoneProtocol protocol_;
    bool unsecuredNoticeShown_ = false;
};

// Runs a PhoneListener on its own thread and stops it without suspending it.
class ListenerThread {
public:
    static constexpr std::uint32_t JOIN_LIMIT_MS = 2000;
    using Launcher = std::function<std::thread(std::function<void()>)>;

    // Everything the thread uses is shared with it, so a thread that outlives
    // a bounded stop never reaches freed memory.
    ListenerThread(std::unique_ptr<SerialService> service, std::shared_ptr<UiMailbox> mailbox,
                   std::shared_ptr<ConnectionState> state, std::shared_ptr<TrustedDevices> trusted = {},
                   std::uint32_t joinLimitMs = JOIN_LIMIT_MS, Launcher launch = {});
    ~ListenerThread() { stop(); }
    ListenerThread(const ListenerThread&) = delete;
    ListenerThread& operator=(const ListenerThread&) = delete;

    // False when no thread could be started; the window works on without it.
    bool start();
    // Stop flag, closed sockets, woken wait, without waiting for the thread:
    // whatever it blocked in ends at once.
    void requestStop();
    // requestStop, then a join of at most the limit (2 s). True when the thread has ended.
    bool stop();

private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
    std::uint32_t joinLimitMs_;
    Launcher launch_;
    std::thread thread_;
};

}  // namespace vork
