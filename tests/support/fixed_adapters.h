// Network adapters as a test sets them.
#pragma once

#include "platform/network_adapters.h"

namespace vork::test {

class FixedAdapters final : public NetworkAdapters {
public:
    std::vector<NetworkAdapter> list() override { return adapters; }
    std::vector<NetworkAdapter> adapters = {{"Wi-Fi", "Wireless", ADAPTER_WIFI, true, true, {"192.168.1.20"}}};
};

}  // namespace vork::test
