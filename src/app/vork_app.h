// Everything Vork is, whatever the desktop: the shared state, the remote and
// the settings it follows, the window's logic, the Bluetooth listener, the
// browser remote's server with its Connect page. A desktop's shell builds it
// from its platform once its window exists, shows what it is told and hands
// it the user's clicks, keys, timers and wakes.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/start_up.h"
#include "app/window_logic.h"
#include "bluetooth/phone_listener.h"
#include "config/remote_switch.h"
#include "link/trusted_devices.h"
#include "platform/choice_store.h"
#include "platform/media_session.h"
#include "platform/desktop_shell.h"
#include "platform/network_adapters.h"
#include "platform/random_source.h"
#include "platform/secret_file.h"
#include "platform/serial_service.h"
#include "remote/remote_controller.h"
#include "web/web_server.h"

namespace vork {

// The desktop's side of Vork, every part alive as long as the application.
struct AppPlatform {
    Desktop desktop;
    const Clock& clock;
    ChoiceStore& choices;
    DesktopShell& shell;
    // For the address lines; the server asks a copy of its own.
    NetworkAdapters& adapters;
    SecretFile* pairingsFile = nullptr;  // none: pairings last until Vork exits
    // None: no Bluetooth listener at all.
    std::function<std::unique_ptr<SerialService>()> makeSerialService{};
    std::function<std::unique_ptr<RandomSource>()> makeRandom{};
    std::function<std::unique_ptr<NetworkAdapters>()> makeAdapters{};
    WebPages pages{};
    // This PC's own names, by which the remote page may also be asked for.
    std::vector<std::string> ownNames{};
    // None: the page's Now playing card is not available on this desktop.
    MediaSession* media = nullptr;
};

class VorkApp final : public WindowActions {
public:
    // wake: wakes the window's thread for the links; the view is the window.
    VorkApp(AppPlatform platform, AppSettings settings, WindowView& view, std::shared_ptr<Notifier> wake);
    // Stops the links before anything they could reach is gone.
    ~VorkApp() override { stop(); }
    VorkApp(const VorkApp&) = delete;
    VorkApp& operator=(const VorkApp&) = delete;

    // The window's first state, the switch applied, the listener started.
    void start();
    // The listener is told to stop first, so that it ends whatever it waits in
    // (a user's decision too) while the server closes; then it is joined.
    // True when the listener has ended.
    bool stop();

    // A wake from the links, with the channel it carried.
    bool handleWake(unsigned channel) { return logic_.handleWake(channel); }
    // A key-down before the window's own handling; true when consumed.
    bool preTranslateKey(unsigned virtualKey) { return logic_.preTranslateKey(virtualKey); }
    // A click on one of the window's controls; false for one that is not Vork's.
    bool handleClick(int controlId);
    void handleTimer() { logic_.handleTimer(); }
    void handleLabelWatch() { logic_.handleLabelWatch(); }
    // The network's addresses changed, or the window was shown again.
    void addressesChanged();

    // The menu by the clock.
    [[nodiscard]] SwitchDecision remoteSwitch() { return remoteSwitch_.decision(); }
    [[nodiscard]] bool canOpenKeyMaps() const { return settings_.settingsFile.has_value(); }
    void openKeyMaps();
    // A lasting word from the desktop's shell for the notice line (what this desktop cannot do).
    void warn(const std::string& text);

    void sendToPage(ConnectionId page, const std::string& text) override;
    void openConnectPage() override;
    void switchWanted(bool on) override;
    void serverChanged(WebServerState state, std::uint16_t port) override;

    [[nodiscard]] const WindowLogic& logic() const { return logic_; }

private:
    // The server, made again after a failure stopped the last one.
    WebServer& server();
    void applySwitch();
    void showAddresses();

    AppPlatform platform_;
    AppSettings settings_;
    WindowView& view_;
    std::shared_ptr<ConnectionState> state_;
    std::shared_ptr<TrustedDevices> trusted_;
    std::optional<std::string> pairingsProblem_;
    std::shared_ptr<UiMailbox> mailbox_;
    RemoteController controller_;
    RemoteSwitch remoteSwitch_;
    WindowLogic logic_;
    std::unique_ptr<ListenerThread> listener_;
    std::unique_ptr<WebServer> webServer_;
    bool serverStopped_ = false;
    std::optional<std::uint16_t> listeningPort_;
};

}  // namespace vork
