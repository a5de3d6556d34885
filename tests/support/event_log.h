// One ordered record of everything the simulated platform was asked to do,
// written as short readable lines ("down 0x11 scan 0x1d", "sleep 100").
#pragma once

#include <string>
#include <vector>

namespace vork::test {

using EventLog = std::vector<std::string>;

std::string hex(unsigned value);

}  // namespace vork::test
