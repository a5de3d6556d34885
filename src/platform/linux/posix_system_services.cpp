#include "platform/linux/posix_system_services.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace vork::linux_x11 {

void PosixSystemServices::sleep(std::uint32_t milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void PosixSystemServices::beep(std::uint32_t /*frequencyHz*/, std::uint32_t durationMs) { sleep(durationMs); }

std::size_t PosixSystemServices::characterBytes(std::string_view text) {
    if (text.empty()) return 0;
    const auto lead = static_cast<unsigned char>(text.front());
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    // A broken sequence counts its lead byte alone.
    for (std::size_t i = 1; i < length; ++i)
        if (i >= text.size() || (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) return 1;
    return std::min(length, text.size());
}

}  // namespace vork::linux_x11
