// The key language on any bytes. Checks: no key is left down, whatever send
// returns, and no pause or tone is longer than a number the text wrote.
// The simulated platform here only counts, so that long repeat counts stay cheap.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

#include "fake_desktop.h"
#include "fake_input.h"
#include "input/key_sender.h"

namespace {

using namespace vork;

class CountingInput final : public InputInjector {
public:
    void keyEvent(std::uint8_t virtualKey, std::uint8_t, std::uint32_t flags) override {
        down[virtualKey] = (flags & KEY_EVENT_KEYUP) == 0;
    }
    unsigned sendKeyboardInputs(std::span<const KeyboardInput> inputs) override {
        for (const KeyboardInput& input : inputs) down[input.virtualKey & 0xFF] = (input.flags & KEY_EVENT_KEYUP) == 0;
        return static_cast<unsigned>(inputs.size());
    }
    unsigned sendMouseInput(const MouseInput&) override { return 1; }
    std::uint16_t keyForCharacter(char character) override { return test::usKeyForCharacter(character); }
    std::uint32_t scanCodeForKey(std::uint8_t virtualKey) override { return virtualKey; }
    std::int16_t keyState(std::uint8_t) override { return 0; }
    bool getKeyboardState(KeyboardStateArray&) override { return true; }
    bool setKeyboardState(const KeyboardStateArray&) override { return true; }
    void pumpKeyboardMessages() override {}

    bool anyDown() const { return std::find(down.begin(), down.end(), true) != down.end(); }
    std::array<bool, 256> down{};
};

class LongestWait final : public SystemServices {
public:
    void sleep(std::uint32_t milliseconds) override { longest = std::max<std::uint64_t>(longest, milliseconds); }
    void beep(std::uint32_t frequency, std::uint32_t duration) override {
        longest = std::max<std::uint64_t>(longest, std::max(frequency, duration));
    }
    std::uint32_t version() override { return versionValue; }
    bool isLeadByte(std::uint8_t byte) override { return byte == 0x81; }

    std::uint64_t longest = 0;
    std::uint32_t versionValue = 0x1DB10106;
};

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
    test::EventLog log;
    test::FakeDesktop desktop(log);
    CountingInput input;
    LongestWait system;
    system.versionValue = (size % 3 == 0) ? 0x1DB10106 : (size % 3 == 1) ? 0x80000A04 : 0x80000004;
    desktop.addWindow("Untitled - Notepad", "Notepad");
    AppActivator activator(desktop, system);
    KeySender sender(input, system, activator);
    sender.send(text, size % 2 == 1);
    sender.send(text, false);  // delays carried over from the first call

    if (input.anyDown()) {
        std::fprintf(stderr, "a key is left down\n");
        std::abort();
    }
    if (system.longest > largestNumber(text)) {
        std::fprintf(stderr, "a wait of %llu is longer than anything the text asked for\n",
                     static_cast<unsigned long long>(system.longest));
        std::abort();
    }
    return 0;
}
