#include "remote/remote_controller.h"

#include <limits>

#include <algorithm>
#include <optional>

#include "text/fragment_search.h"
#include "text/ascii_case.h"
#include "remote/action_table.h"

namespace vork {

namespace {

struct HeldCommand {
    std::string_view command;
    HeldAction action;
    std::int32_t interval;
};

constexpr std::array<HeldCommand, 6> HELD_COMMANDS = {{
    {"D:2", HeldAction::VolumeUp, RemoteController::VOLUME_INTERVAL},
    {"D:8", HeldAction::VolumeDown, RemoteController::VOLUME_INTERVAL},
    {"D:U", HeldAction::PointerUp, RemoteController::POINTER_INTERVAL},
    {"D:D", HeldAction::PointerDown, RemoteController::POINTER_INTERVAL},
    {"D:L", HeldAction::PointerLeft, RemoteController::POINTER_INTERVAL},
    {"D:R", HeldAction::PointerRight, RemoteController::POINTER_INTERVAL},
}};

constexpr std::int32_t SLOW_SPEED_LIMIT = 30;

// What `strings` holds for the key, if they are there and hold it.
const std::string* lookUp(const KeyStrings* strings, std::string_view key) {
    if (!strings) return nullptr;
    const auto found = strings->find(key);
    return found == strings->end() ? nullptr : &found->second;
}

}  // namespace

std::int32_t grownSpeed(std::int32_t speed) {
    const std::int32_t growth = speed < SLOW_SPEED_LIMIT ? 5 : 10;
    constexpr std::int32_t LARGEST = std::numeric_limits<std::int32_t>::max();
    return speed > LARGEST - growth ? LARGEST : speed + growth;
}

RemoteController::RemoteController(const Desktop& desktop, std::shared_ptr<const KeyMap> builtIn)
    : desktop_(desktop),
      activator_(desktop.windows, desktop.system),
      keySender_(desktop.input, desktop.system, activator_),
      builtIn_(std::move(builtIn)) {}

void RemoteController::dispatch(std::string_view command) {
    const OneLook look(*this);
    resetHeld();
    constexpr std::string_view KEY_PREFIX = "D:";
    if (command.size() == KEY_PREFIX.size() + 1 && command.starts_with(KEY_PREFIX)) {
        const std::string_view key = command.substr(KEY_PREFIX.size());
        if (const std::string* keys = mappedKeys(key)) {
            // A mapped volume key repeats like the built-in one; anything else is sent once.
            if (key == "2" || key == "8")
                startHeld(key == "2" ? HeldAction::VolumeUp : HeldAction::VolumeDown, VOLUME_INTERVAL);
            else
                keySender_.send(*keys, false);
            return;
        }
    }
    // Every command is its own text, so the order of these tests decides nothing.
    if (command == "D:#") {
        keySender_.send("{ESC}", false);
        return;
    }
    if (command == "D:E") {
        leftClick();
        return;
    }
    if (command == "D:C") {
        rightClick();
        return;
    }
    for (const HeldCommand& held : HELD_COMMANDS) {
        if (held.command == command) {
            startHeld(held.action, held.interval);
            return;
        }
    }
    runAction(command);
}

void RemoteController::typeText(std::size_t deletions, std::u16string_view text) {
    resetHeld();
    keySender_.typeText(deletions, text);
}

void RemoteController::pressKeys(std::string_view keys) {
    resetHeld();
    keySender_.send(keys, false);
}

void RemoteController::pressMediaKey(MediaKey key) {
    resetHeld();
    if (key == MediaKey::VolumeUp || key == MediaKey::VolumeDown) {
        startHeld(key == MediaKey::VolumeUp ? HeldAction::MediaVolumeUp : HeldAction::MediaVolumeDown, VOLUME_INTERVAL);
        return;
    }
    keySender_.send(mediaKeyText(key), false);
}

void RemoteController::runAction(std::string_view command) {
    const ActionRow* row = findActionRow(command);
    if (!row) return;
    const Action& action = row->byApp[static_cast<std::size_t>(foregroundApp())];
    switch (action.kind) {
    case Action::Kind::Keys: keySender_.send(action.keys, false); break;
    case Action::Kind::Mute: toggleMute(); break;
    case Action::Kind::Nothing: break;
    }
}

void RemoteController::resetHeld() {
    heldAction_ = HeldAction::None;
    repeatInterval_ = 1;
    speed_ = 5;
    tickCount_ = 10;
}

void RemoteController::startHeld(HeldAction action, std::int32_t interval) {
    heldAction_ = action;
    repeatInterval_ = interval;
}

void RemoteController::tick() {
    if (heldAction_ == HeldAction::None) return;
    ++tickCount_;
    speed_ = grownSpeed(speed_);
    if (tickCount_ < repeatInterval_) return;
    tickCount_ = 0;

    const std::int32_t step = speed_ / 10;
    switch (heldAction_) {
    case HeldAction::PointerUp: movePointer(0, -step); break;
    case HeldAction::PointerDown: movePointer(0, step); break;
    case HeldAction::PointerLeft: movePointer(-step, 0); break;
    case HeldAction::PointerRight: movePointer(step, 0); break;
    case HeldAction::VolumeUp: volumeStep(true); break;
    case HeldAction::VolumeDown: volumeStep(false); break;
    case HeldAction::MediaVolumeUp: masterVolumeStep(true); break;
    case HeldAction::MediaVolumeDown: masterVolumeStep(false); break;
    case HeldAction::None: break;
    }
}

void RemoteController::volumeStep(bool up) {
    const OneLook look(*this);
    if (const std::string* keys = mappedKeys(up ? "2" : "8")) {
        keySender_.send(*keys, false);
        return;
    }
    const VolumeStep& step = VOLUME_STEPS[static_cast<std::size_t>(foregroundApp())];
    for (int i = 0; i < step.sends; ++i) keySender_.send(up ? step.up : step.down, false);
}

void RemoteController::masterVolumeStep(bool up) {
    switch (desktop_.sound.stepVolume(up)) {
    case VolumeOutcome::ByKeys: keySender_.send(mediaKeyText(up ? MediaKey::VolumeUp : MediaKey::VolumeDown), false); break;
    case VolumeOutcome::Stepped:
    case VolumeOutcome::Failed: break;  // like a mute that failed: nothing to tell the phone
    }
}

void RemoteController::movePointer(std::int32_t dx, std::int32_t dy) { desktop_.input.movePointer(dx, dy); }

void RemoteController::scroll(std::int32_t amount, std::int32_t across) {
    if (amount != 0) desktop_.input.turnWheel(amount);
    if (across != 0) desktop_.input.tiltWheel(across);
}

void RemoteController::leftClick() { click(PointerButton::Left); }

void RemoteController::rightClick() { click(PointerButton::Right); }

void RemoteController::click(PointerButton button) {
    // A button that never went down is not released: a stray release can
    // act as a click in some programs.
    if (!desktop_.input.pressButton(button, true)) return;
    desktop_.input.pressButton(button, false);
}

void RemoteController::toggleMute() {
    // The program's own idea of the state flips even when the mute refused,
    // so the next toggle asks for the opposite.
    if (desktop_.sound.setMasterMute(!muted_) != MuteOutcome::NoControl) muted_ = !muted_;
}

ForegroundApp RemoteController::foregroundApp() {
    if (!detected_) detected_ = detectForegroundApp(desktop_.windows, desktop_.system);
    return *detected_;
}

namespace {

bool dependsOnApplication(std::string_view phoneKey) {
    return phoneKey.size() == 1 && ((phoneKey[0] >= '0' && phoneKey[0] <= '9') || phoneKey[0] == '*');
}

}  // namespace

// A key no map lists keeps the table's behaviour.
const std::string* RemoteController::mappedKeys(std::string_view phoneKey) {
    return activeMap(dependsOnApplication(phoneKey)).keysFor(phoneKey);
}

const KeyStrings* RemoteController::MapLayer::forKey(const KeyStrings* strings, std::string_view phoneKey) const {
    return applicationKeysOnly && !dependsOnApplication(phoneKey) ? nullptr : strings;
}

const std::string* RemoteController::ActiveMap::keysFor(std::string_view phoneKey) const {
    for (const MapLayer& layer : layers)
        if (const std::string* keys = lookUp(layer.forKey(layer.keys, phoneKey), phoneKey)) return keys;
    return nullptr;
}

const std::string* RemoteController::ActiveMap::labelFor(std::string_view phoneKey) const {
    // A layer's own label for a key it maps, else none: the keys are described.
    for (const MapLayer& layer : layers) {
        if (const std::string* label = lookUp(layer.forKey(layer.labels, phoneKey), phoneKey)) return label;
        if (lookUp(layer.forKey(layer.keys, phoneKey), phoneKey)) return nullptr;
    }
    return nullptr;
}

const std::string* RemoteController::ActiveMap::app() const {
    for (const MapLayer& layer : layers)
        if (layer.app && !layer.app->empty()) return layer.app;
    return nullptr;
}

struct RemoteController::WindowTexts {
    WindowHandle window;
    std::optional<std::string> className;
    std::optional<std::string> title;
    std::optional<std::string> program;
};

const AppRule* RemoteController::firstMatch(const std::vector<AppRule>& rules, WindowTexts& window) {
    // The program's file name is the dearest to ask.
    for (const AppRule& rule : rules) {
        if (rule.className) {
            if (!window.className) window.className = desktop_.windows.className(window.window, TITLE_BUFFER_SIZE);
            if (*window.className != *rule.className) continue;
        }
        if (rule.title) {
            if (!window.title) window.title = desktop_.windows.windowText(window.window, TITLE_BUFFER_SIZE);
            if (!containsFragment(*window.title, *rule.title, desktop_.system)) continue;
        }
        if (rule.exe) {
            if (!window.program) window.program = desktop_.windows.programFileName(window.window);
            if (!equalIgnoringAsciiCase(*window.program, *rule.exe)) continue;
        }
        return &rule;
    }
    return nullptr;
}

RemoteController::ActiveMap RemoteController::activeMap(bool withBuiltIns) {
    ActiveMap map;
    withBuiltIns = withBuiltIns && builtIn_ && !builtIn_->rules.empty();
    if (!keyMap_ && !withBuiltIns) return map;
    WindowTexts window{desktop_.windows.foregroundWindow(), {}, {}, {}};
    if (keyMap_)
        if (const AppRule* rule = firstMatch(keyMap_->rules, window))
            map.layers[0] = MapLayer{&rule->keys, &rule->labels, &rule->name};
    // The built-in rules and the user's fallback speak only for windows the table does not know.
    const bool fallback = keyMap_ && map.layers[0].keys == nullptr &&
                          (!keyMap_->fallbackKeys.empty() || !keyMap_->fallbackLabels.empty());
    if ((!withBuiltIns && !fallback) || foregroundApp() != ForegroundApp::None) return map;
    if (withBuiltIns)
        if (const AppRule* rule = firstMatch(builtIn_->rules, window))
            map.layers[1] = MapLayer{&rule->keys, &rule->labels, &rule->name, true};
    if (fallback && map.layers[1].keys == nullptr)
        map.layers[0] = MapLayer{&keyMap_->fallbackKeys, &keyMap_->fallbackLabels, nullptr};
    return map;
}

KeypadLabels RemoteController::keypadLabels() {
    const OneLook look(*this);
    const ActiveMap map = activeMap();
    // Keys the maps leave alone do what they do for the application in front.
    const ForegroundApp app = foregroundApp();
    // A map's own label for a key, else its keys described; none if the maps leave the key alone.
    const auto mapLabel = [&map](std::string_view key) -> std::optional<std::string> {
        if (const std::string* named = map.labelFor(key)) return *named;
        if (const std::string* mapped = map.keysFor(key)) return describeKeys(*mapped);
        return std::nullopt;
    };
    KeypadLabels labels;
    labels.app = map.app() ? *map.app() : std::string(appDisplayName(app));
    for (const std::string_view key : KEYPAD_KEYS)
        labels.keys.emplace_back(key, mapLabel(key).value_or(std::string(builtInLabel(key, app))));
    for (const std::string_view key : POINTER_KEYS)
        if (std::optional<std::string> label = mapLabel(key)) labels.keys.emplace_back(key, std::move(*label));
    return labels;
}

}  // namespace vork
