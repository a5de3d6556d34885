#include "fake_mixer.h"

namespace vork::test {

std::optional<win32::MixerHandle> FakeMixer::open(std::uint32_t device) {
    log_.push_back("mixer open " + std::to_string(device));
    if (failure == Failure::Open || device >= devices) return std::nullopt;
    ++openHandles;
    return win32::MixerHandle{0xA11};
}

bool FakeMixer::readCapabilities(win32::MixerHandle mixer) {
    return valid(mixer) && failure != Failure::Capabilities;
}

std::optional<std::uint32_t> FakeMixer::speakersLine(win32::MixerHandle mixer) {
    if (!valid(mixer) || failure == Failure::Line) return std::nullopt;
    return SPEAKERS_LINE;
}

std::optional<std::uint32_t> FakeMixer::muteControl(win32::MixerHandle mixer, std::uint32_t lineId) {
    if (!valid(mixer) || lineId != SPEAKERS_LINE || failure == Failure::Control) return std::nullopt;
    return MUTE_CONTROL;
}

bool FakeMixer::setMute(win32::MixerHandle mixer, std::uint32_t controlId, bool on) {
    log_.push_back(std::string("mixer mute ") + (on ? "on" : "off"));
    if (!valid(mixer) || controlId != MUTE_CONTROL || failure == Failure::SetValue) return false;
    muteOn = on;
    return true;
}

bool FakeMixer::close(win32::MixerHandle mixer) {
    log_.push_back("mixer close");
    if (!valid(mixer)) return false;
    --openHandles;
    return failure != Failure::Close;
}

}  // namespace vork::test
