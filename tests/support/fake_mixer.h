// A simulated old Windows mixer with a speakers line and its mute control,
// and a knob to make each step fail.
#pragma once

#include <string>

#include "event_log.h"
#include "platform/win32/mixer_api.h"

namespace vork::test {

class FakeMixer final : public win32::MixerApi {
public:
    enum class Failure { None, Open, Capabilities, Line, Control, SetValue, Close };

    explicit FakeMixer(EventLog& log) : log_(log) {}

    std::uint32_t deviceCount() override { return devices; }
    std::optional<win32::MixerHandle> open(std::uint32_t device) override;
    bool readCapabilities(win32::MixerHandle mixer) override;
    std::optional<std::uint32_t> speakersLine(win32::MixerHandle mixer) override;
    std::optional<std::uint32_t> muteControl(win32::MixerHandle mixer, std::uint32_t lineId) override;
    bool setMute(win32::MixerHandle mixer, std::uint32_t controlId, bool on) override;
    bool close(win32::MixerHandle mixer) override;

    std::uint32_t devices = 1;
    Failure failure = Failure::None;
    bool muteOn = false;
    int openHandles = 0;

    static constexpr std::uint32_t SPEAKERS_LINE = 0xFFFF0000;
    static constexpr std::uint32_t MUTE_CONTROL = 7;

private:
    bool valid(win32::MixerHandle mixer) const { return openHandles > 0 && mixer == win32::MixerHandle{0xA11}; }

    EventLog& log_;
};

}  // namespace vork::test
