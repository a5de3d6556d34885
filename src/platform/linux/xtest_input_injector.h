// The key language's keys, typed text and the pointer as X events made by
// XTest, through the server's current keyboard map. A character no key of
// the layout types is put for a moment on a keycode the map leaves empty.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "platform/input_injector.h"
#include "platform/linux/x11_display.h"

namespace vork::linux_x11 {

class XTestInputInjector final : public InputInjector {
public:
    XTestInputInjector();
    ~XTestInputInjector() override;

    // False when there is no X server or it lacks XTest: nothing can be sent.
    [[nodiscard]] bool usable() const { return usable_; }

    void sendKey(std::uint8_t key, bool up, bool extended) override;
    void toggleNumLock() override;
    std::size_t sendBatch(std::span<const TypedStroke> strokes) override;
    std::optional<LayoutKey> keyForCharacter(char character) override;
    void deliverPendingKeys() override;
    bool movePointer(std::int32_t dx, std::int32_t dy) override;
    bool pressButton(PointerButton button, bool down) override;
    bool turnWheel(std::int32_t amount) override;
    bool tiltWheel(std::int32_t amount) override;

private:
    // A wheel button clicked once a notch of the amount.
    bool clickWheel(unsigned button, std::int32_t amount);
    // The keycode and level (0 or 1: with Shift) that type the keysym; none when no key does.
    struct Place {
        unsigned keycode = 0;
        bool shift = false;
    };
    std::optional<Place> placeOf(std::uint32_t keysym);
    // The key-language code that types the keysym where the layout has it, if
    // one leads back to its keycode.
    std::optional<LayoutKey> layoutKeyOf(std::uint32_t keysym);
    bool typeCodePoint(char32_t codePoint);
    // The keys' places and the keycodes the map leaves empty, from the server's map.
    void learnLayout();
    // The digit and punctuation keys' keycodes by their places on the keyboard.
    void readKeyPlaces();
    // Reads the map's change notices; true when one is not of Vork's own making.
    bool readMapChanges();
    // A keycode Vork puts characters on.
    [[nodiscard]] bool managed(unsigned keycode) const;
    // A notice about this keycode can be of Vork's own making.
    bool ownChange(unsigned keycode);
    // No keysym on any level of any group, as far as Xlib has read the map.
    bool emptyKeycode(unsigned keycode);
    // Learns the layout again where another map came, or one took a pin.
    void followLayout();
    // The keycode a key-language code is pressed with; 0 when this keyboard has none.
    unsigned keycodeOfKey(std::uint8_t key, bool extended);
    bool pressKeycode(unsigned keycode, bool down);
    // A keycode of the map's empty ones with the keysym on it, kept until restoreBorrowed.
    std::optional<unsigned> borrowKeycode(std::uint32_t keysym);
    void restoreBorrowed();
    // A code of the key language's unassigned ones for a character no key of the
    // layout types on its first two levels ("[" behind AltGr, say): the key stays
    // on a spare keycode while Vork runs, as a rule's keys come one by one.
    std::optional<std::uint8_t> pinnedKeyFor(std::uint32_t keysym);
    std::optional<std::size_t> pinOf(std::uint32_t keysym) const;
    void setKeycodeSymbol(unsigned keycode, std::uint32_t keysym);

    DisplayConnection display_;
    bool usable_ = false;
    std::vector<unsigned> spareKeycodes_;
    std::vector<unsigned> borrowed_;
    struct PinnedKey {
        std::uint32_t keysym = 0;
        unsigned keycode = 0;
    };
    // The pin's keysym is still on its keycode.
    bool holds(const PinnedKey& key);
    std::vector<unsigned> pinnableKeycodes_;
    std::vector<PinnedKey> pinned_;  // the code PINNED_FIRST_KEY + i is pinned_[i]
    std::size_t nextPinned_ = 0;
    // Key-language code to keycode and back for the keys named by place; 0 for none.
    std::array<std::uint8_t, 256> keycodeByPlace_{};
    std::array<std::uint8_t, 256> keyByPlace_{};
    // The keycode each key-language code went down on; 0 while it is up.
    std::array<std::uint8_t, 256> downKeycode_{};
    // A map notice not of Vork's own making, read while sending keys.
    bool mapChanged_ = false;
};

}  // namespace vork::linux_x11
