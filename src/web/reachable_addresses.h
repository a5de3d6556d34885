// Which of the PC's addresses a phone on the same network can open: the
// adapters that are up and real (no loopback, tunnel, VPN or virtual
// machine's switch), their routable IPv4 addresses, the one the PC reaches
// the internet by first.
#pragma once

#include <string>
#include <vector>

#include "platform/network_adapters.h"

namespace vork {

struct ReachableAddress {
    std::string network;  // the adapter's name
    std::string address;  // dotted IPv4
    bool primary = false;  // on the adapter of the default route
    friend bool operator==(const ReachableAddress&, const ReachableAddress&) = default;
};

std::vector<ReachableAddress> reachableAddresses(const std::vector<NetworkAdapter>& adapters);

}  // namespace vork
