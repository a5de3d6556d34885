// NetworkAdapters on iphlpapi: every adapter with its names, type, state and
// IPv4 addresses, and which one carries the default route.
#pragma once

#include "platform/network_adapters.h"

namespace vork::win32 {

class Win32NetworkAdapters final : public NetworkAdapters {
public:
    std::vector<NetworkAdapter> list() override;
};

}  // namespace vork::win32
