// The PC's network adapters as the system lists them, for the addresses a
// phone on the same network can open.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/non_copyable.h"

namespace vork {

// The system's interface types that matter here (IANA ifType numbers).
enum AdapterType : std::uint32_t {
    ADAPTER_ETHERNET = 6,
    ADAPTER_PPP = 23,
    ADAPTER_LOOPBACK = 24,
    ADAPTER_WIFI = 71,
    ADAPTER_TUNNEL = 131,
};

struct NetworkAdapter {
    std::string name;         // the user's name for it ("Wi-Fi"), UTF-8
    std::string description;  // the driver's ("Intel(R) Wi-Fi 6 AX201"), UTF-8
    std::uint32_t type = ADAPTER_ETHERNET;
    bool up = false;
    bool defaultRoute = false;  // the PC reaches the internet through it
    std::vector<std::string> ipv4;  // dotted
};

class NetworkAdapters : public Interface {
public:
    virtual std::vector<NetworkAdapter> list() = 0;
};

}  // namespace vork
