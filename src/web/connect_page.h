// The Connect page: served only to a browser on this PC that holds the
// secret Vork put in the address it opened. Which request gets what, what
// each one does, and the state the page shows, as JSON. Pure: the server
// feeds it requests.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "config/remote_switch.h"
#include "link/trusted_devices.h"
#include "link/ui_mailbox.h"
#include "platform/network_adapters.h"
#include "web/page_routes.h"
#include "web/pairing_offer.h"
#include "web/reachable_addresses.h"

namespace vork {

inline constexpr std::size_t CONNECT_SECRET_BYTES = 16;
inline constexpr std::size_t CONNECT_BODY_LIMIT = 64;

struct ConnectRoute {
    enum class Kind { Refused, NotFound, WrongMethod, File, State, SwitchOn, SwitchOff, Forget, ForgetAll };
    Kind kind = Kind::Refused;
    const PageFile* file = nullptr;  // Kind::File
    std::uint64_t id = 0;            // Kind::Forget
};

// `secret`: the hex the page's address carries; `port`: the Connect page's own.
ConnectRoute routeConnectRequest(const RequestLine& request, std::string_view body, std::string_view secret,
                                 std::uint16_t port, std::span<const PageFile> files);

// What the Connect page shows.
struct ConnectState {
    bool remoteOn = false;
    std::uint16_t port = 0;
    std::optional<WebServerState> serverState;  // none: not started yet
    SwitchSource source = SwitchSource::Default;
    std::vector<ReachableAddress> networks;
    std::vector<TrustedDevice> trusted;
    std::vector<std::string> warnings;  // copied keys caught, newest first
    // The offer on screen: its secret (hex) for the QR code's address, its code.
    std::optional<std::pair<std::string, std::string>> pairing;
};

std::string connectStateJson(const ConnectState& state);

// A JSON string's contents: quotes, backslashes and control bytes escaped;
// bytes past ASCII read as the Latin-1 characters they are in most code pages.
std::string jsonEscaped(std::string_view text);

// The browser remote as the Connect page shows it.
struct RemoteStatus {
    std::optional<std::uint16_t> port;    // none: switched off
    std::optional<WebServerState> state;  // none: not started yet
};

// What a request to the Connect page gets: one of its files, its state, or
// a status alone.
struct ConnectAnswer {
    int status = 404;
    const PageFile* file = nullptr;     // 200 with this file
    std::optional<std::string> json{};  // 200 with the state
};

// What the page's requests do: each showing of the page offers a new
// pairing, the switch is asked of the window unless the command line or the
// settings file holds it, and trusted devices are listed and forgotten.
// Used by the server thread alone.
class ConnectPage {
public:
    ConnectPage(UiMailbox& mailbox, TrustedDevices& trusted, PairingOffers& offers, NetworkAdapters& adapters)
        : mailbox_(mailbox), trusted_(trusted), offers_(offers), adapters_(adapters) {}

    // Who decided the switch.
    void describeSwitch(SwitchSource source) { source_ = source; }

    ConnectAnswer answer(const ConnectRoute& route, const RemoteStatus& remote, std::uint64_t nowMs);
    // What the page shows now; an offer used, failed or expired is renewed
    // while the remote listens.
    ConnectState state(const RemoteStatus& remote, std::uint64_t nowMs);

private:
    UiMailbox& mailbox_;
    TrustedDevices& trusted_;
    PairingOffers& offers_;
    NetworkAdapters& adapters_;
    SwitchSource source_ = SwitchSource::Default;
};

}  // namespace vork
