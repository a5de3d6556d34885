// Which link, and which of its connections, a notification comes from: a
// held action belongs to the connection that started it, and a link's status
// texts must not cover another link's request.
#pragma once

#include <cstdint>

namespace vork {

// One per Bluetooth connection or browser page, never 0; given by ConnectionState.
using ConnectionId = std::uint64_t;
// A login request's number, given by ConnectionState; never 0.
using RequestNumber = std::uint32_t;

enum class LinkKind : std::uint8_t { Bluetooth, Browser };

struct LinkOrigin {
    LinkKind kind = LinkKind::Bluetooth;
    ConnectionId connection = 0;
    friend bool operator==(const LinkOrigin&, const LinkOrigin&) = default;
};

}  // namespace vork
