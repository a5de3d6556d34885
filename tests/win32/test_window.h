// A real top-level window for tests that records the messages it receives.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace vork::test {

struct ReceivedMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD threadId;
    LONG time;  // GetMessageTime: when the event was made
};

class TestWindow {
public:
    explicit TestWindow(const std::string& title, const std::string& className = "VorkTestWindow");
    ~TestWindow();
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    [[nodiscard]] HWND handle() const { return window_; }
    [[nodiscard]] const std::vector<ReceivedMessage>& received() const { return received_; }
    void clearReceived() { received_.clear(); }

    // Handles this thread's messages until the predicate holds or the time is up.
    template <typename Predicate>
    bool pumpUntil(Predicate done, DWORD timeoutMs = 5000) {
        const DWORD start = GetTickCount();
        while (!done()) {
            if (GetTickCount() - start > timeoutMs) return false;
            pumpPending();
            if (!done()) MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        }
        return true;
    }
    static void pumpPending();

private:
    static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND window_ = nullptr;
    std::string className_;
    std::vector<ReceivedMessage> received_;
};

}  // namespace vork::test
