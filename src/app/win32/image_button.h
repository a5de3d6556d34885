// A static image control that looks clickable: the hand cursor over it.
// Clicks reach the dialog as WM_COMMAND because the control has SS_NOTIFY.
#pragma once

#include <windows.h>

#include "app/win32/gdi_handles.h"

namespace vork::win32 {

class ImageButton {
public:
    ImageButton() = default;
    ~ImageButton();
    ImageButton(const ImageButton&) = delete;
    ImageButton& operator=(const ImageButton&) = delete;

    // Takes over the control and shows the bitmap resource, scaled to the
    // control's width in dialog units so that it grows with the dialog font.
    void bind(HWND dialog, int controlId, int bitmapId, int widthDialogUnits);
    void show(bool visible);
    [[nodiscard]] HWND handle() const { return control_; }

private:
    static LRESULT CALLBACK procedure(HWND control, UINT message, WPARAM wParam, LPARAM lParam);

    HWND control_ = nullptr;
    WNDPROC original_ = nullptr;
    UniqueBitmap bitmap_;
};

}  // namespace vork::win32
