// The audio mixer services on winmm.
#pragma once

#include "platform/win32/mixer_api.h"

namespace vork::win32 {

class Win32MixerApi final : public MixerApi {
public:
    std::uint32_t deviceCount() override;
    std::optional<MixerHandle> open(std::uint32_t device) override;
    bool readCapabilities(MixerHandle mixer) override;
    std::optional<std::uint32_t> speakersLine(MixerHandle mixer) override;
    std::optional<std::uint32_t> muteControl(MixerHandle mixer, std::uint32_t lineId) override;
    bool setMute(MixerHandle mixer, std::uint32_t controlId, bool on) override;
    bool close(MixerHandle mixer) override;
};

}  // namespace vork::win32
