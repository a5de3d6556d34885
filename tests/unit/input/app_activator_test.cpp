#include "input/app_activator.h"

#include <gtest/gtest.h>

#include "fake_desktop.h"
#include "fake_system.h"

namespace vork {
namespace {

class AppActivatorTest : public ::testing::Test {
protected:
    test::EventLog log;
    test::FakeDesktop desktop{log};
    test::FakeSystem system{log};
    AppActivator activator{desktop, system};
};

TEST_F(AppActivatorTest, ExactTitle_IsFoundWithoutEnumerating_AndActivated) {
    desktop.addWindow("Other");
    const WindowHandle notepad = desktop.addWindow("Untitled - Notepad");
    EXPECT_TRUE(activator.activate(std::string("Untitled - Notepad"), std::nullopt));
    EXPECT_EQ(0, desktop.enumerateCalls);
    const std::string h = test::hex(static_cast<unsigned>(notepad.value));
    EXPECT_EQ((test::EventLog{"activate " + h}), log);
}

TEST_F(AppActivatorTest, Fragment_ActivatesTheFirstMatchInWindowOrder_CaseSensitively) {
    desktop.addWindow("notes - notepad");
    const WindowHandle first = desktop.addWindow("a.txt - Notepad");
    desktop.addWindow("b.txt - Notepad");
    EXPECT_TRUE(activator.activate(std::string("Notepad"), std::nullopt));
    EXPECT_EQ(first, desktop.foregroundWindow());
}

TEST_F(AppActivatorTest, ClassFragment_IsTestedBeforeTitle) {
    desktop.addWindow("Player", "SomeClass");
    const WindowHandle byClass = desktop.addWindow("Nothing", "PlayerWnd");
    EXPECT_TRUE(activator.activate(std::string("zzz"), std::string("Player")));
    EXPECT_EQ(byClass, desktop.foregroundWindow());
}

TEST_F(AppActivatorTest, FragmentBeyond299Bytes_IsNotFound) {
    desktop.addWindow(std::string(299, 'x') + "Target");
    EXPECT_FALSE(activator.activate(std::string("Target"), std::nullopt));
    desktop.addWindow(std::string(293, 'x') + "Target");
    EXPECT_TRUE(activator.activate(std::string("Target"), std::nullopt));
}

TEST_F(AppActivatorTest, HiddenAndMinimisedWindows_AreShownAndRestored) {
    const WindowHandle target = desktop.addWindow("Hidden player");
    desktop.window(target)->visible = false;
    desktop.window(target)->minimised = true;
    EXPECT_TRUE(activator.activate(std::string("player"), std::nullopt));
    EXPECT_TRUE(desktop.window(target)->visible);
    EXPECT_FALSE(desktop.window(target)->minimised);
    EXPECT_EQ(target, desktop.foregroundWindow());
}

TEST_F(AppActivatorTest, NoMatch_ReturnsFalseAndChangesNothing) {
    const WindowHandle front = desktop.addWindow("Front");
    desktop.setForeground(front);
    EXPECT_FALSE(activator.activate(std::string("Missing"), std::nullopt));
    EXPECT_EQ(front, desktop.foregroundWindow());
    EXPECT_TRUE(log.empty());
}

TEST_F(AppActivatorTest, BothAbsent_TakesOnlyTheExactLookup) {
    EXPECT_FALSE(activator.activate(std::nullopt, std::nullopt));
    EXPECT_EQ(1, desktop.findWindowCalls);
    EXPECT_EQ(0, desktop.enumerateCalls);
    const WindowHandle any = desktop.addWindow("Any");
    EXPECT_TRUE(activator.activate(std::nullopt, std::nullopt));
    EXPECT_EQ(any, desktop.foregroundWindow());
}

TEST_F(AppActivatorTest, LeadBytes_KeepAMatchFromStartingMidCharacter) {
    system.leadBytes = {0x82};
    desktop.addWindow("\x82" "Notepad");  // the trail byte is 'N'
    EXPECT_FALSE(activator.activate(std::string("Notepad"), std::nullopt));
    const WindowHandle real = desktop.addWindow("\x82" "A Notepad");
    EXPECT_TRUE(activator.activate(std::string("Notepad"), std::nullopt));
    EXPECT_EQ(real, desktop.foregroundWindow());
}

TEST_F(AppActivatorTest, AbsentWindow_IsNotBroughtToFront) {
    EXPECT_FALSE(activator.bringToFront(WindowHandle{}));
    EXPECT_TRUE(log.empty());
}

}  // namespace
}  // namespace vork
