// The PC's network interfaces from getifaddrs, without the ones a phone on
// the same network cannot reach: loopback, link-local addresses and the
// virtual ones (containers, virtual machines' bridges, VPN tunnels).
#pragma once

#include <string_view>

#include "platform/network_adapters.h"

namespace vork::linux_x11 {

class IfaddrsNetworkAdapters final : public NetworkAdapters {
public:
    std::vector<NetworkAdapter> list() override;
};

// Whether an interface's name is one of the virtual kinds left out.
bool isVirtualInterface(std::string_view name);

}  // namespace vork::linux_x11
