// Whether the browser remote is on, and who decided: the command line wins
// over the settings file, which wins over the choice the user last made in
// Vork's menu or on its Connect page (kept for the next start).
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/choice_store.h"

namespace vork {

inline constexpr std::string_view REMOTE_CHOICE = "BrowserRemote";

enum class SwitchSource : std::uint8_t { Default, Remembered, SettingsFile, CommandLine };

struct SwitchDecision {
    bool on = false;
    std::uint16_t port = 0;
    SwitchSource source = SwitchSource::Default;
    // The user's own choice cannot change it.
    [[nodiscard]] bool locked() const { return source == SwitchSource::CommandLine || source == SwitchSource::SettingsFile; }
    friend bool operator==(const SwitchDecision&, const SwitchDecision&) = default;
};

struct SwitchInputs {
    std::optional<std::uint16_t> commandLinePort;  // --web[=PORT]
    std::optional<bool> fileEnabled;               // [web] enabled, when the file says
    std::uint16_t filePort = 0;                    // [web] port, or the default
};

SwitchDecision decideSwitch(const SwitchInputs& inputs, std::optional<bool> remembered);

class RemoteSwitch {
public:
    RemoteSwitch(const SwitchInputs& inputs, ChoiceStore& choices) : inputs_(inputs), choices_(choices) {}

    [[nodiscard]] SwitchDecision decision() { return decideSwitch(inputs_, choices_.readFlag(REMOTE_CHOICE)); }
    // The user's choice from the menu or the Connect page; false, changing
    // nothing, while the command line or the settings file decides.
    bool choose(bool on);

private:
    SwitchInputs inputs_;
    ChoiceStore& choices_;
};

}  // namespace vork
