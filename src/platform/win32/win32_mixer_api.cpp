#include "platform/win32/win32_mixer_api.h"

#include <windows.h>
#include <mmsystem.h>

namespace vork::win32 {

namespace {

HMIXER toHmixer(MixerHandle mixer) { return reinterpret_cast<HMIXER>(mixer.value); }
HMIXEROBJ toObject(MixerHandle mixer) { return reinterpret_cast<HMIXEROBJ>(mixer.value); }

}  // namespace

std::uint32_t Win32MixerApi::deviceCount() { return mixerGetNumDevs(); }

std::optional<MixerHandle> Win32MixerApi::open(std::uint32_t device) {
    HMIXER mixer = nullptr;
    if (mixerOpen(&mixer, device, 0, 0, CALLBACK_NULL | MIXER_OBJECTF_MIXER) != MMSYSERR_NOERROR || !mixer)
        return std::nullopt;
    return MixerHandle{reinterpret_cast<std::uintptr_t>(mixer)};
}

bool Win32MixerApi::readCapabilities(MixerHandle mixer) {
    MIXERCAPSA capabilities{};
    return mixerGetDevCapsA(mixer.value, &capabilities, sizeof capabilities) == MMSYSERR_NOERROR;
}

std::optional<std::uint32_t> Win32MixerApi::speakersLine(MixerHandle mixer) {
    MIXERLINEA line{};
    line.cbStruct = sizeof line;
    line.dwComponentType = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
    if (mixerGetLineInfoA(toObject(mixer), &line, MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_COMPONENTTYPE) !=
        MMSYSERR_NOERROR)
        return std::nullopt;
    return line.dwLineID;
}

std::optional<std::uint32_t> Win32MixerApi::muteControl(MixerHandle mixer, std::uint32_t lineId) {
    MIXERCONTROLA control{};
    control.cbStruct = sizeof control;
    MIXERLINECONTROLSA controls{};
    controls.cbStruct = sizeof controls;
    controls.dwLineID = lineId;
    controls.dwControlType = MIXERCONTROL_CONTROLTYPE_MUTE;
    controls.cControls = 1;
    controls.cbmxctrl = sizeof control;
    controls.pamxctrl = &control;
    if (mixerGetLineControlsA(toObject(mixer), &controls, MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ONEBYTYPE) !=
        MMSYSERR_NOERROR)
        return std::nullopt;
    return control.dwControlID;
}

bool Win32MixerApi::setMute(MixerHandle mixer, std::uint32_t controlId, bool on) {
    MIXERCONTROLDETAILS_BOOLEAN value{};
    value.fValue = on ? 1 : 0;
    MIXERCONTROLDETAILS details{};
    details.cbStruct = sizeof details;
    details.dwControlID = controlId;
    details.cChannels = 1;
    details.cMultipleItems = 0;
    details.cbDetails = sizeof value;
    details.paDetails = &value;
    // Both flag macros hold a zero part, which the check reads as a repeated operand.
    // NOLINTNEXTLINE(misc-redundant-expression)
    return mixerSetControlDetails(toObject(mixer), &details, MIXER_OBJECTF_HMIXER | MIXER_SETCONTROLDETAILSF_VALUE) ==
           MMSYSERR_NOERROR;
}

bool Win32MixerApi::close(MixerHandle mixer) { return mixerClose(toHmixer(mixer)) == MMSYSERR_NOERROR; }

}  // namespace vork::win32
