#include "input/key_sender.h"

#include <algorithm>
#include <array>
#include <limits>
#include <string>

#include "input/key_names.h"
#include "input/key_codes.h"
#include "text/ascii_case.h"

namespace vork {

namespace {

constexpr std::uint16_t MODIFIER_SHIFT = 0x01;
constexpr std::uint16_t MODIFIER_CTRL = 0x02;
constexpr std::uint16_t MODIFIER_ALT = 0x04;

constexpr std::array<std::uint8_t, 10> EXTENDED_KEYS = {0x21, 0x22, 0x23, 0x24, 0x25,
                                                        0x26, 0x27, 0x28, 0x2D, 0x2E};

// A key value as the key language writes it: the key's code in the low byte,
// the modifiers it needs above it.
std::uint16_t keyValue(const std::optional<LayoutKey>& key) {
    if (!key) return NO_KEY;
    return static_cast<std::uint16_t>(key->key | (key->shift ? MODIFIER_SHIFT << 8 : 0) |
                                      (key->ctrl ? MODIFIER_CTRL << 8 : 0) | (key->alt ? MODIFIER_ALT << 8 : 0));
}

bool isExtended(std::uint16_t key) {
    const auto virtualKey = static_cast<std::uint8_t>(key & 0xFF);
    return std::find(EXTENDED_KEYS.begin(), EXTENDED_KEYS.end(), virtualKey) != EXTENDED_KEYS.end();
}

std::uint8_t lowByte(std::uint32_t value) { return static_cast<std::uint8_t>(value & 0xFF); }

bool startsWithIgnoringCase(std::string_view text, std::string_view word) {
    if (text.size() < word.size()) return false;
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (asciiUpper(text[i]) != word[i]) return false;
    }
    return true;
}

std::string_view from(std::string_view text, std::size_t position) {
    return position < text.size() ? text.substr(position) : std::string_view();
}

bool isSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

}  // namespace

std::int32_t readNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && isSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    std::int64_t value = 0;
    constexpr std::int64_t LIMIT = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = std::min(LIMIT, value * 10 + (text[i] - '0'));
    if (negative) return static_cast<std::int32_t>(-value);
    return static_cast<std::int32_t>(std::min(value, LIMIT - 1));
}

namespace {

// Where a brace group that opens at `open` ends: its "}" or the text's end.
std::size_t groupEnd(std::string_view text, std::size_t open) {
    const std::size_t close = text.find('}', open + 1);
    return close == std::string_view::npos ? text.size() : close;
}

}  // namespace

bool KeySender::refuses(std::string_view text) {
    for (std::size_t i = text.find('{'); i != std::string_view::npos; i = text.find('{', groupEnd(text, i))) {
        if (groupEnd(text, i) - i > MAX_GROUP_DISTANCE) return true;
        if (groupEnd(text, i) >= text.size()) break;
    }
    return false;
}

bool KeySender::send(std::string_view text, bool pumpMessages) {
    inGroup_ = shiftDown_ = altDown_ = ctrlDown_ = winDown_ = false;
    pumpMessages_ = pumpMessages;

    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        switch (c) {
        case '+': pressPrefix(shiftDown_, VK_SHIFT_KEY); break;
        case '^': pressPrefix(ctrlDown_, VK_CONTROL_KEY); break;
        case '%': pressPrefix(altDown_, VK_MENU_KEY); break;
        case '@': pressPrefix(winDown_, VK_LWIN_KEY); break;
        case '(': inGroup_ = true; break;
        case ')':
            inGroup_ = false;
            releaseStickyModifiers();
            break;
        case '~':
            pressKey(VK_RETURN_KEY, 1, true, false);
            releaseStickyModifiers();
            break;
        case '{': {
            const std::size_t end = groupEnd(text, i);
            if (end - i > MAX_GROUP_DISTANCE) {
                // Refuse the text, but never leave a prefix's modifier held down.
                inGroup_ = false;
                releaseStickyModifiers();
                return false;
            }
            interpretGroup(text.substr(i + 1, end - i - 1));
            i = end;  // the loop steps past the "}" (or off the end)
            break;
        }
        default: {
            const std::uint16_t key = keyValue(input_.keyForCharacter(c));
            // A character the layout cannot type is skipped.
            if (key != NO_KEY) pressWithModifiers(key, 1, true);
            releaseStickyModifiers();
            break;
        }
        }
    }
    inGroup_ = false;
    releaseStickyModifiers();
    return true;
}

void KeySender::interpretGroup(std::string_view group) {
    if (startsWithIgnoringCase(group, "VKEY")) {
        const auto key = static_cast<std::uint16_t>(static_cast<std::uint32_t>(readNumber(from(group, 4))) & 0xFFFF);
        if (key == NO_KEY) return;
        pressWithModifiers(key, 1, true);
        releaseStickyModifiers();
        return;
    }
    if (startsWithIgnoringCase(group, "BEEP")) {
        const std::size_t blank = group.find(' ', 5);
        if (blank == std::string_view::npos) return;
        const std::int32_t frequency = readNumber(group.substr(5, blank - 5));
        const std::int32_t duration = readNumber(from(group, blank + 1));
        // A negative number would reach the speaker as an endless tone.
        if (frequency >= 0 && duration >= 0)
            system_.beep(static_cast<std::uint32_t>(frequency), static_cast<std::uint32_t>(duration));
        return;
    }
    if (startsWithIgnoringCase(group, "APPACTIVATE")) {
        activator_.activate(std::string(from(group, 12)), std::nullopt);
        return;
    }
    if (startsWithIgnoringCase(group, "DELAY")) {
        // A negative pause counts as none.
        if (group.size() > 5 && group[5] == '=')
            defaultDelayMs_ = std::max(0, readNumber(from(group, 6)));
        else
            nextDelayMs_ = std::max(0, readNumber(from(group, 5)));
        return;
    }

    const std::size_t blank = group.find(' ');
    const std::string_view name = group.substr(0, blank);
    const std::uint16_t key = lookupKeyName(name);
    if (key == NO_KEY) return;
    const auto count = blank == std::string_view::npos
                           ? std::uint16_t{1}
                           : static_cast<std::uint16_t>(static_cast<std::uint32_t>(readNumber(group.substr(blank))) & 0xFFFF);
    pressWithModifiers(key, count, true);
    releaseStickyModifiers();
}

void KeySender::pressPrefix(bool& flag, std::uint8_t virtualKey) {
    flag = true;
    pressKey(virtualKey, 1, false, false);
}

void KeySender::pressKey(std::uint16_t key, std::uint16_t count, bool releaseAfter, bool honourDelay) {
    if (count == 0) return;
    if (lowByte(key) == VK_NUMLOCK_KEY) {
        toggleNumLock(count, honourDelay);
        return;
    }
    const std::uint8_t virtualKey = lowByte(key);
    for (std::uint16_t i = 0; i < count; ++i) {
        if (honourDelay) waitDelay();
        injectKey(virtualKey, false, isExtended(key));
        // Every release goes as extended, whatever the key.
        if (releaseAfter) injectKey(virtualKey, true, true);
    }
}

void KeySender::toggleNumLock(std::uint16_t count, bool honourDelay) {
    for (std::uint16_t i = 0; i < count; ++i) {
        if (honourDelay) waitDelay();
        input_.toggleNumLock();  // never followed by delivering the keys
    }
}

void KeySender::releaseKey(std::uint16_t key) {
    injectKey(lowByte(key), true, isExtended(key));
}

void KeySender::pressWithModifiers(std::uint16_t key, std::uint16_t count, bool releaseAfter) {
    const std::uint16_t modifiers = key >> 8;
    if ((modifiers & MODIFIER_SHIFT) != 0) pressKey(VK_SHIFT_KEY, 1, false, false);
    if ((modifiers & MODIFIER_CTRL) != 0) pressKey(VK_CONTROL_KEY, 1, false, false);
    if ((modifiers & MODIFIER_ALT) != 0) pressKey(VK_MENU_KEY, 1, false, false);
    pressKey(key, count, releaseAfter, true);
    if ((modifiers & MODIFIER_SHIFT) != 0) releaseKey(VK_SHIFT_KEY);
    if ((modifiers & MODIFIER_CTRL) != 0) releaseKey(VK_CONTROL_KEY);
    if ((modifiers & MODIFIER_ALT) != 0) releaseKey(VK_MENU_KEY);
}

void KeySender::releaseStickyModifiers() {
    if (inGroup_) return;
    if (shiftDown_) releaseKey(VK_SHIFT_KEY);
    if (ctrlDown_) releaseKey(VK_CONTROL_KEY);
    if (altDown_) releaseKey(VK_MENU_KEY);
    if (winDown_) releaseKey(VK_LWIN_KEY);
    shiftDown_ = ctrlDown_ = altDown_ = winDown_ = false;
}

void KeySender::waitDelay() {
    if (nextDelayMs_ == 0) nextDelayMs_ = defaultDelayMs_;
    if (nextDelayMs_ > 0) system_.sleep(static_cast<std::uint32_t>(nextDelayMs_));
    nextDelayMs_ = 0;
}

std::uint16_t KeySender::lookupKeyName(std::string_view name) {
    const auto entry = findKeyName(name);
    if (!entry) return NO_KEY;
    if (entry->isCharacter) return keyValue(input_.keyForCharacter(static_cast<char>(entry->value)));
    return entry->value;
}

void KeySender::injectKey(std::uint8_t virtualKey, bool up, bool extended) {
    input_.sendKey(virtualKey, up, extended);
    if (pumpMessages_) input_.deliverPendingKeys();
}

bool KeySender::typeText(std::size_t deletions, std::u16string_view text) {
    std::vector<TypedStroke> strokes;
    strokes.reserve(2 * (deletions + text.size()));
    const auto press = [&strokes](std::uint8_t key) {
        strokes.push_back({key, 0, false});
        strokes.push_back({key, 0, true});
    };
    for (std::size_t i = 0; i < deletions; ++i) press(VK_BACK_KEY);
    for (const char16_t unit : text) {
        if (unit == u'\n') {
            press(VK_RETURN_KEY);
            continue;
        }
        // A character outside the basic plane goes as its two halves, each
        // pressed and released: the window puts them back together.
        strokes.push_back({0, unit, false});
        strokes.push_back({0, unit, true});
    }
    return strokes.empty() || input_.sendBatch(strokes) == strokes.size();
}

}  // namespace vork
