// The window's line for the browser remote: the addresses a phone on the same
// network can open while it listens, one a line, else what keeps it from it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "link/link_events.h"
#include "web/reachable_addresses.h"

namespace vork {

struct AddressLine {
    std::string text;
    std::size_t lines = 0;  // 0: the line is hidden
    friend bool operator==(const AddressLine&, const AddressLine&) = default;
};

AddressLine addressLine(WebServerState state, std::uint16_t port, const std::vector<ReachableAddress>& addresses);

// When the switch could not even start the server.
inline constexpr const char* REMOTE_CANNOT_START = "Browser remote: cannot start";

}  // namespace vork
