#include "event_log.h"

#include <cstdio>

namespace vork::test {

std::string hex(unsigned value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%02x", value);
    return buffer;
}

}  // namespace vork::test
