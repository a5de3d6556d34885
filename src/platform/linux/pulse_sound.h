// The default sink's mute and volume through the PulseAudio client library
// (PipeWire's pulse server answers it too). Each change opens its own
// connection and ends within a second, answered or not.
#pragma once

#include "platform/sound.h"

namespace vork::linux_x11 {

class PulseSound final : public Sound {
public:
    MuteOutcome setMasterMute(bool on) override;
    // 5 % a step, never above 100 %.
    VolumeOutcome stepVolume(bool up) override;
};

}  // namespace vork::linux_x11
