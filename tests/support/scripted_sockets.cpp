#include "scripted_sockets.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>

namespace vork::test {

bool ScriptedSockets::startup() {
    const std::lock_guard lock(mutex_);
    if (failStartup) return false;
    ++startups_;
    return true;
}

void ScriptedSockets::cleanup() {
    const std::lock_guard lock(mutex_);
    ++cleanups_;
}

bool ScriptedSockets::setupCallSucceeds(Call call, SocketHandle socket) {
    const std::lock_guard lock(mutex_);
    return !fails(call) && open_.contains(socket);
}

bool ScriptedSockets::fails(Call call) {
    setupCalls_.push_back(call);
    return failingCall == call;
}

std::optional<SocketHandle> ScriptedSockets::createSocket() {
    const std::lock_guard lock(mutex_);
    if (fails(Call::Socket)) return std::nullopt;
    const SocketHandle socket = nextSocket_++;
    open_.insert(socket);
    return socket;
}

bool ScriptedSockets::requireAuthentication(SocketHandle socket) { return setupCallSucceeds(Call::Authenticate, socket); }

bool ScriptedSockets::requireEncryption(SocketHandle socket) { return setupCallSucceeds(Call::Encrypt, socket); }

bool ScriptedSockets::queryProtocolInfo(SocketHandle socket) { return setupCallSucceeds(Call::ProtocolInfo, socket); }

bool ScriptedSockets::bindAnyChannel(SocketHandle socket) { return setupCallSucceeds(Call::Bind, socket); }

std::optional<win32::SocketAddress> ScriptedSockets::boundAddress(SocketHandle socket) {
    const std::lock_guard lock(mutex_);
    if (fails(Call::BoundAddress) || !open_.contains(socket)) return std::nullopt;
    return win32::SocketAddress{0x20, 0x00, static_cast<std::uint8_t>(socket)};
}

bool ScriptedSockets::listen(SocketHandle socket, int backlog) {
    const std::lock_guard lock(mutex_);
    return !fails(Call::Listen) && open_.contains(socket) && backlog == 10;
}

bool ScriptedSockets::registerService(const win32::SocketAddress&) {
    const std::lock_guard lock(mutex_);
    if (fails(Call::Register)) return false;
    ++registrations_;
    return true;
}

void ScriptedSockets::unregisterService(const win32::SocketAddress&) {
    const std::lock_guard lock(mutex_);
    ++unregistrations_;
}

bool ScriptedSockets::blockUntilClosed(std::unique_lock<std::mutex>& lock, SocketHandle socket) {
    blocked_ = true;
    changed_.notify_all();
    // Bounded, so a broken stop shows as a failed test rather than a hang.
    const bool closed = changed_.wait_for(lock, std::chrono::seconds(20), [&] { return !open_.contains(socket); });
    if (holdAfterCloseMs > 0) {
        // A platform call that ignores the close for a while.
        lock.unlock();
        std::this_thread::sleep_for(std::chrono::milliseconds(holdAfterCloseMs));
        lock.lock();
    }
    blocked_ = false;
    return closed;
}

std::optional<win32::AcceptedConnection> ScriptedSockets::accept(SocketHandle listening) {
    std::unique_lock lock(mutex_);
    if (!open_.contains(listening) || failAccept) return std::nullopt;
    if (connections.empty()) {
        if (blockWhenNoConnection) blockUntilClosed(lock, listening);
        return std::nullopt;
    }
    current_ = std::move(connections.front());
    connections.pop_front();
    nextChunk_ = 0;
    chunkOffset_ = 0;
    chunkDueInMs_ = current_->msPerChunk;
    const SocketHandle socket = nextSocket_++;
    open_.insert(socket);
    return win32::AcceptedConnection{socket, current_->peerAddress};
}

int ScriptedSockets::receive(SocketHandle socket, std::span<char> buffer) {
    std::unique_lock lock(mutex_);
    receiveSizes_.push_back(buffer.size());
    if (!open_.contains(socket) || !current_) return -1;
    if (nextChunk_ < current_->chunks.size()) {
        // A stream: what does not fit this receive comes with the next one.
        const std::string& chunk = current_->chunks[nextChunk_];
        const std::size_t size = std::min(chunk.size() - chunkOffset_, buffer.size());
        std::memcpy(buffer.data(), chunk.data() + chunkOffset_, size);
        if (chunkOffset_ == 0) waitForChunk(chunkDueInMs_);
        chunkOffset_ += size;
        if (size > 0) traffic_.push_back(std::string("r").append(std::to_string(size)));
        if (chunkOffset_ >= chunk.size()) {
            ++nextChunk_;
            chunkOffset_ = 0;
            chunkDueInMs_ = current_->msPerChunk;
        }
        return static_cast<int>(size);
    }
    if (current_->blockAtEnd || current_->silent) {
        blockUntilClosed(lock, socket);
        return -1;
    }
    return current_->endResult;
}

int ScriptedSockets::send(SocketHandle socket, std::string_view data) {
    const std::lock_guard lock(mutex_);
    if (!open_.contains(socket) || failSends || sendsTimeOut) {
        traffic_.emplace_back("s-1");
        if (sendsTimeOut) errorCode = win32::WSA_TIMED_OUT;
        return -1;
    }
    const std::size_t size = sendLimit == 0 ? data.size() : std::min(sendLimit, data.size());
    replies_.emplace_back(data.substr(0, size));
    traffic_.push_back(std::string("s").append(std::to_string(size)));
    return static_cast<int>(size);
}

bool ScriptedSockets::waitForChunk(std::uint32_t limitMs) {
    const std::uint32_t waited = std::min(limitMs, chunkDueInMs_);
    chunkDueInMs_ -= waited;
    if (waited > 0 && onTimePassing) onTimePassing(waited);
    return chunkDueInMs_ == 0;
}

int ScriptedSockets::waitForData(SocketHandle socket, std::uint32_t timeoutMs) {
    std::unique_lock lock(mutex_);
    waitLimits_.push_back(timeoutMs);
    if (!open_.contains(socket) || !current_) return -1;
    const bool more = nextChunk_ < current_->chunks.size();
    if (more) return waitForChunk(timeoutMs) ? 1 : 0;
    if (!(current_->blockAtEnd || current_->silent)) return 1;
    if (current_->silent) {
        if (onTimePassing) onTimePassing(timeoutMs);
        return 0;
    }
    blockUntilClosed(lock, socket);
    return 1;
}

bool ScriptedSockets::limitSendTime(SocketHandle socket, std::uint32_t milliseconds) {
    const std::lock_guard lock(mutex_);
    sendTimeLimit_ = milliseconds;
    return open_.contains(socket);
}

bool ScriptedSockets::peerConnected(SocketHandle socket) {
    const std::lock_guard lock(mutex_);
    ++presenceChecks_;
    if (!open_.contains(socket) || !current_) return false;
    if (current_->leaveAfterChecks < 0) return true;
    if (current_->leaveAfterChecks == 0) return false;
    --current_->leaveAfterChecks;
    return true;
}

void ScriptedSockets::close(SocketHandle socket) {
    const std::lock_guard lock(mutex_);
    if (open_.erase(socket) == 0) ++doubleCloses_;
    changed_.notify_all();
}

int ScriptedSockets::lastError() { return locked(errorCode); }

bool ScriptedSockets::waitUntilBlocked() {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(20), [this] { return blocked_; });
}

}  // namespace vork::test
