#include "web/listener.h"

#include <utility>

namespace vork {

void Listener::open(const tcp::endpoint& endpoint, bool retry, Serve serve,
                    std::function<void(WebServerState)> report) {
    close();
    endpoint_ = endpoint;
    retry_ = retry;
    serve_ = std::move(serve);
    report_ = std::move(report);
    firstTry_ = std::chrono::steady_clock::now();
    retrying_ = false;
    ++generation_;
    listen(generation_);
}

void Listener::close() {
    ++generation_;
    beast::error_code ignored;
    acceptor_.close(ignored);
    timer_.cancel(ignored);
}

std::uint16_t Listener::port() const {
    beast::error_code error;
    const tcp::endpoint bound = acceptor_.local_endpoint(error);
    return error ? std::uint16_t{0} : bound.port();
}

void Listener::listen(std::uint64_t generation) {
    if (generation != generation_) return;  // switched off or moved since
    beast::error_code error;
    acceptor_.open(endpoint_.protocol(), error);
#ifdef _WIN32
    // No other program may take the port over while Vork holds it.
    using ExclusiveUse = asio::detail::socket_option::boolean<SOL_SOCKET, SO_EXCLUSIVEADDRUSE>;
    if (!error) acceptor_.set_option(ExclusiveUse(true), error);
#else
    // Linux refuses a port while its last connections wait out TIME_WAIT; Windows has no such wait.
    if (!error) acceptor_.set_option(tcp::acceptor::reuse_address(true), error);
#endif
    if (!error) acceptor_.bind(endpoint_, error);
    if (!error) acceptor_.listen(asio::socket_base::max_listen_connections, error);
    if (!error) {
        report_(WebServerState::Listening);
        acceptNext(generation);
        return;
    }
    beast::error_code ignored;
    acceptor_.close(ignored);
    // Vork's own connections of its last run may hold the port for a while.
    if (!retry_ || std::chrono::steady_clock::now() - firstTry_ >= limits_.bindRetryFor) {
        report_(WebServerState::PortBusy);
        return;
    }
    if (!retrying_) report_(WebServerState::Retrying);
    retrying_ = true;
    timer_.expires_after(limits_.bindRetry);
    timer_.async_wait([this, generation](beast::error_code waitError) {
        if (!waitError) listen(generation);
    });
}

void Listener::acceptNext(std::uint64_t generation) {
    acceptor_.async_accept([this, generation](beast::error_code error, tcp::socket socket) {
        if (error == asio::error::operation_aborted || generation != generation_) return;
        if (error) {
            // Out of sockets, say: trying again at once would only spin.
            timer_.expires_after(limits_.acceptPause);
            timer_.async_wait([this, generation](beast::error_code waitError) {
                if (!waitError && generation == generation_) acceptNext(generation);
            });
            return;
        }
        serve_(std::move(socket));
        acceptNext(generation);
    });
}

}  // namespace vork
