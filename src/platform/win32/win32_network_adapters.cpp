#include "platform/win32/win32_network_adapters.h"

#include <winsock2.h>
#include <ws2tcpip.h>
// winsock2.h before windows.h and iphlpapi.h: the old winsock.h must not come first.
#include <iphlpapi.h>
#include <windows.h>

#include "platform/win32/wide_text.h"

namespace vork::win32 {

namespace {

// The interface the system would send a packet to the internet through. Only
// the routing table is asked; nothing is sent.
DWORD defaultRouteInterface() {
    sockaddr_in somewhere{};
    somewhere.sin_family = AF_INET;
    inet_pton(AF_INET, "192.0.2.1", &somewhere.sin_addr);  // a documentation address: any public one would do
    DWORD index = 0;
    return GetBestInterfaceEx(reinterpret_cast<sockaddr*>(&somewhere), &index) == NO_ERROR ? index : 0;
}

}  // namespace

std::vector<NetworkAdapter> Win32NetworkAdapters::list() {
    constexpr ULONG FLAGS = GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER;
    // The list's size is known only by asking; it may grow between two calls.
    ULONG size = 16 * 1024;
    std::vector<unsigned char> buffer;
    ULONG result = ERROR_BUFFER_OVERFLOW;
    for (int attempt = 0; attempt < 3 && result == ERROR_BUFFER_OVERFLOW; ++attempt) {
        buffer.resize(size);
        result = GetAdaptersAddresses(AF_INET, FLAGS, nullptr, reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()),
                                      &size);
    }
    std::vector<NetworkAdapter> adapters;
    if (result != NO_ERROR) return adapters;
    const DWORD routed = defaultRouteInterface();
    for (auto* entry = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()); entry; entry = entry->Next) {
        NetworkAdapter adapter;
        adapter.name = utf8Of(entry->FriendlyName);
        adapter.description = utf8Of(entry->Description);
        adapter.type = entry->IfType;
        adapter.up = entry->OperStatus == IfOperStatusUp;
        adapter.defaultRoute = routed != 0 && entry->IfIndex == routed;
        for (auto* unicast = entry->FirstUnicastAddress; unicast; unicast = unicast->Next) {
            const auto* address = reinterpret_cast<const sockaddr_in*>(unicast->Address.lpSockaddr);
            if (address->sin_family != AF_INET) continue;
            char text[INET_ADDRSTRLEN] = {};
            if (inet_ntop(AF_INET, &address->sin_addr, text, sizeof text)) adapter.ipv4.emplace_back(text);
        }
        adapters.push_back(std::move(adapter));
    }
    return adapters;
}

}  // namespace vork::win32
