// The key language on any bytes. Checks: no key is left down, whatever send
// returns, and no pause or tone is longer than a number the text wrote.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fake_desktop.h"
#include "fake_input.h"
#include "fake_system.h"
#include "input/key_sender.h"

namespace {

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
    using namespace vork;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    test::EventLog log;
    test::FakeDesktop desktop(log);
    test::FakeInput input(log);
    test::FakeSystem system(log);
    desktop.addWindow("Untitled - Notepad", "Notepad");
    AppActivator activator(desktop, system);
    KeySender sender(input, system, activator);
    sender.send(text, size % 2 == 1);
    sender.send(text, false);  // delays carried over from the first call

    if (!input.keysDown.empty()) {
        std::fprintf(stderr, "a key is left down\n");
        std::abort();
    }
    const std::uint64_t largest = largestNumber(text);
    for (const std::string& line : log) {
        unsigned long long first = 0, second = 0;
        const bool isSleep = std::sscanf(line.c_str(), "sleep %llu", &first) == 1;
        const bool isBeep = std::sscanf(line.c_str(), "beep %llu %llu", &first, &second) == 2;
        if ((isSleep || isBeep) && std::max(first, second) > largest) {
            std::fprintf(stderr, "\"%s\" is longer than anything the text asked for\n", line.c_str());
            std::abort();
        }
    }
    return 0;
}
