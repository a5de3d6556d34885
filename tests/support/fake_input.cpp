#include "fake_input.h"

#include <string>

#include "input/key_codes.h"
#include "text/ascii_case.h"

namespace vork::test {

namespace {

std::string keyLine(bool up, unsigned vk, unsigned scan, bool extended) {
    std::string line = std::string(up ? "up " : "down ") + hex(vk) + " scan " + hex(scan);
    if (extended) line += " ext";
    return line;
}

}  // namespace

std::uint16_t usKeyForCharacter(char character) {
    const auto c = static_cast<unsigned char>(character);
    if (c >= 'a' && c <= 'z') return static_cast<std::uint16_t>(asciiUpper(static_cast<char>(c)));
    if (c >= 'A' && c <= 'Z') return static_cast<std::uint16_t>(0x100 | c);
    if (c >= '0' && c <= '9') return c;
    static const std::map<char, std::uint16_t> symbols = {
        {' ', 0x20},   {'\t', 0x09},  {'\r', 0x0D},  {')', 0x130},  {'!', 0x131},  {'@', 0x132},
        {'#', 0x133},  {'$', 0x134},  {'%', 0x135},  {'^', 0x136},  {'&', 0x137},  {'*', 0x138},
        {'(', 0x139},  {'-', 0xBD},   {'_', 0x1BD},  {'=', 0xBB},   {'+', 0x1BB},  {'[', 0xDB},
        {'{', 0x1DB},  {']', 0xDD},   {'}', 0x1DD},  {'\\', 0xDC},  {'|', 0x1DC},  {';', 0xBA},
        {':', 0x1BA},  {'\'', 0xDE},  {'"', 0x1DE},  {',', 0xBC},   {'<', 0x1BC},  {'.', 0xBE},
        {'>', 0x1BE},  {'/', 0xBF},   {'?', 0x1BF},  {'`', 0xC0},   {'~', 0x1C0},
    };
    const auto found = symbols.find(character);
    return found == symbols.end() ? NO_KEY : found->second;
}

std::uint8_t usScanCode(std::uint8_t virtualKey) {
    const std::uint8_t vk = virtualKey;
    static const std::uint8_t letters[26] = {0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17,
                                             0x24, 0x25, 0x26, 0x32, 0x31, 0x18, 0x19, 0x10, 0x13,
                                             0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C};
    if (vk >= 'A' && vk <= 'Z') return letters[vk - 'A'];
    if (vk >= '1' && vk <= '9') return static_cast<std::uint8_t>(vk - '1' + 2);
    if (vk == '0') return 0x0B;
    if (vk >= 0x70 && vk <= 0x79) return static_cast<std::uint8_t>(0x3B + vk - 0x70);  // F1..F10
    static const std::map<std::uint8_t, std::uint8_t> others = {
        {0x08, 0x0E}, {0x09, 0x0F}, {0x0D, 0x1C}, {0x10, 0x2A}, {0x11, 0x1D}, {0x12, 0x38},
        {0x14, 0x3A}, {0x1B, 0x01}, {0x20, 0x39}, {0x21, 0x49}, {0x22, 0x51}, {0x23, 0x4F},
        {0x24, 0x47}, {0x25, 0x4B}, {0x26, 0x48}, {0x27, 0x4D}, {0x28, 0x50}, {0x2D, 0x52},
        {0x2E, 0x53}, {0x5B, 0x5B}, {0x5C, 0x5C}, {0x5D, 0x5D}, {0x60, 0x52}, {0x61, 0x4F},
        {0x62, 0x50}, {0x63, 0x51}, {0x64, 0x4B}, {0x65, 0x4C}, {0x66, 0x4D}, {0x67, 0x47},
        {0x68, 0x48}, {0x69, 0x49}, {0x6A, 0x37}, {0x6B, 0x4E}, {0x6D, 0x4A}, {0x6E, 0x53},
        {0x6F, 0x35}, {0x7A, 0x57}, {0x7B, 0x58}, {0x90, 0x45}, {0x91, 0x46}, {0xBA, 0x27},
        {0xBB, 0x0D}, {0xBC, 0x33}, {0xBD, 0x0C}, {0xBE, 0x34}, {0xBF, 0x35}, {0xC0, 0x29},
        {0xDB, 0x1A}, {0xDC, 0x2B}, {0xDD, 0x1B}, {0xDE, 0x28},
    };
    const auto found = others.find(vk);
    return found == others.end() ? 0 : found->second;
}

void FakeInput::logKey(std::uint8_t key, bool up, bool extended) {
    if (refused()) {
        log_.push_back("refused");
        return;
    }
    log_.push_back(keyLine(up, key, usScanCode(key), extended));
    if (up)
        keysDown.erase(key);
    else
        keysDown.insert(key);
}

void FakeInput::toggleNumLock() {
    if (log_.quiet) {
        log_.quietEvents += 2;
        return;
    }
    for (const bool up : {false, true}) {
        if (refused()) {
            log_.push_back("refused");
            continue;
        }
        log_.push_back(keyLine(up, VK_NUMLOCK_KEY, usScanCode(VK_NUMLOCK_KEY), true));
        if (!up) numLock_ = !numLock_;
    }
}

std::size_t FakeInput::sendBatch(std::span<const TypedStroke> strokes) {
    for (const TypedStroke& stroke : strokes)
        if (stroke.key != 0) held_[stroke.key] = !stroke.up;
    if (log_.quiet) {
        log_.quietEvents += strokes.size();
        return strokes.size();
    }
    std::string line = "input";
    for (const TypedStroke& stroke : strokes) {
        if (stroke.key == 0)
            line += std::string(stroke.up ? " | up unicode " : " | down unicode ") + hex(stroke.character);
        else
            line += " | " + keyLine(stroke.up, stroke.key, usScanCode(stroke.key), false);
    }
    log_.push_back(line);
    return strokes.size();
}

std::optional<LayoutKey> FakeInput::keyForCharacter(char character) {
    const auto found = layoutOverride.find(character);
    const std::uint16_t value = found != layoutOverride.end() ? found->second : usKeyForCharacter(character);
    if (value == NO_KEY) return std::nullopt;
    return LayoutKey{static_cast<std::uint8_t>(value & 0xFF), (value & 0x100) != 0, (value & 0x200) != 0,
                     (value & 0x400) != 0};
}

bool FakeInput::mouse(std::int32_t dx, std::int32_t dy, unsigned flags, std::int32_t wheel) {
    if (log_.quiet) {
        ++log_.quietEvents;
        return true;
    }
    if (refused()) {
        log_.push_back("refused");
        return false;
    }
    std::string line = "mouse " + std::to_string(dx) + " " + std::to_string(dy) + " " + hex(flags);
    if (wheel != 0) line.append(" ").append(std::to_string(wheel));
    log_.push_back(line);
    return true;
}

bool FakeInput::logPointerMove(std::int32_t dx, std::int32_t dy) {
    if (!mouse(dx, dy, 0x01)) return false;
    cursorX += dx;
    cursorY += dy;
    return true;
}

bool FakeInput::logButton(PointerButton button, bool down) {
    const bool left = button == PointerButton::Left;
    const unsigned flags = left ? (down ? 0x02 : 0x04) : (down ? 0x08 : 0x10);
    if (!mouse(0, 0, flags)) return false;
    if (down)
        buttonsDown.insert(button);
    else
        buttonsDown.erase(button);
    return true;
}


}  // namespace vork::test
