// Simulated sound: a master mute that can be missing or refuse a change.
#pragma once

#include <string>

#include "event_log.h"
#include "platform/sound.h"

namespace vork::test {

class FakeSound final : public Sound {
public:
    explicit FakeSound(EventLog& log) : log_(log) {}

    MuteOutcome setMasterMute(bool on) override {
        if (!log_.quiet) log_.push_back(std::string("mute ") + (on ? "on" : "off"));
        if (outcome == MuteOutcome::Set) muteOn = on;
        return outcome;
    }

    VolumeOutcome stepVolume(bool up) override {
        if (volumeOutcome != VolumeOutcome::ByKeys && !log_.quiet) log_.push_back(std::string("volume ") + (up ? "up" : "down"));
        return volumeOutcome;
    }

    // What the next changes meet.
    MuteOutcome outcome = MuteOutcome::Set;
    bool muteOn = false;
    VolumeOutcome volumeOutcome = VolumeOutcome::ByKeys;  // as on Windows

private:
    EventLog& log_;
};

}  // namespace vork::test
