// Turns phone commands into actions for the application in front, and
// repeats held actions (pointer movement, volume steps) on the window's timer.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/built_in_rules.h"
#include "config/key_map.h"
#include "input/app_activator.h"
#include "input/key_sender.h"
#include "input/media_keys.h"
#include "platform/input_injector.h"
#include "platform/sound.h"
#include "platform/system_services.h"
#include "platform/window_manager.h"
#include "remote/foreground_app.h"
#include "remote/key_labels.h"

namespace vork {

enum class HeldAction : std::int32_t {
    None = 0,
    PointerUp = 1,
    PointerDown = 2,
    PointerLeft = 3,
    PointerRight = 4,
    VolumeUp = 5,
    VolumeDown = 6,
    // The volume media keys, the same in every window.
    MediaVolumeUp = 7,
    MediaVolumeDown = 8,
};

struct Desktop {
    WindowManager& windows;
    InputInjector& input;
    SystemServices& system;
    Sound& sound;
};

// The pointer speed one tick later: +5 below 30, +10 from there on, and never
// past the largest value it can hold.
std::int32_t grownSpeed(std::int32_t speed);

class RemoteController {
public:
    static constexpr std::int32_t POINTER_INTERVAL = 1;
    static constexpr std::int32_t VOLUME_INTERVAL = 4;

    // builtIn: the rules that come with Vork, for windows the table does not know.
    explicit RemoteController(const Desktop& desktop, std::shared_ptr<const KeyMap> builtIn = builtInRules());
    virtual ~RemoteController() = default;
    RemoteController(const RemoteController&) = delete;
    RemoteController& operator=(const RemoteController&) = delete;

    void dispatch(std::string_view command);
    // The browser page's typing: deletions as Backspace, then the text.
    void typeText(std::size_t deletions, std::u16string_view text);
    // A key-language text from the page's special keys ("^c", "{ENTER}").
    void pressKeys(std::string_view keys);
    // A media key; the volume keys repeat until the held action stops.
    void pressMediaKey(MediaKey key);
    // What each keypad key does in the window in front, and its application.
    KeypadLabels keypadLabels();
    // The user's key map, asked before the built-in rules and the table;
    // none: the built-in behaviour alone.
    void setKeyMap(std::shared_ptr<const KeyMap> keyMap) { keyMap_ = std::move(keyMap); }

    void resetHeld();
    void startHeld(HeldAction action, std::int32_t interval);
    void tick();
    void volumeStep(bool up);
    // The page's volume keys: the desktop's own step, or its volume keys.
    void masterVolumeStep(bool up);
    void movePointer(std::int32_t dx, std::int32_t dy);
    // The wheel by `amount` (WHEEL_NOTCH a notch, positive away from the
    // user), tilted by `across` (positive to the right).
    void scroll(std::int32_t amount, std::int32_t across = 0);
    void leftClick();
    void rightClick();
    void toggleMute();

    [[nodiscard]] HeldAction heldAction() const { return heldAction_; }
    [[nodiscard]] std::int32_t speed() const { return speed_; }
    [[nodiscard]] bool muted() const { return muted_; }

    // The desktop's windows, for what else follows the window in front.
    WindowManager& windows() { return desktop_.windows; }

private:
    void runAction(std::string_view command);
    void click(PointerButton button);
    // The application in front, looked at once for each command (and each
    // firing of a held volume key): its answer is kept while one lasts.
    ForegroundApp foregroundApp();
    struct OneLook {
        explicit OneLook(RemoteController& controller) : controller_(controller) {}
        ~OneLook() { controller_.detected_.reset(); }
        OneLook(const OneLook&) = delete;
        OneLook& operator=(const OneLook&) = delete;
        RemoteController& controller_;
    };
    // The keystrokes the key maps give this phone key for the window in
    // front; none when the table holds.
    const std::string* mappedKeys(std::string_view phoneKey);
    // What speaks for the window in front, first first: the user's first
    // matching rule, then (for a window the table does not know) the first
    // built-in rule that matches, else the user's fallback.
    struct MapLayer {
        const KeyStrings* keys = nullptr;
        const KeyStrings* labels = nullptr;
        const std::string* app = nullptr;  // the rule's name
        // A built-in rule speaks only for the keys whose meaning depends on
        // the application: Escape, the pointer and the clicks act the same
        // everywhere, and Vork does not even look which window is in front for them.
        bool applicationKeysOnly = false;
        [[nodiscard]] const KeyStrings* forKey(const KeyStrings* strings, std::string_view phoneKey) const;
    };
    struct ActiveMap {
        std::array<MapLayer, 2> layers{};
        [[nodiscard]] const std::string* keysFor(std::string_view phoneKey) const;
        [[nodiscard]] const std::string* labelFor(std::string_view phoneKey) const;
        [[nodiscard]] const std::string* app() const;
    };
    // withBuiltIns: the key's meaning depends on the application (0-9, *), so
    // the built-in rules are asked too.
    ActiveMap activeMap(bool withBuiltIns = true);
    // The first rule of `rules` that matches the window in front, reading each
    // of the window's texts once, and only when a rule asks for it.
    struct WindowTexts;
    const AppRule* firstMatch(const std::vector<AppRule>& rules, WindowTexts& window);

    Desktop desktop_;
    AppActivator activator_;
    KeySender keySender_;
    HeldAction heldAction_ = HeldAction::None;
    std::int32_t repeatInterval_ = 1;
    std::int32_t tickCount_ = 0;
    std::int32_t speed_ = 5;
    bool muted_ = false;
    std::shared_ptr<const KeyMap> keyMap_;
    std::shared_ptr<const KeyMap> builtIn_;
    std::optional<ForegroundApp> detected_;
};

}  // namespace vork
