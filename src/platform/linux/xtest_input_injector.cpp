#include "platform/linux/xtest_input_injector.h"

#include <X11/XKBlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <string_view>
#include <thread>
#include <utility>

#include "input/key_codes.h"
#include "platform/linux/x11_key_symbols.h"

namespace vork::linux_x11 {

namespace {

constexpr unsigned LEFT_BUTTON = 1;
constexpr unsigned RIGHT_BUTTON = 3;
constexpr unsigned WHEEL_UP_BUTTON = 4;
constexpr unsigned WHEEL_DOWN_BUTTON = 5;
constexpr unsigned WHEEL_LEFT_BUTTON = 6;
constexpr unsigned WHEEL_RIGHT_BUTTON = 7;
// Clients read a changed map when they handle its notice, which may come
// after the keys: borrowed keys keep their characters this long, and a new
// pin waits this long before and after it is made.
constexpr auto MAP_CHANGE_HOLD = std::chrono::milliseconds(60);
// Windows leaves the codes 0x97 to 0x9F unassigned: no rule or key names them.
constexpr std::uint8_t PINNED_FIRST_KEY = 0x97;
constexpr std::size_t PINNED_KEYS = 9;

struct FreeKeyboard {
    void operator()(XkbDescPtr keyboard) const { XkbFreeKeyboard(keyboard, XkbAllComponentsMask, True); }
};
using KeyboardDescription = std::unique_ptr<XkbDescRec, FreeKeyboard>;

bool isHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

}  // namespace

XTestInputInjector::XTestInputInjector() : display_(openDisplay()) {
    if (!display_) return;
    int event = 0;
    int error = 0;
    int major = 0;
    int minor = 0;
    usable_ = XTestQueryExtension(display_.get(), &event, &error, &major, &minor) != False;
    if (!usable_) return;
    // Xlib follows the server's map only once it has read it: from now on.
    XkbKeycodeToKeysym(display_.get(), 8, 0, 0);
    learnLayout();
}

XTestInputInjector::~XTestInputInjector() {
    restoreBorrowed();
    if (pinned_.empty()) return;
    readMapChanges();
    // Only where a pin still is: a new layout may have put a key of its own there.
    for (const PinnedKey& key : pinned_)
        if (holds(key)) setKeycodeSymbol(key.keycode, NoSymbol);
    XSync(display_.get(), False);
}

void XTestInputInjector::learnLayout() {
    keycodeByPlace_.fill(0);
    keyByPlace_.fill(0);
    spareKeycodes_.clear();
    pinnableKeycodes_.clear();
    readKeyPlaces();
    // The keycodes the map leaves without any keysym, for characters no key types.
    int minKeycode = 0;
    int maxKeycode = 0;
    XDisplayKeycodes(display_.get(), &minKeycode, &maxKeycode);
    int perKeycode = 0;
    const XData<KeySym> map(
        XGetKeyboardMapping(display_.get(), static_cast<KeyCode>(minKeycode), maxKeycode - minKeycode + 1, &perKeycode));
    if (!map) return;
    for (int keycode = maxKeycode; keycode >= minKeycode; --keycode) {
        bool empty = true;
        for (int i = 0; i < perKeycode; ++i)
            if (map.get()[(keycode - minKeycode) * perKeycode + i] != NoSymbol) empty = false;
        if (empty) spareKeycodes_.push_back(static_cast<unsigned>(keycode));
    }
    // The pins keep their keycodes; the lowest spare ones make up the rest, at
    // most half of all: typed text borrows the others.
    for (const PinnedKey& key : pinned_) pinnableKeycodes_.push_back(key.keycode);
    const std::size_t wanted = std::min(PINNED_KEYS, (spareKeycodes_.size() + pinned_.size()) / 2);
    const std::size_t more = wanted > pinned_.size() ? wanted - pinned_.size() : 0;
    pinnableKeycodes_.insert(pinnableKeycodes_.end(), spareKeycodes_.end() - static_cast<std::ptrdiff_t>(more),
                             spareKeycodes_.end());
    spareKeycodes_.resize(spareKeycodes_.size() - more);
}

bool XTestInputInjector::readMapChanges() {
    bool foreign = false;
    while (XPending(display_.get()) > 0) {
        XEvent event;
        XNextEvent(display_.get(), &event);
        if (event.type != MappingNotify || event.xmapping.request != MappingKeyboard) continue;
        XRefreshKeyboardMapping(&event.xmapping);
        for (int i = 0; i < event.xmapping.count; ++i)
            if (!ownChange(static_cast<unsigned>(event.xmapping.first_keycode + i))) foreign = true;
    }
    return foreign;
}

bool XTestInputInjector::ownChange(unsigned keycode) {
    if (!managed(keycode)) return false;
    // Vork's spare keycodes are empty between its uses, and its pins hold
    // their own (holds() looks): anything else there is another program's.
    if (std::any_of(pinned_.begin(), pinned_.end(), [keycode](const PinnedKey& key) { return key.keycode == keycode; }))
        return true;
    return std::find(borrowed_.begin(), borrowed_.end(), keycode) != borrowed_.end() || emptyKeycode(keycode);
}

bool XTestInputInjector::emptyKeycode(unsigned keycode) {
    for (int group = 0; group < XkbNumKbdGroups; ++group)
        for (int level = 0; level < 4; ++level)
            if (XkbKeycodeToKeysym(display_.get(), static_cast<KeyCode>(keycode), group, level) != NoSymbol)
                return false;
    return true;
}

bool XTestInputInjector::managed(unsigned keycode) const {
    return std::find(spareKeycodes_.begin(), spareKeycodes_.end(), keycode) != spareKeycodes_.end() ||
           std::find(pinnableKeycodes_.begin(), pinnableKeycodes_.end(), keycode) != pinnableKeycodes_.end();
}

bool XTestInputInjector::holds(const PinnedKey& key) {
    return XkbKeycodeToKeysym(display_.get(), static_cast<KeyCode>(key.keycode), 0, 0) == key.keysym;
}

void XTestInputInjector::followLayout() {
    // Another map (the layout switched or loaded again, a keyboard plugged in)
    // may take pins with it and fill spare keycodes: the layout is read again,
    // keeping the pins still on it.
    const bool noticed = std::exchange(mapChanged_, false);
    const bool foreign = readMapChanges() || noticed;
    const auto lost =
        std::remove_if(pinned_.begin(), pinned_.end(), [this](const PinnedKey& key) { return !holds(key); });
    if (!foreign && lost == pinned_.end()) return;
    pinned_.erase(lost, pinned_.end());
    nextPinned_ = 0;
    learnLayout();
}

void XTestInputInjector::readKeyPlaces() {
    const KeyboardDescription keyboard(XkbGetMap(display_.get(), 0, XkbUseCoreKbd));
    if (!keyboard || XkbGetNames(display_.get(), XkbKeyNamesMask, keyboard.get()) != Success || !keyboard->names ||
        !keyboard->names->keys)
        return;  // no names: the keys are found by their keysyms alone
    for (unsigned keycode = keyboard->min_key_code; keycode <= keyboard->max_key_code; ++keycode) {
        const char* name = keyboard->names->keys[keycode].name;
        const auto key = keyOfPosition(std::string_view(name, strnlen(name, XkbKeyNameLength)));
        if (!key || keycodeByPlace_[*key] != 0) continue;
        keycodeByPlace_[*key] = static_cast<std::uint8_t>(keycode);
        keyByPlace_[keycode] = *key;
    }
}

unsigned XTestInputInjector::keycodeOfKey(std::uint8_t key, bool extended) {
    if (keycodeByPlace_[key] != 0) return keycodeByPlace_[key];
    if (key >= PINNED_FIRST_KEY && key - PINNED_FIRST_KEY < static_cast<int>(pinned_.size()))
        return pinned_[key - PINNED_FIRST_KEY].keycode;
    const auto keysym = keysymOfKey(key, extended);
    return keysym ? XKeysymToKeycode(display_.get(), *keysym) : 0;
}

bool XTestInputInjector::pressKeycode(unsigned keycode, bool down) {
    return XTestFakeKeyEvent(display_.get(), keycode, down ? True : False, CurrentTime) != 0;
}

void XTestInputInjector::sendKey(std::uint8_t key, bool up, bool extended) {
    if (!usable_) return;
    // A key goes up where it went down: every release comes as extended, which
    // for Enter names the keypad's, and the map may have changed since.
    unsigned keycode = up ? std::exchange(downKeycode_[key], 0) : 0;
    if (keycode == 0) keycode = keycodeOfKey(key, extended);
    if (keycode == 0) return;  // this keyboard has no such key
    if (!up) downKeycode_[key] = static_cast<std::uint8_t>(keycode);
    pressKeycode(keycode, !up);
    XFlush(display_.get());
    // The flush read what the server sent: map notices would pile up unread.
    if (XQLength(display_.get()) > 0) mapChanged_ = readMapChanges() || mapChanged_;
}

void XTestInputInjector::toggleNumLock() {
    sendKey(VK_NUMLOCK_KEY, false, true);
    sendKey(VK_NUMLOCK_KEY, true, true);
}

std::optional<XTestInputInjector::Place> XTestInputInjector::placeOf(std::uint32_t keysym) {
    const KeyCode keycode = XKeysymToKeycode(display_.get(), keysym);
    if (keycode == 0) return std::nullopt;
    for (const int level : {0, 1})
        if (XkbKeycodeToKeysym(display_.get(), keycode, 0, level) == keysym) return Place{keycode, level == 1};
    return std::nullopt;
}

std::optional<LayoutKey> XTestInputInjector::keyForCharacter(char character) {
    if (!usable_) return std::nullopt;
    followLayout();
    const std::uint32_t keysym = keysymOfCodePoint(static_cast<unsigned char>(character));
    // A pinned character keeps its pin: the map shows it on that keycode too now,
    // where its place or keysym would name another key.
    if (!pinOf(keysym))
        if (const auto key = layoutKeyOf(keysym)) return key;
    const auto pin = pinnedKeyFor(keysym);
    if (!pin) return std::nullopt;
    return LayoutKey{*pin, false, false, false};
}

std::optional<LayoutKey> XTestInputInjector::layoutKeyOf(std::uint32_t keysym) {
    const auto place = placeOf(keysym);
    if (!place) return std::nullopt;
    // A letter key is named by its letter, as on Windows; a digit or punctuation
    // key by its place, else by what it types unshifted.
    auto key = keyOfKeysym(static_cast<std::uint32_t>(XkbKeycodeToKeysym(display_.get(), place->keycode, 0, 0)));
    const bool letter = key && *key >= 'A' && *key <= 'Z';
    if (!letter && place->keycode < keyByPlace_.size() && keyByPlace_[place->keycode] != 0)
        key = keyByPlace_[place->keycode];
    // sendKey must turn the name back into this keycode; where it would not (a
    // character left on a spare keycode by a Vork that was killed names the
    // place of another key), the character is pinned instead.
    if (!key || keycodeOfKey(*key, false) != place->keycode) return std::nullopt;
    return LayoutKey{*key, place->shift, false, false};
}

std::optional<std::size_t> XTestInputInjector::pinOf(std::uint32_t keysym) const {
    for (std::size_t i = 0; i < pinned_.size(); ++i)
        if (pinned_[i].keysym == keysym) return i;
    return std::nullopt;
}

std::optional<std::uint8_t> XTestInputInjector::pinnedKeyFor(std::uint32_t keysym) {
    const auto code = [](std::size_t index) { return static_cast<std::uint8_t>(PINNED_FIRST_KEY + index); };
    if (const auto known = pinOf(keysym)) return code(*known);
    if (pinnableKeycodes_.empty()) return std::nullopt;
    std::size_t index = pinned_.size();
    if (index < pinnableKeycodes_.size()) {
        pinned_.push_back(PinnedKey{keysym, pinnableKeycodes_[index]});
    } else {
        // Every pinnable keycode in use: the oldest pin gives its place up.
        index = nextPinned_;
        nextPinned_ = (nextPinned_ + 1) % pinned_.size();
        pinned_[index].keysym = keysym;
    }
    // A program that reads the map only on its first key (plain Xlib does) may
    // be reading it now for the keys just sent, and would miss the change.
    XSync(display_.get(), False);
    std::this_thread::sleep_for(MAP_CHANGE_HOLD);
    setKeycodeSymbol(pinned_[index].keycode, keysym);
    XSync(display_.get(), False);
    std::this_thread::sleep_for(MAP_CHANGE_HOLD);
    return code(index);
}

void XTestInputInjector::setKeycodeSymbol(unsigned keycode, std::uint32_t keysym) {
    KeySym both[2] = {keysym, keysym};
    XChangeKeyboardMapping(display_.get(), static_cast<int>(keycode), 2, both, 1);
}

std::optional<unsigned> XTestInputInjector::borrowKeycode(std::uint32_t keysym) {
    for (int round = 0; round < 2; ++round) {
        for (const unsigned keycode : spareKeycodes_) {
            // Another program may have put a key there since the layout was read.
            if (std::find(borrowed_.begin(), borrowed_.end(), keycode) != borrowed_.end() || !emptyKeycode(keycode))
                continue;
            setKeycodeSymbol(keycode, keysym);
            XSync(display_.get(), False);
            borrowed_.push_back(keycode);
            return keycode;
        }
        if (borrowed_.empty()) return std::nullopt;
        restoreBorrowed();  // every spare one is in use: start again
    }
    return std::nullopt;
}

void XTestInputInjector::restoreBorrowed() {
    if (borrowed_.empty() || !display_) return;
    XSync(display_.get(), False);
    std::this_thread::sleep_for(MAP_CHANGE_HOLD);
    for (const unsigned keycode : borrowed_) setKeycodeSymbol(keycode, NoSymbol);
    XSync(display_.get(), False);
    borrowed_.clear();
}

bool XTestInputInjector::typeCodePoint(char32_t codePoint) {
    const std::uint32_t keysym = keysymOfCodePoint(codePoint);
    std::optional<Place> place = placeOf(keysym);
    if (!place) {
        const auto keycode = borrowKeycode(keysym);
        if (!keycode) return false;
        place = Place{*keycode, false};
    }
    const KeyCode shift = XKeysymToKeycode(display_.get(), XK_Shift_L);
    if (place->shift && shift != 0) pressKeycode(shift, true);
    const bool sent = pressKeycode(place->keycode, true) && pressKeycode(place->keycode, false);
    if (place->shift && shift != 0) pressKeycode(shift, false);
    return sent;
}

std::size_t XTestInputInjector::sendBatch(std::span<const TypedStroke> strokes) {
    if (!usable_) return 0;
    followLayout();
    std::size_t taken = 0;
    char16_t high = 0;
    for (const TypedStroke& stroke : strokes) {
        if (stroke.key != 0) {
            sendKey(stroke.key, stroke.up, false);
            ++taken;
            continue;
        }
        // X types whole characters: each is pressed and released on its first
        // unit's press; the other strokes only complete it.
        ++taken;
        if (stroke.up) continue;
        if (isHighSurrogate(stroke.character)) {
            high = stroke.character;
            continue;
        }
        char32_t codePoint = stroke.character;
        if (isLowSurrogate(stroke.character)) {
            if (high == 0) continue;
            codePoint = 0x10000 + ((static_cast<char32_t>(high) - 0xD800) << 10) + (stroke.character - 0xDC00);
        }
        high = 0;
        if (!typeCodePoint(codePoint)) --taken;
    }
    XFlush(display_.get());
    restoreBorrowed();
    return taken;
}

void XTestInputInjector::deliverPendingKeys() {
    if (usable_) XFlush(display_.get());
}

bool XTestInputInjector::movePointer(std::int32_t dx, std::int32_t dy) {
    if (!usable_) return false;
    const bool sent = XTestFakeRelativeMotionEvent(display_.get(), dx, dy, CurrentTime) != 0;
    XFlush(display_.get());
    return sent;
}

bool XTestInputInjector::pressButton(PointerButton button, bool down) {
    if (!usable_) return false;
    const unsigned number = button == PointerButton::Left ? LEFT_BUTTON : RIGHT_BUTTON;
    const bool sent = XTestFakeButtonEvent(display_.get(), number, down ? True : False, CurrentTime) != 0;
    XFlush(display_.get());
    return sent;
}

bool XTestInputInjector::turnWheel(std::int32_t amount) {
    return clickWheel(amount > 0 ? WHEEL_UP_BUTTON : WHEEL_DOWN_BUTTON, amount);
}

bool XTestInputInjector::tiltWheel(std::int32_t amount) {
    return clickWheel(amount > 0 ? WHEEL_RIGHT_BUTTON : WHEEL_LEFT_BUTTON, amount);
}

bool XTestInputInjector::clickWheel(unsigned button, std::int32_t amount) {
    if (!usable_) return false;
    // X's wheel is buttons, one click a notch; a part of a notch still turns it once.
    const std::int32_t notches = std::max<std::int32_t>(1, (amount > 0 ? amount : -amount) / WHEEL_NOTCH);
    bool sent = true;
    for (std::int32_t i = 0; i < notches; ++i)
        sent = XTestFakeButtonEvent(display_.get(), button, True, CurrentTime) != 0 &&
               XTestFakeButtonEvent(display_.get(), button, False, CurrentTime) != 0 && sent;
    XFlush(display_.get());
    return sent;
}

}  // namespace vork::linux_x11
