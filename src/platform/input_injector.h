// What the key language, the pointer keys and a page's typing ask of the
// desktop: keys pressed and released by the key language's own codes, text
// typed whatever the layout, the pointer moved, its buttons and its wheel.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "platform/non_copyable.h"

namespace vork {

// One notch of a wheel, in the units turnWheel counts.
inline constexpr std::int32_t WHEEL_NOTCH = 120;

// One stroke of a typed batch: a key by its code, or (key 0) one UTF-16
// code unit typed whatever the layout.
struct TypedStroke {
    std::uint8_t key = 0;
    char16_t character = 0;
    bool up = false;
};

// The key that types a character on the current layout, and the modifiers it needs.
struct LayoutKey {
    std::uint8_t key = 0;
    bool shift = false;
    bool ctrl = false;
    bool alt = false;
};

enum class PointerButton : std::uint8_t { Left, Right };

class InputInjector : public Interface {
public:
    // extended: the key's extended form, as the key language asks for it.
    virtual void sendKey(std::uint8_t key, bool up, bool extended) = 0;
    // NumLock pressed and released once (some systems take it a way of their own).
    virtual void toggleNumLock() = 0;
    // The strokes as one batch that no other input comes between; how many the desktop took.
    virtual std::size_t sendBatch(std::span<const TypedStroke> strokes) = 0;
    // None when the layout cannot type the character.
    virtual std::optional<LayoutKey> keyForCharacter(char character) = 0;
    // The calling thread's windows handle the key events sent so far.
    virtual void deliverPendingKeys() = 0;
    // Each false when the desktop refused it.
    virtual bool movePointer(std::int32_t dx, std::int32_t dy) = 0;
    virtual bool pressButton(PointerButton button, bool down) = 0;
    // Positive turns away from the user.
    virtual bool turnWheel(std::int32_t amount) = 0;
    // The wheel tilted sideways: positive to the right.
    virtual bool tiltWheel(std::int32_t amount) = 0;
};

}  // namespace vork
