// The old Windows mixer's calls behind the master mute (winmm), as the
// mute's steps make them; free of <windows.h>, so the steps are tested natively.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/non_copyable.h"

namespace vork::win32 {

struct MixerHandle {
    std::uintptr_t value = 0;
    friend constexpr bool operator==(MixerHandle, MixerHandle) = default;
};

class MixerApi : public Interface {
public:
    virtual std::uint32_t deviceCount() = 0;
    virtual std::optional<MixerHandle> open(std::uint32_t device) = 0;
    // Reads the device's capabilities through the open handle; only success matters.
    virtual bool readCapabilities(MixerHandle mixer) = 0;
    // The identifier of the speakers destination line.
    virtual std::optional<std::uint32_t> speakersLine(MixerHandle mixer) = 0;
    // The identifier of the line's mute control.
    virtual std::optional<std::uint32_t> muteControl(MixerHandle mixer, std::uint32_t lineId) = 0;
    virtual bool setMute(MixerHandle mixer, std::uint32_t controlId, bool on) = 0;
    virtual bool close(MixerHandle mixer) = 0;
};

}  // namespace vork::win32
