#include "web/reachable_addresses.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "text/ascii_case.h"

namespace vork {

namespace {

// Words in the names of the adapters that virtual machines, containers and
// VPNs add: a phone on the Wi-Fi can reach none of them.
constexpr std::array<std::string_view, 16> VIRTUAL_WORDS = {
    "hyper-v", "vethernet", "wsl",       "virtualbox", "vmware", "vpn",       "tap-", "tunnel",
    "wireguard", "tailscale", "zerotier", "docker",    "npcap",  "loopback", "virtual", "bluetooth"};

bool containsIgnoringCase(std::string_view text, std::string_view word) {
    if (word.size() > text.size()) return false;
    for (std::size_t at = 0; at + word.size() <= text.size(); ++at)
        if (equalIgnoringAsciiCase(text.substr(at, word.size()), word)) return true;
    return false;
}

bool isVirtual(const NetworkAdapter& adapter) {
    if (adapter.type == ADAPTER_LOOPBACK || adapter.type == ADAPTER_TUNNEL || adapter.type == ADAPTER_PPP) return true;
    return std::any_of(VIRTUAL_WORDS.begin(), VIRTUAL_WORDS.end(), [&adapter](std::string_view word) {
        return containsIgnoringCase(adapter.name, word) || containsIgnoringCase(adapter.description, word);
    });
}

// Self-assigned (169.254.x.x), loopback and unassigned addresses reach no phone.
bool routable(std::string_view address) {
    return !address.starts_with("169.254.") && !address.starts_with("127.") && address != "0.0.0.0";
}

int rank(const NetworkAdapter& adapter) {
    if (adapter.defaultRoute) return 0;
    if (adapter.type == ADAPTER_WIFI) return 1;
    if (adapter.type == ADAPTER_ETHERNET) return 2;
    return 3;
}

}  // namespace

std::vector<ReachableAddress> reachableAddresses(const std::vector<NetworkAdapter>& adapters) {
    std::vector<const NetworkAdapter*> usable;
    for (const NetworkAdapter& adapter : adapters)
        if (adapter.up && !isVirtual(adapter)) usable.push_back(&adapter);
    std::stable_sort(usable.begin(), usable.end(), [](const NetworkAdapter* a, const NetworkAdapter* b) {
        return rank(*a) != rank(*b) ? rank(*a) < rank(*b) : a->name < b->name;
    });
    std::vector<ReachableAddress> addresses;
    for (const NetworkAdapter* adapter : usable)
        for (const std::string& address : adapter->ipv4)
            if (routable(address)) addresses.push_back({adapter->name, address, adapter->defaultRoute});
    return addresses;
}

}  // namespace vork
