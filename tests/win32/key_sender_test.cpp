// The keystroke language against a real window under Wine: what arrives is
// what a media player would receive.
#include "input/key_sender.h"

#include <gtest/gtest.h>

#include "platform/win32/win32_input_injector.h"
#include "platform/win32/win32_system_services.h"
#include "platform/win32/win32_window_manager.h"
#include "test_window.h"

namespace vork {
namespace {

using test::TestWindow;

std::string describe(const test::ReceivedMessage& m) {
    const char* name = m.message == WM_KEYDOWN      ? "KEYDOWN"
                       : m.message == WM_KEYUP      ? "KEYUP"
                       : m.message == WM_SYSKEYDOWN ? "SYSKEYDOWN"
                                                    : "SYSKEYUP";
    char text[64];
    std::snprintf(text, sizeof text, "%s %02X scan %02X%s", name, static_cast<unsigned>(m.wParam),
                  static_cast<unsigned>((m.lParam >> 16) & 0xFF), ((m.lParam >> 24) & 1) ? " ext" : "");
    return text;
}

std::vector<std::string> keyMessages(const TestWindow& window) {
    std::vector<std::string> keys;
    for (const auto& m : window.received())
        if (m.message == WM_KEYDOWN || m.message == WM_KEYUP || m.message == WM_SYSKEYDOWN ||
            m.message == WM_SYSKEYUP)
            keys.push_back(describe(m));
    return keys;
}

class KeySenderOnWine : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SetForegroundWindow(target.handle()));
        SetFocus(target.handle());
        TestWindow::pumpPending();
        target.clearReceived();
    }

    std::vector<std::string> sendAndCollect(const std::string& text, std::size_t expectedCount) {
        EXPECT_TRUE(sender.send(text, false));
        target.pumpUntil([&] { return keyMessages(target).size() >= expectedCount; }, 3000);
        TestWindow::pumpPending();
        return keyMessages(target);
    }

    TestWindow target{"Recording target - VLC"};
    win32::Win32WindowManager windows;
    win32::Win32InputInjector input;
    win32::Win32SystemServices system;
    AppActivator activator{windows, system};
    KeySender sender{input, system, activator};
};

struct WineCase {
    std::string text;
    std::vector<std::string> expected;
};

class KeySenderOnWineCases : public KeySenderOnWine, public ::testing::WithParamInterface<WineCase> {};

TEST_P(KeySenderOnWineCases, TargetReceivesExactlyTheseKeyMessages) {
    EXPECT_EQ(GetParam().expected, sendAndCollect(GetParam().text, GetParam().expected.size()));
}

INSTANTIATE_TEST_SUITE_P(UsLayout, KeySenderOnWineCases, ::testing::Values(
    WineCase{"^{LEFT}", {"KEYDOWN 11 scan 1D", "KEYDOWN 25 scan 4B ext", "KEYUP 25 scan 4B ext",
                         "KEYUP 11 scan 1D"}},
    WineCase{"%{ENTER}", {"SYSKEYDOWN 12 scan 38", "SYSKEYDOWN 0D scan 1C", "SYSKEYUP 0D scan 1C ext",
                          "KEYUP 12 scan 38"}},
    WineCase{"+(ab)c", {"KEYDOWN 10 scan 2A", "KEYDOWN 41 scan 1E", "KEYUP 41 scan 1E ext",
                        "KEYDOWN 42 scan 30", "KEYUP 42 scan 30 ext", "KEYUP 10 scan 2A",
                        "KEYDOWN 43 scan 2E", "KEYUP 43 scan 2E ext"}},
    WineCase{"{PLUS}", {"KEYDOWN 10 scan 2A", "KEYDOWN BB scan 0D", "KEYUP BB scan 0D ext",
                        "KEYUP 10 scan 2A"}},
    WineCase{"{F1}", {"KEYDOWN 70 scan 3B", "KEYUP 70 scan 3B ext"}},
    WineCase{"{LEFT 3}", {"KEYDOWN 25 scan 4B ext", "KEYUP 25 scan 4B ext", "KEYDOWN 25 scan 4B ext",
                          "KEYUP 25 scan 4B ext", "KEYDOWN 25 scan 4B ext", "KEYUP 25 scan 4B ext"}},
    WineCase{"{NUMLOCK}", {"KEYDOWN 90 scan 45 ext", "KEYUP 90 scan 45 ext"}},
    WineCase{"p", {"KEYDOWN 50 scan 19", "KEYUP 50 scan 19 ext"}}));

TEST_F(KeySenderOnWine, DefaultDelay_SeparatesThePresses) {
    ASSERT_EQ(4U, sendAndCollect("{DELAY=100}ab", 4).size());
    LONG downA = -1, downB = -1;
    for (const auto& m : target.received()) {
        if (m.message == WM_KEYDOWN && m.wParam == 'A') downA = m.time;
        if (m.message == WM_KEYDOWN && m.wParam == 'B') downB = m.time;
    }
    ASSERT_NE(-1, downA);
    ASSERT_NE(-1, downB);
    EXPECT_GE(downB - downA, 100);
}

TEST_F(KeySenderOnWine, AppActivate_BringsAMinimisedWindowOfAnotherProcessToTheFront) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    char command[] = "notepad.exe";
    ASSERT_TRUE(CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
    WaitForInputIdle(process.hProcess, 10000);
    HWND notepad = nullptr;
    for (int i = 0; i < 100 && !notepad; ++i) {
        notepad = FindWindowA("Notepad", nullptr);
        if (!notepad) Sleep(100);
    }
    ASSERT_NE(nullptr, notepad);
    ShowWindow(notepad, SW_MINIMIZE);
    SetForegroundWindow(target.handle());
    ASSERT_TRUE(IsIconic(notepad));

    EXPECT_TRUE(sender.send("{APPACTIVATE Notepad}", false));
    for (int i = 0; i < 50 && GetForegroundWindow() != notepad; ++i) Sleep(50);
    EXPECT_FALSE(IsIconic(notepad));
    EXPECT_EQ(notepad, GetForegroundWindow());

    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, 5000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

TEST(InputOnWine, Pump_TakesTheKeyboardMessagesUpTo0x108_AndLeavesWmUnichar) {
    test::TestWindow window("Pump target");
    for (const UINT message : {UINT{WM_KEYDOWN}, UINT{WM_CHAR}, 0x108U, 0x109U}) PostMessageA(window.handle(), message, 'A', 0);
    win32::Win32InputInjector input;
    input.deliverPendingKeys();
    MSG message;
    EXPECT_FALSE(PeekMessageA(&message, nullptr, WM_KEYDOWN, 0x108, PM_NOREMOVE));
    EXPECT_TRUE(PeekMessageA(&message, nullptr, 0x109, 0x109, PM_REMOVE)) << "WM_UNICHAR is the window's own";
}

}  // namespace
}  // namespace vork
