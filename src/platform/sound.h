// The desktop's sound as the remote's mute key needs it.
#pragma once

#include <cstdint>

#include "platform/non_copyable.h"

namespace vork {

enum class MuteOutcome : std::uint8_t {
    NoControl,  // no master mute was found: nothing was asked
    Set,
    Refused,  // the mute was found but would not change
};

class Sound : public Interface {
public:
    virtual MuteOutcome setMasterMute(bool on) = 0;
};

}  // namespace vork
