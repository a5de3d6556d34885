// The idle baseline: a bare dialog, shaped like Vork's but without controls,
// run by the system's modal loop, with no timer and nothing else.
#include <windows.h>

namespace {

constexpr int IDLE_DIALOG_ID = 1;

INT_PTR CALLBACK procedure(HWND dialog, UINT message, WPARAM, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: return TRUE;
    case WM_CLOSE: EndDialog(dialog, 0); return TRUE;
    default: return FALSE;
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    return static_cast<int>(DialogBoxParamA(instance, MAKEINTRESOURCEA(IDLE_DIALOG_ID), nullptr, procedure, 0));
}
