#include "app/vork_app.h"

#include "app/address_line.h"
#include "config/starter_settings.h"
#include "platform/gcrypt/gcrypt_crypto.h"
#include "web/reachable_addresses.h"

namespace vork {

VorkApp::VorkApp(AppPlatform platform, AppSettings settings, WindowView& view, std::shared_ptr<Notifier> wake)
    : platform_(std::move(platform)),
      settings_(std::move(settings)),
      view_(view),
      state_(std::make_shared<ConnectionState>()),
      trusted_(std::make_shared<TrustedDevices>(platform_.pairingsFile)),
      mailbox_(std::make_shared<UiMailbox>(std::move(wake))),
      controller_(platform_.desktop),
      remoteSwitch_(settings_.switchInputs, platform_.choices),
      logic_(view, *this, *mailbox_, *state_, controller_, platform_.clock, settings_.keyMaps, platform_.media) {
    trusted_->setKeepPhones(settings_.rememberPhones);
    pairingsProblem_ = trusted_->load();
}

void VorkApp::start() {
    logic_.initialise();
    // Said once: the pairings are gone, and the file kept beside as .bad.
    if (pairingsProblem_) mailbox_->publishWarning(*pairingsProblem_);
    applySwitch();
    if (!platform_.makeSerialService) return;
    listener_ = std::make_unique<ListenerThread>(platform_.makeSerialService(), mailbox_, state_, trusted_);
    // A listener that cannot start leaves the status empty; the window works on.
    if (!listener_->start()) listener_.reset();
}

bool VorkApp::stop() {
    if (listener_) listener_->requestStop();
    webServer_.reset();
    const bool ended = !listener_ || listener_->stop();
    listener_.reset();
    return ended;
}

bool VorkApp::handleClick(int controlId) {
    if (controlId == ADDRESS_LINE_ID) {
        openConnectPage();
        return true;
    }
    return logic_.handleClick(controlId);
}

WebServer& VorkApp::server() {
    if (!webServer_ || serverStopped_) {
        webServer_.reset();
        serverStopped_ = false;
        WebServerParts parts;
        parts.mailbox = mailbox_;
        parts.state = state_;
        parts.trusted = trusted_;
        parts.random = platform_.makeRandom();
        parts.crypto = std::make_unique<GcryptCrypto>();
        parts.adapters = platform_.makeAdapters();
        parts.pages = platform_.pages;
        parts.ownNames = platform_.ownNames;
        webServer_ = std::make_unique<WebServer>(std::move(parts));
    }
    return *webServer_;
}

void VorkApp::applySwitch() {
    const SwitchDecision decision = remoteSwitch_.decision();
    if (!webServer_ && !decision.on) return;  // off, and nothing was ever started
    WebServer& web = server();
    web.describeSwitch(decision.source);
    if (!web.setRemote(decision.on ? std::optional(decision.port) : std::nullopt))
        view_.showAddressLine(REMOTE_CANNOT_START, 1);
}

void VorkApp::switchWanted(bool on) {
    if (remoteSwitch_.choose(on)) applySwitch();
}

void VorkApp::openConnectPage() {
    const std::optional<std::string> address = server().connectPageAddress();
    if (!address) {
        mailbox_->publishWarning("The Connect page cannot be opened");
        return;
    }
    if (!platform_.shell.openUrl(*address)) mailbox_->publishWarning("No browser opened the Connect page");
}

void VorkApp::openKeyMaps() {
    if (settings_.settingsFile && !platform_.shell.openForEditing(*settings_.settingsFile, STARTER_SETTINGS))
        mailbox_->publishWarning("The settings file cannot be opened");
}

void VorkApp::sendToPage(ConnectionId page, const std::string& text) {
    // A page can only be there while the server that serves it is.
    if (webServer_) webServer_->sendToPage(page, text);
}

void VorkApp::serverChanged(WebServerState state, std::uint16_t port) {
    listeningPort_.reset();
    if (state == WebServerState::Stopped) serverStopped_ = true;
    if (state == WebServerState::Listening) {
        listeningPort_ = port;
        showAddresses();
        return;
    }
    const AddressLine line = addressLine(state, port, {});
    view_.showAddressLine(line.text, line.lines);
}

void VorkApp::addressesChanged() { showAddresses(); }

void VorkApp::warn(const std::string& text) { mailbox_->publishWarning(text); }

void VorkApp::showAddresses() {
    if (!listeningPort_) return;
    const AddressLine line =
        addressLine(WebServerState::Listening, *listeningPort_, reachableAddresses(platform_.adapters.list()));
    view_.showAddressLine(line.text, line.lines);
}

}  // namespace vork
