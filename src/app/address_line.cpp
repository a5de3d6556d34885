#include "app/address_line.h"

#include <algorithm>

namespace vork {

AddressLine addressLine(WebServerState state, std::uint16_t port, const std::vector<ReachableAddress>& addresses) {
    const std::string number = std::to_string(port);
    switch (state) {
    case WebServerState::Listening: {
        // One address a line: a PC on Wi-Fi and Ethernet at once has two.
        std::string text = "Browser remote:";
        for (const ReachableAddress& address : addresses)
            text.append(&address == &addresses.front() ? " " : "\n")
                .append("http://")
                .append(address.address)
                .append(":")
                .append(number);
        if (addresses.empty()) text.append(" port ").append(number).append(", no network found");
        return {text, std::max<std::size_t>(addresses.size(), 1)};
    }
    case WebServerState::Retrying: return {"Browser remote: port " + number + " is in use, trying again", 1};
    case WebServerState::PortBusy: return {"Browser remote: port " + number + " cannot be used", 1};
    case WebServerState::Stopped: return {"Browser remote: stopped after an error", 1};
    case WebServerState::Off: break;
    }
    return {};
}

}  // namespace vork
