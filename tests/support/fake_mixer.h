// A simulated audio mixer with a speakers line and its mute control, and a
// knob to make each step fail.
#pragma once

#include <string>

#include "event_log.h"
#include "platform/mixer_api.h"

namespace vork::test {

class FakeMixer final : public MixerApi {
public:
    enum class Failure { None, Open, Capabilities, Line, Control, SetValue, Close };

    explicit FakeMixer(EventLog& log) : log_(log) {}

    std::uint32_t deviceCount() override { return devices; }
    std::optional<MixerHandle> open(std::uint32_t device) override;
    bool readCapabilities(MixerHandle mixer) override;
    std::optional<std::uint32_t> speakersLine(MixerHandle mixer) override;
    std::optional<std::uint32_t> muteControl(MixerHandle mixer, std::uint32_t lineId) override;
    bool setMute(MixerHandle mixer, std::uint32_t controlId, bool on) override;
    bool close(MixerHandle mixer) override;

    std::uint32_t devices = 1;
    Failure failure = Failure::None;
    bool muteOn = false;
    int openHandles = 0;

    static constexpr std::uint32_t SPEAKERS_LINE = 0xFFFF0000;
    static constexpr std::uint32_t MUTE_CONTROL = 7;

private:
    bool valid(MixerHandle mixer) const { return openHandles > 0 && mixer == MixerHandle{0xA11}; }

    EventLog& log_;
};

}  // namespace vork::test
