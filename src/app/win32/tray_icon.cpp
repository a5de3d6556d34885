#include "app/win32/tray_icon.h"

#include <cwchar>

namespace vork::win32 {

TrayIcon::TrayIcon(HWND window, HICON icon, UINT callbackMessage)
    : window_(window),
      icon_(icon),
      callbackMessage_(callbackMessage),
      taskbarCreated_(RegisterWindowMessageW(L"TaskbarCreated")),
      tip_(L"Vork") {
    add();
}

TrayIcon::~TrayIcon() {
    if (!added_) return;
    NOTIFYICONDATAW icon = data();
    Shell_NotifyIconW(NIM_DELETE, &icon);
}

NOTIFYICONDATAW TrayIcon::data() const {
    NOTIFYICONDATAW icon{};
    icon.cbSize = sizeof icon;
    icon.hWnd = window_;
    icon.uID = ICON_ID;
    return icon;
}

void TrayIcon::add() {
    NOTIFYICONDATAW icon = data();
    icon.uFlags = NIF_ICON | NIF_MESSAGE | NIF_TIP;
    icon.uCallbackMessage = callbackMessage_;
    icon.hIcon = icon_;
    wcsncpy(icon.szTip, tip_.c_str(), ARRAYSIZE(icon.szTip) - 1);
    added_ = Shell_NotifyIconW(NIM_ADD, &icon) != FALSE;
}

void TrayIcon::setTip(const std::wstring& tip) {
    if (tip == tip_) return;
    tip_ = tip;
    NOTIFYICONDATAW icon = data();
    icon.uFlags = NIF_TIP;
    wcsncpy(icon.szTip, tip_.c_str(), ARRAYSIZE(icon.szTip) - 1);
    Shell_NotifyIconW(NIM_MODIFY, &icon);
}

void TrayIcon::notify(const std::wstring& title, const std::wstring& text) {
    NOTIFYICONDATAW icon = data();
    icon.uFlags = NIF_INFO;
    wcsncpy(icon.szInfoTitle, title.c_str(), ARRAYSIZE(icon.szInfoTitle) - 1);
    wcsncpy(icon.szInfo, text.c_str(), ARRAYSIZE(icon.szInfo) - 1);
    icon.dwInfoFlags = NIIF_INFO;
    Shell_NotifyIconW(NIM_MODIFY, &icon);
}

}  // namespace vork::win32
