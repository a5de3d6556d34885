// Which of the PC's addresses a phone on the same network can open.
#include <gtest/gtest.h>

#include <array>

#include "config/remote_switch.h"
#include "memory_store.h"
#include "config/settings_file.h"
#include "config/starter_settings.h"
#include "link/refusal_backoff.h"
#include "link/trusted_devices.h"
#include "web/connect_page.h"
#include "web/page_routes.h"
#include "web/reachable_addresses.h"

namespace vork {
namespace {
using test::MemoryFile;

TEST(ReachableAddresses, RealAdaptersThatAreUp_TheDefaultRoutesFirst_NoVirtualOrSelfAssignedOnes) {
    const std::vector<NetworkAdapter> adapters = {
        {"Ethernet", "Realtek PCIe GbE", ADAPTER_ETHERNET, true, false, {"10.0.0.5"}},
        {"vEthernet (WSL)", "Hyper-V Virtual Ethernet Adapter", ADAPTER_ETHERNET, true, false, {"172.20.16.1"}},
        {"Wi-Fi", "Intel(R) Wi-Fi 6 AX201", ADAPTER_WIFI, true, true, {"192.168.1.20", "169.254.3.4"}},
        {"Ethernet 2", "VirtualBox Host-Only Ethernet Adapter", ADAPTER_ETHERNET, true, false, {"192.168.56.1"}},
        {"Office VPN", "TAP-Windows Adapter V9", ADAPTER_ETHERNET, true, false, {"10.8.0.2"}},
        {"Tunnel", "Teredo Tunneling Pseudo-Interface", ADAPTER_TUNNEL, true, false, {"10.9.0.1"}},
        {"Loopback Pseudo-Interface 1", "Software Loopback Interface 1", ADAPTER_LOOPBACK, true, false, {"127.0.0.1"}},
        {"Ethernet 3", "Intel(R) Ethernet I219-V", ADAPTER_ETHERNET, false, false, {"10.1.1.1"}},
        {"Wi-Fi 2", "USB Wi-Fi", ADAPTER_WIFI, true, false, {"192.168.2.7"}},
        {"Ethernet 4", "Dock", ADAPTER_ETHERNET, true, false, {"169.254.10.10"}},
    };
    EXPECT_EQ((std::vector<ReachableAddress>{{"Wi-Fi", "192.168.1.20", true},
                                             {"Wi-Fi 2", "192.168.2.7", false},
                                             {"Ethernet", "10.0.0.5", false}}),
              reachableAddresses(adapters));
    EXPECT_TRUE(reachableAddresses({}).empty());
}

}  // namespace
}  // namespace vork
