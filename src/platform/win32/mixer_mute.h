// Opens the first audio mixer, finds the speakers' mute control and sets it.
// Lives for one toggle; closes the mixer on every path.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/sound.h"
#include "platform/win32/mixer_api.h"

namespace vork::win32 {

class MixerMute {
public:
    explicit MixerMute(MixerApi& api) : api_(api) {}
    ~MixerMute() { close(); }
    MixerMute(const MixerMute&) = delete;
    MixerMute& operator=(const MixerMute&) = delete;

    bool open();
    bool findMuteControl();
    bool setMute(bool on);
    bool close();

private:
    MixerApi& api_;
    std::uint32_t deviceCount_ = 0;
    std::optional<MixerHandle> handle_;
    std::uint32_t controlId_ = 0;
};

// The master mute on the first mixer, a new MixerMute for each change.
class MixerSound final : public Sound {
public:
    explicit MixerSound(MixerApi& api) : api_(api) {}
    MuteOutcome setMasterMute(bool on) override;
    // Windows steps it, and shows its own volume bar, on the volume keys.
    VolumeOutcome stepVolume(bool /*up*/) override { return VolumeOutcome::ByKeys; }

private:
    MixerApi& api_;
};

}  // namespace vork::win32
