// The remote's mute key on the old Windows mixer: the mixer's steps, and
// what the remote's idea of the state does when one of them fails.
#include "platform/win32/mixer_mute.h"

#include <gtest/gtest.h>

#include "fake_mixer.h"
#include "simulated_desktop.h"

namespace vork {
namespace {

using test::EventLog;

class MuteTest : public ::testing::Test, protected test::SimulatedDesktop {
protected:
    test::FakeMixer mixer{log};
    win32::MixerSound mixerSound{mixer};
    RemoteController controller{Desktop{desktop, input, system, mixerSound}};
};

TEST_F(MuteTest, Toggles_MuteThenUnmute_ClosingTheMixerEachTime) {
    controller.toggleMute();
    EXPECT_TRUE(controller.muted());
    EXPECT_TRUE(mixer.muteOn);
    controller.toggleMute();
    EXPECT_FALSE(controller.muted());
    EXPECT_FALSE(mixer.muteOn);
    EXPECT_EQ((EventLog{"mixer open 0", "mixer mute on", "mixer close", "mixer open 0", "mixer mute off",
                        "mixer close"}),
              log);
    EXPECT_EQ(0, mixer.openHandles);
}

TEST_F(MuteTest, UnmutedByOtherMeans_NextToggleUnmutesAgain) {
    controller.toggleMute();
    mixer.muteOn = false;  // the user unmuted in the system's mixer
    controller.toggleMute();
    EXPECT_FALSE(mixer.muteOn);
    controller.toggleMute();
    EXPECT_TRUE(mixer.muteOn);
}

TEST_F(MuteTest, FailingStep_LeavesMutedUnchanged_AndClosesWhatWasOpened) {
    using Failure = test::FakeMixer::Failure;
    for (const Failure failure : {Failure::Open, Failure::Capabilities, Failure::Line, Failure::Control}) {
        SCOPED_TRACE(static_cast<int>(failure));
        mixer.failure = failure;
        controller.toggleMute();
        EXPECT_FALSE(controller.muted());
        EXPECT_FALSE(mixer.muteOn);
        EXPECT_EQ(0, mixer.openHandles);
    }
    mixer.failure = Failure::None;
    mixer.devices = 0;
    log.clear();
    controller.toggleMute();
    EXPECT_FALSE(controller.muted());
    EXPECT_TRUE(log.empty()) << "no device: nothing is opened";
}

TEST_F(MuteTest, RefusedValue_StillFlipsMuted) {
    mixer.failure = test::FakeMixer::Failure::SetValue;
    controller.toggleMute();
    EXPECT_TRUE(controller.muted());
    mixer.failure = test::FakeMixer::Failure::None;
    controller.toggleMute();
    EXPECT_EQ((EventLog{"mixer open 0", "mixer mute on", "mixer close", "mixer open 0", "mixer mute off",
                        "mixer close"}),
              log);
    EXPECT_EQ(0, mixer.openHandles);
}

TEST_F(MuteTest, MixerCallFailsOnce_TheNextToggleWorks) {
    using Failure = test::FakeMixer::Failure;
    for (const Failure failure : {Failure::Open, Failure::Capabilities, Failure::Line, Failure::Control,
                                  Failure::SetValue, Failure::Close}) {
        SCOPED_TRACE(static_cast<int>(failure));
        const bool before = controller.muted();
        mixer.failure = failure;
        controller.toggleMute();
        const bool flipped = failure == Failure::SetValue || failure == Failure::Close;
        EXPECT_EQ(flipped ? !before : before, controller.muted());
        EXPECT_EQ(0, mixer.openHandles);
        mixer.failure = Failure::None;
        controller.toggleMute();
        EXPECT_EQ(controller.muted(), mixer.muteOn);
    }
}

}  // namespace
}  // namespace vork
