// Interprets keystroke strings ("^{LEFT}", "%{ENTER}", "p") and injects the
// key events they stand for.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "input/app_activator.h"
#include "platform/input_injector.h"
#include "platform/system_services.h"

namespace vork {

class KeySender {
public:
    static constexpr std::size_t MAX_GROUP_DISTANCE = 300;

    // Whether send would refuse the text (a brace group of 300 bytes or more).
    static bool refuses(std::string_view text);

    KeySender(InputInjector& input, SystemServices& system, AppActivator& activator)
        : input_(input), system_(system), activator_(activator) {}

    // Interprets the whole text; false only for a brace group of 300 bytes or
    // more. Whatever it returns, no key it pressed is left down.
    bool send(std::string_view text, bool pumpMessages);

    // Deletes `deletions` characters before the caret (Backspace), then
    // types `text` as characters whatever the keyboard layout, a line break
    // as Enter. One batch, so no other input comes between. False when the
    // platform took fewer events than it was given.
    bool typeText(std::size_t deletions, std::u16string_view text);

private:
    void pressKey(std::uint16_t key, std::uint16_t count, bool releaseAfter, bool honourDelay);
    void toggleNumLock(std::uint16_t count, bool honourDelay);
    void releaseKey(std::uint16_t key);
    void pressWithModifiers(std::uint16_t key, std::uint16_t count, bool releaseAfter);
    void pressPrefix(bool& flag, std::uint8_t virtualKey);
    void releaseStickyModifiers();
    void waitDelay();
    std::uint16_t lookupKeyName(std::string_view name);
    void interpretGroup(std::string_view group);
    void injectKey(std::uint8_t virtualKey, bool up, bool extended);

    InputInjector& input_;
    SystemServices& system_;
    AppActivator& activator_;

    bool pumpMessages_ = false;
    bool inGroup_ = false;
    bool shiftDown_ = false;
    bool altDown_ = false;
    bool ctrlDown_ = false;
    bool winDown_ = false;
    std::int32_t defaultDelayMs_ = 0;
    std::int32_t nextDelayMs_ = 0;
};

// Reads a number as the C library's decimal conversion does: leading white
// space, an optional sign, digits up to the first other byte, 0 without any;
// clamped to the signed 32-bit range.
std::int32_t readNumber(std::string_view text);

}  // namespace vork
