// One TCP connection to Vork, as a phone's RFCOMM link: one send per text,
// replies read until they stop coming.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace vork::phone {

class PhoneLink {
public:
    PhoneLink();
    ~PhoneLink();
    PhoneLink(const PhoneLink&) = delete;
    PhoneLink& operator=(const PhoneLink&) = delete;

    // from: a local address to connect from, or empty.
    bool connect(const std::string& host, int port, const std::string& from);
    bool send(const std::string& text);
    // The bytes that arrive within firstWaitMs, and whatever follows them
    // without a pause; with expectedLength, stops as soon as that many came.
    std::optional<std::string> receiveReply(int firstWaitMs, std::optional<std::size_t> expectedLength);
    [[nodiscard]] bool closed() const { return closed_; }
    [[nodiscard]] const std::string& error() const { return error_; }

private:
    void closeSocket();
    std::intptr_t socket_;
    bool closed_ = false;
    std::string error_;
};

}  // namespace vork::phone
