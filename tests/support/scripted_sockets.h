// A scripted Winsock layer: each accepted connection delivers its chunks, then
// closes, fails or blocks; any call can be made to fail; everything is
// recorded. Safe to drive from the listener thread while a test stops it.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/win32/winsock_calls.h"

namespace vork::test {

struct ScriptedConnection {
    std::string peerAddress = "00:11:22:33:44:55";
    std::vector<std::string> chunks;  // one receive each
    int endResult = 0;                // after the chunks: 0 closed, negative error
    bool blockAtEnd = false;          // or wait until the socket is closed
    int leaveAfterChecks = -1;        // checks of its presence it answers before it is gone; -1 never
    bool silent = false;              // after the chunks it neither sends nor closes: waits time out
    std::uint32_t msPerChunk = 0;     // simulated time before each chunk arrives
};

class ScriptedSockets final : public win32::WinsockCalls {
public:
    enum class Call { None, Socket, Authenticate, Encrypt, ProtocolInfo, Bind, BoundAddress, Listen, Register };

    bool startup() override;
    void cleanup() override;
    std::optional<SocketHandle> createSocket() override;
    bool requireAuthentication(SocketHandle socket) override;
    bool requireEncryption(SocketHandle socket) override;
    bool queryProtocolInfo(SocketHandle socket) override;
    bool bindAnyChannel(SocketHandle socket) override;
    std::optional<win32::SocketAddress> boundAddress(SocketHandle socket) override;
    bool listen(SocketHandle socket, int backlog) override;
    bool registerService(const win32::SocketAddress& address) override;
    void unregisterService(const win32::SocketAddress& address) override;
    std::optional<win32::AcceptedConnection> accept(SocketHandle listening) override;
    int receive(SocketHandle socket, std::span<char> buffer) override;
    int send(SocketHandle socket, std::string_view data) override;
    int waitForData(SocketHandle socket, std::uint32_t timeoutMs) override;
    bool limitSendTime(SocketHandle socket, std::uint32_t milliseconds) override;
    bool peerConnected(SocketHandle socket) override;
    void close(SocketHandle socket) override;
    int lastError() override;

    // Knobs, set before the listener runs.
    bool failStartup = false;
    Call failingCall = Call::None;  // a setup call that fails, or a security option refused
    int errorCode = 10050;
    bool failAccept = false;
    bool blockWhenNoConnection = false;
    std::size_t sendLimit = 0;  // 0: everything at once
    int holdAfterCloseMs = 0;   // a blocked call returns this long after its socket was closed
    bool sendsTimeOut = false;  // a peer that stopped reading
    // Simulated time passing in the sockets (a wait that times out, a slow chunk).
    std::function<void(std::uint32_t milliseconds)> onTimePassing;
    bool failSends = false;
    std::deque<ScriptedConnection> connections;

    // Records, read after the listener stopped (or under waitFor).
    std::set<SocketHandle> openSockets() const { return locked(open_); }
    std::vector<std::string> replies() const { return locked(replies_); }  // per send call
    std::vector<Call> setupCalls() const { return locked(setupCalls_); }
    // Every receive that delivered bytes ("r" and their count) and every send
    // call ("s" and its result), in order.
    std::vector<std::string> traffic() const { return locked(traffic_); }
    int presenceChecks() const { return locked(presenceChecks_); }
    std::uint32_t sendTimeLimit() const { return locked(sendTimeLimit_); }
    // The time limit of every wait for data, in order.
    std::vector<std::uint32_t> waitLimits() const { return locked(waitLimits_); }
    std::vector<std::size_t> receiveSizes() const { return locked(receiveSizes_); }
    int registrations() const { return locked(registrations_); }
    int unregistrations() const { return locked(unregistrations_); }
    int startups() const { return locked(startups_); }
    int cleanups() const { return locked(cleanups_); }
    int doubleCloses() const { return locked(doubleCloses_); }
    // Waits until a blocking call is under way.
    bool waitUntilBlocked();

private:
    // A copy of a record, taken while the listener's thread cannot change it.
    template <typename T>
    T locked(const T& record) const {
        const std::lock_guard lock(mutex_);
        return record;
    }
    bool fails(Call call);  // also records the call
    bool setupCallSucceeds(Call call, SocketHandle socket);
    bool blockUntilClosed(std::unique_lock<std::mutex>& lock, SocketHandle socket);
    // Simulated time passes: up to `limitMs` of the wait for the next chunk; whether it came.
    bool waitForChunk(std::uint32_t limitMs);

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    SocketHandle nextSocket_ = 100;
    std::set<SocketHandle> open_;
    std::vector<std::string> replies_;
    std::vector<std::size_t> receiveSizes_;
    std::vector<Call> setupCalls_;
    std::vector<std::string> traffic_;
    std::optional<ScriptedConnection> current_;
    std::size_t nextChunk_ = 0;
    std::size_t chunkOffset_ = 0;  // a chunk larger than the buffer goes on in the next receive
    std::uint32_t chunkDueInMs_ = 0;  // until the next chunk arrives
    std::vector<std::uint32_t> waitLimits_;
    int presenceChecks_ = 0;
    std::uint32_t sendTimeLimit_ = 0;
    int registrations_ = 0;
    int unregistrations_ = 0;
    int startups_ = 0;
    int cleanups_ = 0;
    int doubleCloses_ = 0;
    bool blocked_ = false;
};

}  // namespace vork::test
