#include "app/win32/status_label.h"

#include <cstring>

namespace vork::win32 {

namespace {

// The heights are pixels at 96 DPI; the program declares itself DPI-aware,
// so it scales them for the screen itself.
LONG scaledHeight(LONG height) {
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    return MulDiv(height, dpi, 96);
}

}  // namespace

StatusLabel::StatusLabel() {
    GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof description_, &description_);
    font_.reset(CreateFontIndirectA(&description_));
}

void StatusLabel::setStyle(int style) {
    font_.reset();
    std::strcpy(description_.lfFaceName, "Arial");
    if (style == 1) {
        description_.lfWeight = FW_NORMAL;
        description_.lfHeight = scaledHeight(22);
        colour_ = RGB(255, 255, 255);
    } else if (style == 3) {
        description_.lfWeight = FW_NORMAL;
        description_.lfHeight = scaledHeight(15);
        colour_ = RGB(200, 200, 200);
    } else {
        description_.lfWeight = FW_BOLD;
        description_.lfHeight = scaledHeight(16);
        colour_ = DEFAULT_COLOUR;
    }
    font_.reset(CreateFontIndirectA(&description_));
    if (!control_) return;
    SendMessageA(control_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), TRUE);
    RedrawWindow(control_, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_UPDATENOW);
}

void StatusLabel::setText(const char* text) {
    if (!control_) return;
    SetWindowTextA(control_, text);
    // A transparent label must have its old text erased by the parent.
    RECT area;
    GetWindowRect(control_, &area);
    MapWindowPoints(nullptr, GetParent(control_), reinterpret_cast<POINT*>(&area), 2);
    RedrawWindow(GetParent(control_), &area, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

}  // namespace vork::win32
