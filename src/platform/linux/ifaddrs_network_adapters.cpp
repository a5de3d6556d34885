#include "platform/linux/ifaddrs_network_adapters.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace vork::linux_x11 {

namespace {

struct FreeAddresses {
    void operator()(ifaddrs* list) const { freeifaddrs(list); }
};

// The interfaces that carry the default route, from the kernel's routing table.
bool carriesDefaultRoute(const std::string& name) {
    std::ifstream routes("/proc/net/route");
    std::string line;
    std::getline(routes, line);  // the heading
    while (std::getline(routes, line)) {
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos || line.compare(0, tab, name) != 0) continue;
        if (line.compare(tab + 1, 8, "00000000") == 0) return true;
    }
    return false;
}

NetworkAdapter& adapterNamed(std::vector<NetworkAdapter>& adapters, const std::string& name) {
    for (NetworkAdapter& adapter : adapters)
        if (adapter.name == name) return adapter;
    NetworkAdapter adapter;
    adapter.name = name;
    adapter.description = name;
    const bool wireless = std::filesystem::exists("/sys/class/net/" + name + "/wireless");
    adapter.type = wireless ? ADAPTER_WIFI : ADAPTER_ETHERNET;
    adapter.defaultRoute = carriesDefaultRoute(name);
    adapters.push_back(std::move(adapter));
    return adapters.back();
}

}  // namespace

bool isVirtualInterface(std::string_view name) {
    constexpr std::array<std::string_view, 10> prefixes = {"docker", "br-", "virbr", "veth", "tun",
                                                           "tap",    "wg",  "vnet",  "lxc",  "podman"};
    for (const std::string_view prefix : prefixes)
        if (name.starts_with(prefix)) return true;
    return name == "lo";
}

std::vector<NetworkAdapter> IfaddrsNetworkAdapters::list() {
    std::vector<NetworkAdapter> adapters;
    ifaddrs* raw = nullptr;
    if (getifaddrs(&raw) != 0) return adapters;
    const std::unique_ptr<ifaddrs, FreeAddresses> all(raw);
    for (const ifaddrs* entry = all.get(); entry; entry = entry->ifa_next) {
        if (!entry->ifa_addr || entry->ifa_addr->sa_family != AF_INET || !entry->ifa_name) continue;
        if ((entry->ifa_flags & IFF_LOOPBACK) != 0 || isVirtualInterface(entry->ifa_name)) continue;
        in_addr address{};
        std::memcpy(&address, &reinterpret_cast<const sockaddr_in*>(entry->ifa_addr)->sin_addr, sizeof address);
        if ((ntohl(address.s_addr) >> 16) == 0xA9FE) continue;  // 169.254/16: link-local
        char text[INET_ADDRSTRLEN] = {};
        if (!inet_ntop(AF_INET, &address, text, sizeof text)) continue;
        NetworkAdapter& adapter = adapterNamed(adapters, entry->ifa_name);
        adapter.up = (entry->ifa_flags & IFF_UP) != 0 && (entry->ifa_flags & IFF_RUNNING) != 0;
        adapter.ipv4.emplace_back(text);
    }
    return adapters;
}

}  // namespace vork::linux_x11
