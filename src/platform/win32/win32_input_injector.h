// Keyboard and mouse injection on user32: keybd_event for the key language's
// keys (with the layout's scan code), SendInput for typed batches and the
// pointer.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/input_injector.h"

namespace vork::win32 {

class Win32InputInjector final : public InputInjector {
public:
    void sendKey(std::uint8_t key, bool up, bool extended) override;
    void toggleNumLock() override;
    std::size_t sendBatch(std::span<const TypedStroke> strokes) override;
    std::optional<LayoutKey> keyForCharacter(char character) override;
    // Every pending keyboard message (0x100 to 0x108, not WM_UNICHAR) of the
    // calling thread, for all its windows, translated and dispatched.
    void deliverPendingKeys() override;
    bool movePointer(std::int32_t dx, std::int32_t dy) override;
    bool pressButton(PointerButton button, bool down) override;
    bool turnWheel(std::int32_t amount) override;
    bool tiltWheel(std::int32_t amount) override;

private:
    // GetVersion's answer, asked before the first toggle.
    std::optional<std::uint32_t> version_;
};

}  // namespace vork::win32
