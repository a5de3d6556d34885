// A text line of the main window with its own font and colour.
#pragma once

#include <windows.h>

#include "app/win32/gdi_handles.h"

namespace vork::win32 {

class StatusLabel {
public:
    static constexpr COLORREF DEFAULT_COLOUR = 0x0053FF;  // 0x00BBGGRR: red 255, green 83

    StatusLabel();
    void bind(HWND control) { control_ = control; }
    // Style 1: Arial 22, normal, white; 3: Arial 15, normal, light grey;
    // any other: Arial 16, bold, DEFAULT_COLOUR.
    void setStyle(int style);
    void setText(const char* text);
    [[nodiscard]] COLORREF colour() const { return colour_; }
    [[nodiscard]] HWND handle() const { return control_; }

private:
    HWND control_ = nullptr;
    UniqueFont font_;
    COLORREF colour_ = DEFAULT_COLOUR;
    LOGFONTA description_{};
};

}  // namespace vork::win32
