// The real window-manager services against real windows under Wine.
#include "platform/win32/win32_window_manager.h"
#include "platform/win32/window_notifier.h"

#include <gtest/gtest.h>

#include <thread>

#include "link/ui_mailbox.h"
#include "link/window_messages.h"
#include "platform/win32/win32_handles.h"
#include "test_window.h"

namespace vork {
namespace {

using test::TestWindow;

std::vector<UINT> phoneMessages(const TestWindow& window) {
    std::vector<UINT> messages;
    for (const auto& received : window.received())
        if (received.message >= WM_PHONE_STATUS && received.message <= WM_LINK_RELEASE)
            messages.push_back(received.message);
    return messages;
}

TEST(Win32WindowManager, MailboxPostsFromAnotherThread_ArriveInOrder_OnTheWindowsThread) {
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

    ASSERT_TRUE(window.pumpUntil([&] { return phoneMessages(window).size() == 54; }));
    std::vector<UINT> expected = {WM_PHONE_STATUS, WM_PHONE_NOTICE, WM_PHONE_REQUEST};
    expected.insert(expected.end(), 50, WM_PHONE_COMMAND);
    expected.push_back(WM_LINK_RELEASE);
    EXPECT_EQ(expected, phoneMessages(window));
    for (const auto& received : window.received()) {
        if (received.message < WM_PHONE_STATUS || received.message > WM_LINK_RELEASE) continue;
        EXPECT_EQ(GetCurrentThreadId(), received.threadId);
        // Queued texts carry nothing; a departure carries its connection.
        const bool departure = received.message == WM_LINK_RELEASE;
        EXPECT_EQ(departure ? 5U : 0U, received.wParam);
        EXPECT_EQ(departure ? LINK_DEPARTED : 0, received.lParam);
    }
    for (int i = 0; i < 50; ++i) EXPECT_EQ("D:" + std::to_string(i % 10), mailbox.readCommand().text);
}

TEST(Win32WindowManager, PostToAGoneWindow_Fails) {
    HWND gone = nullptr;
    {
        TestWindow window("Vork short-lived");
        gone = window.handle();
    }
    win32::Win32WindowManager windows;
    EXPECT_FALSE(windows.postMessage(win32::fromHwnd(gone), WM_PHONE_STATUS));
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

}  // namespace
}  // namespace vork
