// The Connect page's routes and its state.
#include <gtest/gtest.h>

#include <array>

#include "config/remote_switch.h"
#include "memory_store.h"
#include "config/settings_file.h"
#include "config/starter_settings.h"
#include "link/refusal_backoff.h"
#include "link/trusted_devices.h"
#include "web/connect_page.h"
#include "web/page_routes.h"
#include "web/reachable_addresses.h"

namespace vork {
namespace {
using test::MemoryFile;

TEST(ConnectPage, OnlyItsOwnBrowserWithTheSecret_AndOnlyItsOwnPostsAreAnswered) {
    const std::array<PageFile, 2> files = {{{"/index.html", "text/html", "<p>"}, {"/connect.js", "text/javascript", ""}}};
    const std::string secret = "0123456789abcdef0123456789abcdef";
    const std::string folder = "/" + secret + "/";
    using Kind = ConnectRoute::Kind;
    struct Case {
        std::string method, target, host, origin, body;
        Kind kind;
        std::uint64_t id = 0;
    };
    const std::string own = "http://127.0.0.1:50000";
    const std::vector<Case> cases = {
        {"GET", folder, "127.0.0.1:50000", "", "", Kind::File},
        {"GET", folder + "connect.js", "127.0.0.1:50000", "", "", Kind::File},
        {"GET", folder + "state", "127.0.0.1:50000", "", "", Kind::State},
        {"GET", folder + "other", "127.0.0.1:50000", "", "", Kind::NotFound},
        {"GET", "/", "127.0.0.1:50000", "", "", Kind::Refused},
        {"GET", "/0123456789abcdef0123456789abcdee/state", "127.0.0.1:50000", "", "", Kind::Refused},
        {"GET", folder.substr(0, folder.size() - 1), "127.0.0.1:50000", "", "", Kind::Refused},
        {"GET", folder + "state", "localhost:50000", "", "", Kind::Refused},
        {"GET", folder + "state", "attacker.example:50000", "", "", Kind::Refused},
        {"POST", folder + "remote", "127.0.0.1:50000", own, "on", Kind::SwitchOn},
        {"POST", folder + "remote", "127.0.0.1:50000", own, "off", Kind::SwitchOff},
        {"POST", folder + "remote", "127.0.0.1:50000", "http://attacker.example", "on", Kind::Refused},
        {"POST", folder + "remote", "127.0.0.1:50000", "", "on", Kind::Refused},
        {"POST", folder + "remote", "127.0.0.1:50000", own, "yes", Kind::NotFound},
        {"POST", folder + "forget", "127.0.0.1:50000", own, "12", Kind::Forget, 12},
        {"POST", folder + "forget", "127.0.0.1:50000", own, "12x", Kind::NotFound},
        {"POST", folder + "forget-all", "127.0.0.1:50000", own, "", Kind::ForgetAll},
        {"PUT", folder + "state", "127.0.0.1:50000", own, "", Kind::WrongMethod},
    };
    for (const Case& c : cases) {
        const ConnectRoute route = routeConnectRequest({c.method, c.target, c.host, c.origin, false}, c.body, secret,
                                                       50000, files);
        EXPECT_EQ(c.kind, route.kind) << c.method << " " << c.target << " " << c.host << " " << c.origin;
        EXPECT_EQ(c.id, route.id) << c.target;
    }
    EXPECT_EQ(Kind::Refused, routeConnectRequest({"GET", "//state", "127.0.0.1:50000", "", false}, "", "", 50000, files).kind)
        << "without a secret nothing is served";
}

TEST(ConnectPage, StateIsJson_WithTheSwitchNetworksAndTrustedDevices) {
    ConnectState state;
    state.remoteOn = true;
    state.port = 8642;
    state.serverState = WebServerState::Listening;
    state.source = SwitchSource::SettingsFile;
    state.networks = {{"Wi-Fi", "192.168.1.20", true}, {"Ethernet \"2\"", "10.0.0.5", false}};
    TrustedDevice browser;
    browser.id = 7;
    browser.name = "Pixel <7>";
    browser.lastSeen = 1733750000;
    browser.lastAddress = "192.168.1.37";
    TrustedDevice phone;
    phone.id = 8;
    phone.kind = DeviceKind::Bluetooth;
    phone.name = "Nokia\x01\xe9";
    phone.address = "00:11";
    state.trusted = {browser, phone};
    state.warnings = {"A copy of \"P\"'s key was used"};
    EXPECT_EQ(R"({"remote":{"on":true,"port":8642,"state":"listening","lockedBy":"settings file"},)"
              R"("networks":[{"name":"Wi-Fi","address":"192.168.1.20","url":"http://192.168.1.20:8642/","primary":true},)"
              R"({"name":"Ethernet \"2\"","address":"10.0.0.5","url":"http://10.0.0.5:8642/","primary":false}],)"
              R"("trusted":[{"id":"7","name":"Pixel <7>","kind":"browser","lastSeen":1733750000,"lastAddress":"192.168.1.37"},)"
              R"({"id":"8","name":"Nokia\u0001\u00e9","kind":"bluetooth","lastSeen":0,"lastAddress":""}],)"
              R"("warnings":["A copy of \"P\"'s key was used"]})",
              connectStateJson(state));
    ConnectState off;
    EXPECT_EQ(R"({"remote":{"on":false,"port":0,"state":"off","lockedBy":null},"networks":[],"trusted":[],"warnings":[]})",
              connectStateJson(off));
}

}  // namespace
}  // namespace vork
