// The user's decisions on login requests, shared by the links and the window.
// Every request gets its own number; the window answers the number it shows,
// so a late click or a stale decision can never admit another phone.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>

namespace vork {

enum ConnectionStateValue : std::int32_t {
    Pending = 0,
    Accepted = 1,
    Rejected = -1,
};

using RequestNumber = std::uint32_t;

class ConnectionState {
public:
    // A link asks the user; any request still open is closed. Never 0.
    RequestNumber openRequest();
    // A link that must not replace the request on screen: none while one is open.
    std::optional<RequestNumber> openRequestUnlessOpen();
    // The user's answer to the request on screen; false, changing nothing,
    // when that request is no longer open.
    bool answer(RequestNumber number, ConnectionStateValue decision);
    // Pending while the request is undecided, and for any closed request.
    [[nodiscard]] ConnectionStateValue decision(RequestNumber number) const;
    [[nodiscard]] bool isOpen(RequestNumber number) const;
    // The link is done with the request: answered, withdrawn or stopped.
    void closeRequest(RequestNumber number);

private:
    RequestNumber openLocked();

    mutable std::mutex mutex_;
    RequestNumber lastNumber_ = 0;
    RequestNumber openNumber_ = 0;
    ConnectionStateValue decision_ = Pending;
};

}  // namespace vork
