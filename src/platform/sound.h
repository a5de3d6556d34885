// The desktop's sound as the remote's mute key and the page's volume keys need it.
#pragma once

#include <cstdint>

#include "platform/non_copyable.h"

namespace vork {

enum class MuteOutcome : std::uint8_t {
    NoControl,  // no master mute was found: nothing was asked
    Set,
    Refused,  // the mute was found but would not change
};

enum class VolumeOutcome : std::uint8_t {
    Stepped,
    ByKeys,  // this desktop steps it when it gets the volume keys: the caller sends them
    Failed,
};

class Sound : public Interface {
public:
    virtual MuteOutcome setMasterMute(bool on) = 0;
    // One step of the master volume, up or down.
    virtual VolumeOutcome stepVolume(bool up) = 0;
};

}  // namespace vork
