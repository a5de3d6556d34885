#include "platform/win32/mixer_mute.h"

namespace vork::win32 {

bool MixerMute::open() {
    close();
    deviceCount_ = api_.deviceCount();
    if (deviceCount_ == 0) return false;
    handle_ = api_.open(0);
    if (!handle_) return false;
    if (!api_.readCapabilities(*handle_)) {
        close();
        return false;
    }
    return true;
}

bool MixerMute::findMuteControl() {
    if (!handle_) return false;
    const auto line = api_.speakersLine(*handle_);
    if (!line) return false;
    const auto control = api_.muteControl(*handle_, *line);
    if (!control) return false;
    controlId_ = *control;
    return true;
}

bool MixerMute::setMute(bool on) { return handle_ && api_.setMute(*handle_, controlId_, on); }

bool MixerMute::close() {
    if (!handle_) return false;
    const bool closed = api_.close(*handle_);
    handle_.reset();
    return closed;
}

MuteOutcome MixerSound::setMasterMute(bool on) {
    MixerMute mixer(api_);
    if (!mixer.open()) return MuteOutcome::NoControl;
    if (!mixer.findMuteControl()) return MuteOutcome::NoControl;  // the mixer closes as it goes
    const bool set = mixer.setMute(on);
    mixer.close();
    return set ? MuteOutcome::Set : MuteOutcome::Refused;
}

}  // namespace vork::win32
