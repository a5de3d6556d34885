#include "web/connect_page.h"

#include <algorithm>
#include <charconv>
#include <utility>

#include "web/secure_channel.h"

namespace vork {

namespace {

constexpr std::string_view HEX_DIGITS = "0123456789abcdef";

std::string_view remoteStateName(const ConnectState& state) {
    if (!state.remoteOn) return "off";
    if (!state.serverState) return "retrying";  // starting: the first try is under way
    switch (*state.serverState) {
    case WebServerState::Listening: return "listening";
    case WebServerState::Retrying: return "retrying";
    case WebServerState::PortBusy: return "busy";
    case WebServerState::Stopped: return "stopped";
    case WebServerState::Off: return "off";
    }
    return "off";
}

std::string lockedBy(SwitchSource source) {
    switch (source) {
    case SwitchSource::CommandLine: return "\"command line\"";
    case SwitchSource::SettingsFile: return "\"settings file\"";
    case SwitchSource::Default:
    case SwitchSource::Remembered: return "null";
    }
    return "null";
}

}  // namespace

ConnectRoute routeConnectRequest(const RequestLine& request, std::string_view body, std::string_view secret,
                                 std::uint16_t port, std::span<const PageFile> files) {
    using Kind = ConnectRoute::Kind;
    const std::string host = "127.0.0.1:" + std::to_string(port);
    std::string folder(1, '/');
    folder.append(secret).push_back('/');
    // Another name for this PC could be an attacker's DNS name; a path
    // without the secret is no one's: neither learns anything.
    if (request.host != host || secret.empty() || !request.target.starts_with(folder) || request.upgrade)
        return {Kind::Refused};
    const std::string_view path = request.target.substr(folder.size());
    if (request.method == "POST") {
        // Only the page itself, never a form or script of another site.
        if (request.origin != "http://" + host) return {Kind::Refused};
        if (path == "remote" && (body == "on" || body == "off")) return {body == "on" ? Kind::SwitchOn : Kind::SwitchOff};
        if (path == "forget-all") return {Kind::ForgetAll};
        if (path == "forget") {
            std::uint64_t id = 0;
            const auto [end, error] = std::from_chars(body.data(), body.data() + body.size(), id);
            if (error == std::errc() && end == body.data() + body.size() && id != 0) return {Kind::Forget, nullptr, id};
        }
        return {Kind::NotFound};
    }
    if (request.method != "GET" && request.method != "HEAD") return {Kind::WrongMethod};
    if (path == "state") return {Kind::State};
    const std::string_view name = path.empty() ? std::string_view("index.html") : path;
    const auto found = std::find_if(files.begin(), files.end(),
                                    [name](const PageFile& file) { return file.path.substr(1) == name; });
    if (found == files.end()) return {Kind::NotFound};
    return {Kind::File, &*found};
}

ConnectAnswer ConnectPage::answer(const ConnectRoute& route, const RemoteStatus& remote, std::uint64_t nowMs) {
    using Kind = ConnectRoute::Kind;
    switch (route.kind) {
    case Kind::Refused: return {403};
    case Kind::NotFound: return {404};
    case Kind::WrongMethod: return {405};
    case Kind::File:
        // Each showing of the page offers a new secret and code.
        if (route.file->path == "/index.html") offers_.renew(nowMs);
        return {200, route.file};
    case Kind::State: return {200, nullptr, connectStateJson(state(remote, nowMs))};
    case Kind::SwitchOn:
    case Kind::SwitchOff: {
        const SwitchDecision locked{false, 0, source_};
        if (locked.locked()) return {409};
        // The window decides and keeps the choice; the page sees it in the next state.
        mailbox_.publishSwitchWanted(route.kind == Kind::SwitchOn);
        return {202};
    }
    case Kind::Forget: return {trusted_.forget(route.id) ? 204 : 404};
    case Kind::ForgetAll: trusted_.forgetAll(); return {204};
    }
    return {404};
}

ConnectState ConnectPage::state(const RemoteStatus& remote, std::uint64_t nowMs) {
    ConnectState state;
    state.remoteOn = remote.port.has_value();
    state.port = remote.port.value_or(0);
    state.serverState = remote.state;
    state.source = source_;
    if (state.remoteOn && state.serverState == WebServerState::Listening) {
        state.networks = reachableAddresses(adapters_.list());
        // Used, failed or expired: the page shows a new one.
        const PairingOffer* offer = offers_.current(nowMs);
        if (!offer) offer = offers_.renew(nowMs);
        if (offer) state.pairing.emplace(toHex(offer->secret), offer->code);
    }
    TrustedDevices::Summary trusted = trusted_.summary();
    state.trusted = std::move(trusted.devices);
    state.warnings = std::move(trusted.warnings);
    return state;
}

std::string jsonEscaped(std::string_view text) {
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out.push_back('\\');
            out.push_back(c);
        } else if (byte < 0x20 || byte >= 0x7F) {
            out.append("\\u00").push_back(HEX_DIGITS[byte >> 4]);
            out.push_back(HEX_DIGITS[byte & 0x0F]);
        } else {
            out.push_back(c);
        }
    }
    return out;
}

std::string connectStateJson(const ConnectState& state) {
    const std::string port = std::to_string(state.port);
    std::string json = "{\"remote\":{\"on\":";
    json.append(state.remoteOn ? "true" : "false")
        .append(",\"port\":")
        .append(port)
        .append(",\"state\":\"")
        .append(remoteStateName(state))
        .append("\",\"lockedBy\":")
        .append(lockedBy(state.source))
        .append("},\"networks\":[");
    for (const ReachableAddress& network : state.networks) {
        if (&network != &state.networks.front()) json.push_back(',');
        json.append("{\"name\":\"")
            .append(jsonEscaped(network.network))
            .append("\",\"address\":\"")
            .append(jsonEscaped(network.address))
            .append("\",\"url\":\"http://")
            .append(jsonEscaped(network.address))
            .append(":")
            .append(port)
            .append("/\",\"primary\":")
            .append(&network == &state.networks.front() ? "true" : "false")
            .append("}");
    }
    json.append("],\"trusted\":[");
    for (const TrustedDevice& device : state.trusted) {
        if (&device != &state.trusted.front()) json.push_back(',');
        json.append("{\"id\":\"")
            .append(std::to_string(device.id))
            .append("\",\"name\":\"")
            .append(jsonEscaped(device.name))
            .append("\",\"kind\":\"")
            .append(device.kind == DeviceKind::Browser ? "browser" : "bluetooth")
            .append("\",\"lastSeen\":")
            .append(std::to_string(device.lastSeen))
            .append(",\"lastAddress\":\"")
            .append(jsonEscaped(device.lastAddress))
            .append("\"}");
    }
    json.append("],\"warnings\":[");
    for (const std::string& warning : state.warnings) {
        if (&warning != &state.warnings.front()) json.push_back(',');
        json.append("\"").append(jsonEscaped(warning)).append("\"");
    }
    json.append("]");
    // The first network's address carries the secret after '#': a browser never sends that part.
    if (state.pairing && !state.networks.empty())
        json.append(",\"pairing\":{\"url\":\"http://")
            .append(jsonEscaped(state.networks.front().address))
            .append(":")
            .append(port)
            .append("/#pair=")
            .append(jsonEscaped(state.pairing->first))
            .append("\",\"code\":\"")
            .append(jsonEscaped(groupedCode(state.pairing->second)))
            .append("\"}");
    json.append("}");
    return json;
}

}  // namespace vork
