#include "test_window.h"

namespace vork::test {

TestWindow::TestWindow(const std::string& title, const std::string& className) : className_(className) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = windowProcedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = className_.c_str();
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    RegisterClassA(&windowClass);  // fails harmlessly when already registered
    window_ = CreateWindowExA(0, className_.c_str(), title.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                              100, 100, 320, 200, nullptr, nullptr, windowClass.hInstance, this);
    pumpPending();
}

TestWindow::~TestWindow() {
    if (window_) DestroyWindow(window_);
    pumpPending();
}

void TestWindow::pumpPending() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

LRESULT CALLBACK TestWindow::windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<TestWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self) self->received_.push_back(ReceivedMessage{message, wParam, lParam, GetCurrentThreadId(), GetMessageTime()});
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace vork::test
