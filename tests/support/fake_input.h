// A simulated keyboard and mouse on a US layout: records every injected event
// (with the scan codes of a US keyboard's keys), tracks which keys and buttons
// are down, the NumLock light and the cursor.
#pragma once

#include <bitset>
#include <map>
#include <set>
#include <vector>

#include "event_log.h"
#include "platform/input_injector.h"

namespace vork::test {

class FakeInput final : public InputInjector {
public:
    explicit FakeInput(EventLog& log) : log_(log) {}

    // Quiet (the benchmarks), each call only counts, as cheap as a platform that does nothing.
    void sendKey(std::uint8_t key, bool up, bool extended) override {
        held_[key] = !up;
        if (log_.quiet) {
            ++log_.quietEvents;
            return;
        }
        logKey(key, up, extended);
    }
    void toggleNumLock() override;
    std::size_t sendBatch(std::span<const TypedStroke> strokes) override;
    std::optional<LayoutKey> keyForCharacter(char character) override;
    void deliverPendingKeys() override {
        if (!log_.quiet) log_.push_back("pump");
    }
    bool movePointer(std::int32_t dx, std::int32_t dy) override {
        if (!log_.quiet) return logPointerMove(dx, dy);
        ++log_.quietEvents;
        cursorX += dx;
        cursorY += dy;
        return true;
    }
    bool pressButton(PointerButton button, bool down) override {
        if (!log_.quiet) return logButton(button, down);
        ++log_.quietEvents;
        return true;
    }
    bool turnWheel(std::int32_t amount) override {
        if (!log_.quiet) return mouse(0, 0, 0x800, amount);
        ++log_.quietEvents;
        return true;
    }
    bool tiltWheel(std::int32_t amount) override { return mouse(0, 0, 0x1000, amount); }

    [[nodiscard]] bool numLockOn() const { return numLock_; }
    // Kept quiet too: whether any key is still down.
    [[nodiscard]] bool anyKeyHeld() const { return held_.any(); }

    std::set<std::uint8_t> keysDown;
    // Replaces the US answer: the key in the low byte, Shift, Ctrl, Alt in bits 8 to 10.
    std::map<char, std::uint16_t> layoutOverride;
    int cursorX = 0;
    int cursorY = 0;
    std::set<PointerButton> buttonsDown;
    // The injection with this number (counting from 0) is refused.
    int refuseInjection = -1;
    int injections = 0;

private:
    void logKey(std::uint8_t key, bool up, bool extended);
    bool logPointerMove(std::int32_t dx, std::int32_t dy);
    bool logButton(PointerButton button, bool down);
    bool refused() { return injections++ == refuseInjection; }
    // The log's line for a pointer event, in the mouse's own flag bits.
    bool mouse(std::int32_t dx, std::int32_t dy, unsigned flags, std::int32_t wheel = 0);

    EventLog& log_;
    bool numLock_ = false;
    std::bitset<256> held_;
};

// The US layout's answers: the key in the low byte, Shift in bit 8; NO_KEY
// for a character it cannot type.
std::uint16_t usKeyForCharacter(char character);
std::uint8_t usScanCode(std::uint8_t virtualKey);

}  // namespace vork::test
