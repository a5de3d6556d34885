// Whether the user has accepted the phone on the current connection; written
// by both threads.
#pragma once

#include <atomic>
#include <cstdint>

namespace vork {

enum ConnectionStateValue : std::int32_t {
    Pending = 0,
    Accepted = 1,
    Rejected = -1,
};

class ConnectionState {
public:
    [[nodiscard]] std::int32_t get() const { return value_.load(); }
    void set(std::int32_t value) { value_.store(value); }

private:
    std::atomic<std::int32_t> value_{Pending};
};

}  // namespace vork
