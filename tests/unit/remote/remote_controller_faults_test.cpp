// Each desktop call the remote makes fails once, in turn; the remote goes on
// as designed: no key left down, the next command works.
#include <gtest/gtest.h>

#include "remote/remote_controller.h"
#include "fake_desktop.h"
#include "simulated_desktop.h"
#include "fake_input.h"
#include "fake_system.h"

namespace vork {
namespace {

class DesktopFaults : public ::testing::Test, protected test::SimulatedDesktop {
protected:
    RemoteController controller{platform()};
};

TEST_F(DesktopFaults, RefusedButtonDown_IsNotReleased_AndTheNextClickWorks) {
    for (const char* command : {"D:E", "D:C"}) {
        SCOPED_TRACE(command);
        log.clear();
        input.injections = 0;
        input.refuseInjection = 0;
        controller.dispatch(command);
        EXPECT_EQ((test::EventLog{"refused"}), log) << "no release of a button the platform never pressed";
        input.refuseInjection = -1;
        controller.dispatch(command);
        EXPECT_EQ(3U, log.size());
        EXPECT_TRUE(input.buttonsDown.empty());
    }
}

TEST_F(DesktopFaults, WindowLookupsFail_EverythingActsAsForAnUnknownWindow) {
    desktop.setForeground(desktop.addWindow("clip - VLC media player", "QWidget"));
    desktop.failLookups = true;
    EXPECT_EQ(ForegroundApp::None, detectForegroundApp(desktop, system));
    controller.dispatch("D:1");
    EXPECT_EQ((test::EventLog{"down 0x26 scan 0x48 ext", "up 0x26 scan 0x48 ext"}), log) << "Up, as for no application";
    AppActivator activator(desktop, system);
    EXPECT_FALSE(activator.activate(std::string("VLC"), std::nullopt));
}

}  // namespace
}  // namespace vork
