// The PC's IPv4 addresses on its networks, as a phone on the same network reaches it.
#pragma once

#include <string>
#include <vector>

namespace vork::win32 {

// Dotted addresses of the adapters that are up, loopback left out.
std::vector<std::string> localIpv4Addresses();

}  // namespace vork::win32
