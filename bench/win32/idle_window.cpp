// A second idle reference: a bare window, not a dialog, with the same 50 ms
// timer as Vork's, and nothing else.
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "VorkIdleBaseline";
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, "VorkIdleBaseline", "Idle baseline", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400,
                                  120, nullptr, nullptr, instance, nullptr);
    SetTimer(window, 100, 50, nullptr);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
    return 0;
}
