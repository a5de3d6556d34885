// The real window-manager services against real windows under Wine.
#include "platform/win32/win32_window_manager.h"
#include "platform/win32/window_notifier.h"

#include <gtest/gtest.h>

#include <thread>

#include "link/ui_mailbox.h"
#include "platform/win32/win32_handles.h"
#include "test_window.h"

namespace vork {
namespace {

using test::TestWindow;

// The channels of the wakes the window received.
std::vector<EventQueue> wakes(const TestWindow& window) {
    std::vector<EventQueue> channels;
    for (const auto& received : window.received())
        if (received.message == win32::WM_LINK_WAKE) channels.push_back(static_cast<EventQueue>(received.wParam));
    return channels;
}

TEST(Win32WindowManager, MailboxWakesFromAnotherThread_ArriveInOrder_OnTheWindowsThread) {
    TestWindow window("Vork post target");
    win32::Win32WindowManager windows;
    win32::WindowNotifier notifier(window.handle());
    UiMailbox mailbox(notifier);

    std::thread listener([&] {
        const LinkOrigin phone{LinkKind::Bluetooth, 5};
        mailbox.publishStatus(phone, "Searching for bluetooth device..");
        mailbox.publishNotice("");
        mailbox.publishRequest(phone, 1, "MyPhone");
        for (int i = 0; i < 50; ++i) mailbox.publishCommand(phone, "D:" + std::to_string(i % 10));
        mailbox.publishDeparture(5);
    });
    listener.join();

    ASSERT_TRUE(window.pumpUntil([&] { return wakes(window).size() == 54; }));
    std::vector<EventQueue> expected = {EventQueue::Status, EventQueue::Notice, EventQueue::Request};
    expected.insert(expected.end(), 50, EventQueue::Command);
    expected.push_back(EventQueue::Signal);
    EXPECT_EQ(expected, wakes(window));
    for (const auto& received : window.received()) {
        if (received.message == win32::WM_LINK_WAKE) {
            EXPECT_EQ(GetCurrentThreadId(), received.threadId);
        }
    }
    for (int i = 0; i < 50; ++i) {
        const std::optional<LinkEvent> command = mailbox.take(EventQueue::Command);
        ASSERT_TRUE(command);
        EXPECT_EQ("D:" + std::to_string(i % 10), std::get<CommandEvent>(*command).command);
    }
    const std::optional<LinkEvent> gone = mailbox.take(EventQueue::Signal);
    ASSERT_TRUE(gone);
    EXPECT_EQ(5U, std::get<GoneEvent>(*gone).connection);
}

TEST(Win32WindowManager, WakeOfAGoneWindow_Fails) {
    HWND gone = nullptr;
    {
        TestWindow window("Vork short-lived");
        gone = window.handle();
    }
    win32::WindowNotifier notifier(gone);
    EXPECT_FALSE(notifier.wake(0));
}

TEST(Win32WindowManager, ReadsTitleAndClass_WithinTheBuffer) {
    TestWindow window("Movie - VLC media player", "VorkClassRead");
    win32::Win32WindowManager windows;
    const WindowHandle handle = win32::fromHwnd(window.handle());
    EXPECT_EQ("Movie - VLC media player", windows.windowText(handle, 256));
    EXPECT_EQ("Movie", windows.windowText(handle, 6));
    EXPECT_EQ("VorkClassRead", windows.className(handle, 300));
    EXPECT_EQ(handle, windows.findWindow(std::string("VorkClassRead"), std::nullopt));
    EXPECT_EQ(handle, windows.findWindow(std::nullopt, std::string("Movie - VLC media player")));
}

TEST(Win32WindowManager, Activate_SendsHotkeyThenRestoreWithTheWindowsOwnHandle_AndGivesItTheFocus) {
    TestWindow window("Vork activation target");
    TestWindow other("Vork other window");
    ShowWindow(window.handle(), SW_MINIMIZE);
    TestWindow::pumpPending();
    window.clearReceived();
    win32::Win32WindowManager windows;
    windows.activate(win32::fromHwnd(window.handle()));
    TestWindow::pumpPending();
    std::vector<std::pair<WPARAM, LPARAM>> commands;
    for (const auto& received : window.received())
        if (received.message == WM_SYSCOMMAND) commands.emplace_back(received.wParam, received.lParam);
    const auto own = reinterpret_cast<LPARAM>(window.handle());
    ASSERT_LE(2U, commands.size());
    EXPECT_EQ((std::pair<WPARAM, LPARAM>{SC_HOTKEY, own}), commands[0]);
    EXPECT_EQ((std::pair<WPARAM, LPARAM>{SC_RESTORE, own}), commands[1]);
    EXPECT_FALSE(IsIconic(window.handle()));
    EXPECT_EQ(window.handle(), GetFocus());
}

}  // namespace
}  // namespace vork
