// The program's only window: the status and notice lines, ACCEPT, DECLINE and
// HIDE, the repeat timer, and the listener thread it starts and stops.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>

#include "app/dialog_logic.h"
#include "app/win32/gdi_handles.h"
#include "app/win32/image_button.h"
#include "app/win32/status_label.h"
#include "link/phone_listener.h"
#include "platform/win32/win32_input_injector.h"
#include "platform/win32/win32_mixer_api.h"
#include "platform/win32/win32_system_services.h"
#include "platform/win32/win32_window_manager.h"
#include "remote/remote_controller.h"
#include "web/web_server.h"

namespace vork::win32 {

using SocketsFactory = std::function<std::unique_ptr<RfcommSockets>()>;

class MainDialog final : public DialogView {
public:
    // keyMaps: the settings file to follow, or none; it outlives the dialog.
    // webPort: the browser remote's port, or none to keep it off.
    MainDialog(SocketsFactory makeSockets, KeyMapSource* keyMaps, std::optional<std::uint16_t> webPort = {});
    // Stops the listener before anything it could reach is gone.
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
    void showWebServer(WebServerState state, std::uint16_t port) override;

private:
    static INT_PTR CALLBACK procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void initialise();
    bool paintIconWhenMinimised();
    INT_PTR controlColour(HDC context, HWND control);
    void startWebServer(std::uint16_t port);
    // The address lines below the buttons; the window grows or shrinks to show them.
    void showAddressLine(const std::string& text, std::size_t lines);

    SocketsFactory makeSockets_;
    KeyMapSource* keyMaps_;
    std::optional<std::uint16_t> webPort_;
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
    Win32MixerApi mixer_;
    SteadyClock clock_;
    RemoteController controller_;

    std::shared_ptr<ConnectionState> state_;
    std::shared_ptr<UiMailbox> mailbox_;
    std::unique_ptr<DialogLogic> logic_;
    std::unique_ptr<ListenerThread> listener_;
    std::unique_ptr<WebServer> webServer_;
    std::size_t addressLines_ = 0;
};

}  // namespace vork::win32
