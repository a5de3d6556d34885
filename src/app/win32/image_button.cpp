#include "app/win32/image_button.h"

#include "app/win32/resource.h"

namespace vork::win32 {

namespace {

constexpr int BITMAP_WIDTH = 96;
constexpr int BITMAP_HEIGHT = 30;

void setHandCursor() {
    SetCursor(LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDC_HAND_CURSOR)));
}

}  // namespace

ImageButton::~ImageButton() {
    if (control_ && IsWindow(control_) && original_)
        SetWindowLongPtrA(control_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_));
}

void ImageButton::bind(HWND dialog, int controlId, int bitmapId, int widthDialogUnits) {
    control_ = GetDlgItem(dialog, controlId);
    if (!control_) return;
    RECT units{0, 0, widthDialogUnits, 0};
    MapDialogRect(dialog, &units);
    const int width = units.right > 0 ? units.right : BITMAP_WIDTH;
    const int height = MulDiv(width, BITMAP_HEIGHT, BITMAP_WIDTH);
    bitmap_.reset(static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(bitmapId),
                                                  IMAGE_BITMAP, width, height, LR_DEFAULTCOLOR)));
    const HGDIOBJ previous = reinterpret_cast<HGDIOBJ>(
        SendMessageA(control_, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap_.get())));
    // The control made its own copy of the template's bitmap; that one is ours to free.
    if (previous && previous != bitmap_.get()) DeleteObject(previous);
    SetWindowPos(control_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

    SetWindowLongPtrA(control_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    original_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(control_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ImageButton::procedure)));
}

void ImageButton::show(bool visible) {
    if (control_) ShowWindow(control_, visible ? SW_SHOW : SW_HIDE);
}

LRESULT CALLBACK ImageButton::procedure(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto* self = reinterpret_cast<ImageButton*>(GetWindowLongPtrA(control, GWLP_USERDATA));
    const WNDPROC original = self ? self->original_ : DefWindowProcA;
    if (message == WM_MOUSEMOVE) {
        setHandCursor();
        return CallWindowProcA(original, control, message, wParam, lParam);
    }
    if (message == WM_LBUTTONUP) {
        const LRESULT result = CallWindowProcA(original, control, message, wParam, lParam);
        setHandCursor();
        return result;
    }
    return CallWindowProcA(original, control, message, wParam, lParam);
}

}  // namespace vork::win32
