// The program's only window: the status and notice lines, ACCEPT, DECLINE and
// HIDE, the repeat timer, the icon in the notification area with its menu,
// and the links it starts and stops (the listener thread, the server thread).
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/vork_app.h"
#include "app/win32/gdi_handles.h"
#include "app/win32/image_button.h"
#include "app/win32/shell.h"
#include "app/win32/status_label.h"
#include "app/win32/tray_icon.h"
#include "platform/win32/address_change_watch.h"
#include "platform/win32/protected_file.h"
#include "platform/win32/registry_choice_store.h"
#include "platform/win32/win32_input_injector.h"
#include "platform/win32/win32_mixer_api.h"
#include "platform/win32/mixer_mute.h"
#include "platform/win32/win32_network_adapters.h"
#include "platform/win32/win32_system_services.h"
#include "platform/win32/win32_window_manager.h"
#include "platform/win32/winsock_calls.h"

namespace vork::win32 {

using SocketsFactory = std::function<std::unique_ptr<WinsockCalls>()>;

// The window's own messages, beside the links' (WM_APP and up).
inline constexpr UINT WM_TRAY_ICON = WM_APP + 1;
inline constexpr UINT WM_NETWORK_CHANGED = WM_APP + 2;
// Another start of vork.exe --connect asks the running one for its Connect page.
inline constexpr const char* OPEN_CONNECT_PAGE_MESSAGE = "Vork.OpenConnectPage";

struct MainDialogSetup {
    SocketsFactory makeSockets;
    AppSettings settings;
    std::optional<std::string> pairingsFile;  // none: pairings last until Vork exits
    bool openConnectPage = false;
};

// The view and the message pump around the application object.
class MainDialog final : public WindowView {
public:
    explicit MainDialog(MainDialogSetup setup);
    // Stops the application before anything it could reach is gone.
    ~MainDialog() override;

    bool create();
    // Runs the window until the user closes it.
    void runModal();
    [[nodiscard]] HWND handle() const { return dialog_; }

    void setStatusText(const std::string& text) override;
    void setNoticeText(const std::string& text) override;
    void showControl(ControlId control, bool visible) override;
    void minimise() override;
    void setRepeatTimer(bool running) override;
    void showAddressLine(const std::string& text, std::size_t lines) override;
    void showTray(DialogMode mode, const std::string& name) override;
    void alertRequest(const std::string& name) override;
    void setLabelWatch(bool running) override;

private:
    static INT_PTR CALLBACK procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    bool handleOwnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void initialise();
    bool paintIconWhenMinimised();
    INT_PTR controlColour(HDC context, HWND control);
    void showWindowAgain();
    void showTrayMenu();
    void runTimer(UINT_PTR id, UINT periodMs, bool running);

    MainDialogSetup setup_;
    HWND dialog_ = nullptr;

    StatusLabel noticeLabel_;
    ImageButton hideButton_;
    ImageButton declineButton_;
    StatusLabel statusLabel_;
    ImageButton acceptButton_;
    StatusLabel addressLabel_;
    UniqueIcon icon_;
    UniqueBrush background_;

    Win32WindowManager windows_;
    Win32InputInjector input_;
    Win32SystemServices system_;
    Win32MixerApi mixerApi_;
    MixerSound sound_{mixerApi_};
    SteadyClock clock_;
    RegistryChoiceStore choices_;
    Win32DesktopShell shell_;
    Win32NetworkAdapters adapters_;
    std::optional<ProtectedFile> pairingsFile_;

    std::unique_ptr<VorkApp> app_;
    std::unique_ptr<TrayIcon> tray_;
    std::unique_ptr<AddressChangeWatch> addressWatch_;
    std::size_t addressLines_ = 0;
    UINT openConnectPageMessage_ = 0;
};

}  // namespace vork::win32
