#include "config/remote_switch.h"

namespace vork {

SwitchDecision decideSwitch(const SwitchInputs& inputs, std::optional<bool> remembered) {
    if (inputs.commandLinePort) return {true, *inputs.commandLinePort, SwitchSource::CommandLine};
    if (inputs.fileEnabled) return {*inputs.fileEnabled, inputs.filePort, SwitchSource::SettingsFile};
    if (remembered) return {*remembered, inputs.filePort, SwitchSource::Remembered};
    return {false, inputs.filePort, SwitchSource::Default};
}

bool RemoteSwitch::choose(bool on) {
    if (decision().locked()) return false;
    return choices_.writeFlag(REMOTE_CHOICE, on);
}

}  // namespace vork
