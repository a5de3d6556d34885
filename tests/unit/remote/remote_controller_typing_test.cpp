// A page's typing on its way into the window in front.
#include <gtest/gtest.h>

#include "config/settings_file.h"
#include "input/typed_text.h"
#include "remote/action_table.h"
#include "remote/key_labels.h"
#include "remote/remote_controller.h"
#include "simulated_desktop.h"
#include "web/page_keys.h"

namespace vork {
namespace {
class PageTyping : public ::testing::Test, protected test::SimulatedDesktop {
protected:
    RemoteController controller{platform()};
};

TEST_F(PageTyping, DeletesWithBackspace_TypesCharactersAsUnicode_InOneBatch_AndEndsAHeldAction) {
    controller.dispatch("D:U");
    log.clear();
    controller.typeText(2, decodeTypedText("a\xF0\x9F\x98\x80\n").value().units);
    EXPECT_EQ(HeldAction::None, controller.heldAction());
    EXPECT_EQ((test::EventLog{"input | down 0x08 scan 0x0e | up 0x08 scan 0x0e | down 0x08 scan 0x0e | up 0x08 scan 0x0e"
                              " | down unicode 0x61 | up unicode 0x61 | down unicode 0xd83d | up unicode 0xd83d"
                              " | down unicode 0xde00 | up unicode 0xde00 | down 0x0d scan 0x1c | up 0x0d scan 0x1c"}),
              log);

    log.clear();
    controller.pressKeys("^c");
    controller.pressMediaKey(MediaKey::PlayPause);
    EXPECT_EQ((test::EventLog{"down 0x11 scan 0x1d", "down 0x43 scan 0x2e", "up 0x43 scan 0x2e ext",
                              "up 0x11 scan 0x1d", "down 0xb3 scan 0x00", "up 0xb3 scan 0x00 ext"}),
              log);
    log.clear();
    controller.pressMediaKey(MediaKey::VolumeDown);
    for (int tick = 0; tick < 5; ++tick) controller.tick();
    EXPECT_EQ((test::EventLog{"down 0xae scan 0x00", "up 0xae scan 0x00 ext", "down 0xae scan 0x00",
                              "up 0xae scan 0x00 ext"}),
              log)
        << "the volume keys repeat on the volume schedule, in any window";

    log.clear();
    sound.volumeOutcome = VolumeOutcome::Stepped;
    controller.pressMediaKey(MediaKey::VolumeUp);
    for (int tick = 0; tick < 5; ++tick) controller.tick();
    EXPECT_EQ((test::EventLog{"volume up", "volume up"}), log) << "a desktop that steps the volume itself gets no keys";
}

}  // namespace
}  // namespace vork
