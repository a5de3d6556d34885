#include "platform/win32/winsock_serial_service.h"

namespace vork::win32 {

ServiceOffer WinsockSerialService::offer() {
    withdraw();
    ServiceOffer result;
    if (!calls_.startup()) {
        result.outcome = ServiceOffer::Outcome::NotStarted;
        return result;
    }
    started_ = true;
    const auto fail = [this, &result](int step) {
        result.outcome = ServiceOffer::Outcome::Failed;
        result.failedStep = step;
        result.errorCode = calls_.lastError();
        return result;
    };
    const auto socket = calls_.createSocket();
    if (!socket) return fail(1);
    listening_ = registry_.adopt(*socket);
    // Both are asked for even when the first is refused.
    const bool authenticated = calls_.requireAuthentication(*socket);
    const bool encrypted = calls_.requireEncryption(*socket);
    result.secured = authenticated && encrypted;
    if (!calls_.queryProtocolInfo(*socket)) return fail(2);
    if (!calls_.bindAnyChannel(*socket)) return fail(3);
    const auto address = calls_.boundAddress(*socket);
    if (!address) return fail(4);
    if (!calls_.listen(*socket, LISTEN_BACKLOG)) return fail(5);
    if (!calls_.registerService(*address)) return fail(6);
    registered_ = *address;
    result.outcome = ServiceOffer::Outcome::Offered;
    return result;
}

std::optional<PhoneConnection> WinsockSerialService::nextPhone() {
    // A socket a stop closed still answers, with a failure.
    const auto accepted = calls_.accept(listening_.get());
    if (!accepted) return std::nullopt;
    connection_ = registry_.adopt(accepted->socket);
    return PhoneConnection{accepted->socket, accepted->peerAddress, {}};
}

int WinsockSerialService::send(SocketHandle socket, std::string_view data) {
    const int sent = calls_.send(socket, data);
    return sent < 0 && calls_.lastError() == WSA_TIMED_OUT ? SEND_TIMED_OUT : sent;
}

void WinsockSerialService::close(SocketHandle socket) {
    if (connection_ && connection_.get() == socket) connection_.reset();
}

void WinsockSerialService::withdraw() {
    connection_.reset();
    listening_.reset();
    if (registered_) calls_.unregisterService(*registered_);
    registered_.reset();
    if (started_) calls_.cleanup();
    started_ = false;
}

}  // namespace vork::win32
