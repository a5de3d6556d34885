// One ordered record of everything the simulated platform was asked to do,
// written as short readable lines ("down 0x11 scan 0x1d", "sleep 100").
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace vork::test {

class EventLog : public std::vector<std::string> {
public:
    using std::vector<std::string>::vector;

    // Quiet, for benchmarks: the fakes write no lines and keep no state the
    // logic does not read back; they only count what they were asked.
    bool quiet = false;
    std::size_t quietEvents = 0;
};

std::string hex(unsigned value);

}  // namespace vork::test
