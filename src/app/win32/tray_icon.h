// Vork's icon in the notification area, for as long as the window exists:
// its tooltip says the state, a click shows the window, a right click opens
// the menu, and a request is announced with a notification. The icon comes
// back when Explorer restarts.
#pragma once

#include <windows.h>
// windows.h first: shellapi.h needs its types.
#include <shellapi.h>

#include <string>

namespace vork::win32 {

class TrayIcon {
public:
    static constexpr UINT ICON_ID = 1;

    // callbackMessage: what the icon sends `window` on a click.
    TrayIcon(HWND window, HICON icon, UINT callbackMessage);
    ~TrayIcon();
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;

    void setTip(const std::wstring& tip);
    void notify(const std::wstring& title, const std::wstring& text);
    // Explorer (re)started: its taskbar no longer knows the icon.
    [[nodiscard]] bool isTaskbarCreated(UINT message) const { return message == taskbarCreated_; }
    void addAgain() { add(); }

private:
    NOTIFYICONDATAW data() const;
    void add();

    HWND window_;
    HICON icon_;
    UINT callbackMessage_;
    UINT taskbarCreated_;
    std::wstring tip_;
    bool added_ = false;
};

}  // namespace vork::win32
