// The key language on any bytes. Checks: no key is left down, whatever send
// returns, and no pause or tone is longer than a number the text wrote.
// The simulated platform is quiet here, so that long repeat counts stay cheap.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "simulated_desktop.h"
#include "input/key_sender.h"

namespace {

using namespace vork;

// The largest number written anywhere in the text, as the reader would clamp it.
std::uint64_t largestNumber(std::string_view text) {
    std::uint64_t largest = 0;
    std::uint64_t current = 0;
    for (const char c : text) {
        if (c >= '0' && c <= '9') {
            current = std::min<std::uint64_t>(current * 10 + static_cast<std::uint64_t>(c - '0'), 0x80000000ULL);
            largest = std::max(largest, current);
        } else {
            current = 0;
        }
    }
    return largest;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    test::SimulatedDesktop platform;
    platform.log.quiet = true;
    platform.system.leadBytes = {0x81};
    platform.desktop.addWindow("Untitled - Notepad", "Notepad");
    AppActivator activator(platform.desktop, platform.system);
    KeySender sender(platform.input, platform.system, activator);
    sender.send(text, size % 2 == 1);
    sender.send(text, false);  // delays carried over from the first call

    if (platform.input.anyKeyHeld()) {
        std::fprintf(stderr, "a key is left down\n");
        std::abort();
    }
    if (platform.system.largestAsked > largestNumber(text)) {
        std::fprintf(stderr, "a wait of %llu is longer than anything the text asked for\n",
                     static_cast<unsigned long long>(platform.system.largestAsked));
        std::abort();
    }
    return 0;
}
