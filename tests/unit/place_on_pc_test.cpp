// Vork's place on the PC: which addresses a phone can open, who decides the
// browser remote's switch, the pairings file, and the Connect page's routes
// and state.
#include <gtest/gtest.h>

#include <array>

#include "config/remote_switch.h"
#include "config/settings_file.h"
#include "config/starter_settings.h"
#include "link/refusal_backoff.h"
#include "link/trusted_devices.h"
#include "web/connect_page.h"
#include "web/page_routes.h"
#include "web/reachable_addresses.h"

namespace vork {
namespace {

TEST(ReachableAddresses, RealAdaptersThatAreUp_TheDefaultRoutesFirst_NoVirtualOrSelfAssignedOnes) {
    const std::vector<NetworkAdapter> adapters = {
        {"Ethernet", "Realtek PCIe GbE", ADAPTER_ETHERNET, true, false, {"10.0.0.5"}},
        {"vEthernet (WSL)", "Hyper-V Virtual Ethernet Adapter", ADAPTER_ETHERNET, true, false, {"172.20.16.1"}},
        {"Wi-Fi", "Intel(R) Wi-Fi 6 AX201", ADAPTER_WIFI, true, true, {"192.168.1.20", "169.254.3.4"}},
        {"Ethernet 2", "VirtualBox Host-Only Ethernet Adapter", ADAPTER_ETHERNET, true, false, {"192.168.56.1"}},
        {"Office VPN", "TAP-Windows Adapter V9", ADAPTER_ETHERNET, true, false, {"10.8.0.2"}},
        {"Tunnel", "Teredo Tunneling Pseudo-Interface", ADAPTER_TUNNEL, true, false, {"10.9.0.1"}},
        {"Loopback Pseudo-Interface 1", "Software Loopback Interface 1", ADAPTER_LOOPBACK, true, false, {"127.0.0.1"}},
        {"Ethernet 3", "Intel(R) Ethernet I219-V", ADAPTER_ETHERNET, false, false, {"10.1.1.1"}},
        {"Wi-Fi 2", "USB Wi-Fi", ADAPTER_WIFI, true, false, {"192.168.2.7"}},
        {"Ethernet 4", "Dock", ADAPTER_ETHERNET, true, false, {"169.254.10.10"}},
    };
    EXPECT_EQ((std::vector<ReachableAddress>{{"Wi-Fi", "192.168.1.20", true},
                                             {"Wi-Fi 2", "192.168.2.7", false},
                                             {"Ethernet", "10.0.0.5", false}}),
              reachableAddresses(adapters));
    EXPECT_TRUE(reachableAddresses({}).empty());
}

TEST(RemoteSwitch, TheCommandLineWinsOverTheFile_WhichWinsOverTheRemembered) {
    struct Case {
        std::optional<std::uint16_t> commandLine;
        std::optional<bool> file;
        std::optional<bool> remembered;
        SwitchDecision decision;
    };
    const std::vector<Case> cases = {
        {std::nullopt, std::nullopt, std::nullopt, {false, 8700, SwitchSource::Default}},
        {std::nullopt, std::nullopt, true, {true, 8700, SwitchSource::Remembered}},
        {std::nullopt, false, true, {false, 8700, SwitchSource::SettingsFile}},
        {std::nullopt, true, false, {true, 8700, SwitchSource::SettingsFile}},
        {9000, false, false, {true, 9000, SwitchSource::CommandLine}},
    };
    for (const Case& c : cases) EXPECT_EQ(c.decision, decideSwitch({c.commandLine, c.file, 8700}, c.remembered));

    class Choices final : public ChoiceStore {
    public:
        std::optional<bool> readFlag(std::string_view name) override {
            return name == REMOTE_CHOICE ? value : std::nullopt;
        }
        bool writeFlag(std::string_view name, bool flag) override {
            if (name == REMOTE_CHOICE) value = flag;
            return true;
        }
        std::optional<bool> value;
    } choices;
    RemoteSwitch free({std::nullopt, std::nullopt, 8642}, choices);
    EXPECT_TRUE(free.choose(true));
    EXPECT_TRUE(free.decision().on) << "kept for the next start";
    RemoteSwitch locked({std::nullopt, false, 8642}, choices);
    EXPECT_FALSE(locked.choose(true)) << "the settings file decides";
    EXPECT_FALSE(locked.decision().on);
}

class MemoryFile final : public SecretFile {
public:
    Reading read(std::string& contents) override {
        if (!text) return Reading::Missing;
        if (damaged) return Reading::Damaged;
        contents = *text;
        return Reading::Read;
    }
    bool write(std::string_view contents) override {
        text = std::string(contents);
        ++writes;
        return true;
    }
    std::optional<std::string> text;
    bool damaged = false;
    int writes = 0;
};

TEST(TrustedDevices, BrowsersAndRememberedPhonesOutliveARestart_AndForgettingIsWrittenAtOnce) {
    MemoryFile file;
    std::int64_t now = 1000;
    {
        TrustedDevices before(&file, [&now] { return now; });
        before.setKeepPhones(true);
        EXPECT_FALSE(before.load());
        before.trustBrowser("Pixel 7", "00ff", "0a0b");
        before.trustBrowser("Odd\t%name\n", "ab01", "0c0d");
        before.trustPhone("Nokia \xe9", "00:11:22:33:44:55");
    }
    now = 2000;
    TrustedDevices after(&file, [&now] { return now; });
    after.setKeepPhones(true);
    EXPECT_FALSE(after.load());
    ASSERT_TRUE(after.browser("ab01"));
    EXPECT_EQ("Odd\t%name\n", after.browser("ab01")->name);
    EXPECT_EQ("0c0d", after.browser("ab01")->key);
    after.browserSeen("ab01");
    EXPECT_TRUE(after.phoneTrusted("Nokia \xe9", "00:11:22:33:44:55"));
    const std::vector<TrustedDevice> listed = after.list();
    ASSERT_EQ(3U, listed.size());
    EXPECT_EQ(1000, listed[0].lastSeen);
    EXPECT_EQ(2000, listed[1].lastSeen) << "seen again";
    EXPECT_TRUE(listed[1].secret.empty() && listed[1].key.empty()) << "the Connect page is given no secret";

    const int writes = file.writes;
    EXPECT_TRUE(after.forget(listed[0].id));
    EXPECT_EQ(writes + 1, file.writes);
    TrustedDevices again(&file, [&now] { return now; });
    again.setKeepPhones(false);  // the settings no longer keep phones: the one kept is dropped
    EXPECT_FALSE(again.load());
    EXPECT_FALSE(again.browser("00ff"));
    EXPECT_FALSE(again.phone());
    EXPECT_TRUE(again.browser("ab01"));
}

// What the pairings file must keep, checked through a fresh TrustedDevices
// that reads it: keys as they rotate, where each browser was last seen, a
// forgotten browser gone for good, and no phone unless the user said so.
TEST(TrustedDevices, TheFileKeepsEachKeyAsItRotates_ForgetsAtOnce_AndKeepsPhonesOnlyWhenAsked) {
    MemoryFile file;
    std::int64_t now = 1000;
    const auto clock = [&now] { return now; };
    const std::string id(32, 'a');
    const std::string other(32, 'b');
    {
        TrustedDevices devices(&file, clock);
        devices.trustBrowser("Pixel 7", id, "01", "10.0.0.2");
        devices.trustBrowser("Tablet", other, "02");
        devices.trustPhone("Nokia", "00:11:22:33:44:55");  // not remembered: the setting is off
        EXPECT_EQ((std::pair<std::uint64_t, std::string>{2, "03"}), devices.nextKey(id, "03"));
        EXPECT_EQ((std::pair<std::uint64_t, std::string>{2, "03"}), devices.nextKey(id, "04")) << "the one on its way";
    }
    EXPECT_EQ(std::string::npos, file.text->find("00:11:22")) << "a phone's address reaches the disk only when asked";
    {
        TrustedDevices devices(&file, clock);
        EXPECT_FALSE(devices.load());
        EXPECT_EQ(KeyStanding::Next, devices.browserKey(id, 2).standing) << "the next key outlives a restart";
        EXPECT_TRUE(devices.nextKeyHeld(id, 2));
        devices.forgetBrowser(other);
        EXPECT_FALSE(devices.phone());
        devices.trustBrowser("Copied", std::string(32, 'c'), "05");
        EXPECT_EQ("A copy of Copied's key was used from 10.0.0.66; the phone was forgotten, pair it again",
                  devices.forgetCopied(std::string(32, 'c'), "10.0.0.66"));
    }
    TrustedDevices devices(&file, clock);
    EXPECT_FALSE(devices.load());
    const BrowserKey current = devices.browserKey(id, 2);
    EXPECT_EQ(KeyStanding::Current, current.standing);
    EXPECT_EQ("03", current.key);
    EXPECT_EQ(KeyStanding::Retired, devices.browserKey(id, 1).standing);
    EXPECT_EQ(KeyStanding::Unknown, devices.browserKey(id, 3).standing);
    EXPECT_EQ("10.0.0.2", devices.browser(id)->lastAddress);
    EXPECT_FALSE(devices.browser(other)) << "forgotten, also after a restart";
    EXPECT_FALSE(devices.browser(std::string(32, 'c'))) << "a copied one too";
    // A pairing unused for 90 days expires.
    now += UNUSED_PAIRING_SECONDS + 1;
    EXPECT_FALSE(devices.browser(id));
    TrustedDevices later(&file, clock);
    EXPECT_FALSE(later.load());
    EXPECT_EQ(0U, later.browsers());

    // The last version's file is read as it was: each browser on its first key.
    MemoryFile previous;
    previous.text = "vork pairings 2\nbrowser 1000 " + id + " 0a0b Pixel%207\n";
    TrustedDevices upgraded(&previous, [] { return 2000; });
    EXPECT_FALSE(upgraded.load());
    EXPECT_EQ(KeyStanding::Current, upgraded.browserKey(id, 1).standing);
    EXPECT_EQ("Pixel 7", upgraded.browserKey(id, 1).name);
}

TEST(RefusalBackoff, AFullTableKeepsTheLongestWaits_SoFreshAddressesCannotResetOne) {
    RefusalBackoff backoff;
    std::uint64_t now = 0;
    for (int failure = 0; failure < 8; ++failure) {
        now += backoff.waitLeftMs("attacker", now);
        backoff.penalise("attacker", now);
    }
    EXPECT_EQ(RefusalBackoff::LONGEST_WAIT_MS, backoff.waitLeftMs("attacker", now));
    now += RefusalBackoff::LONGEST_WAIT_MS;  // waited out, but not forgiven
    for (std::size_t fresh = 0; fresh < RefusalBackoff::PEER_LIMIT; ++fresh)
        backoff.penalise("fresh " + std::to_string(fresh), now);
    backoff.penalise("attacker", now);
    EXPECT_EQ(RefusalBackoff::LONGEST_WAIT_MS, backoff.waitLeftMs("attacker", now));
    EXPECT_EQ(0U, backoff.waitLeftMs("never seen", now));
}

TEST(TrustedDevices, ADamagedOrForeignFile_StartsEmpty_AndSaysSo) {
    for (const std::string& text : {std::string("not a pairings file"), std::string("vork pairings 2\nbrowser x 00ff 0a n\n"),
                                   std::string("vork pairings 2\nbrowser 5 00ff 0a n"), std::string("vork pairings 2\ntablet 5 ab - n\n"),
                                   std::string("vork pairings 2\nbrowser 5 %zz 0a n\n"), std::string("vork pairings 2\nbrowser 5 00ff - \n"),
                                   std::string("vork pairings 1\nbrowser 5 00ff n\n")}) {
        MemoryFile file;
        file.text = text;
        TrustedDevices devices(&file);
        EXPECT_EQ(std::optional<std::string>(PAIRINGS_DAMAGED_NOTICE), devices.load()) << text;
        EXPECT_TRUE(devices.list().empty());
    }
    MemoryFile unreadable;
    unreadable.text = "";
    unreadable.damaged = true;
    TrustedDevices devices(&unreadable);
    EXPECT_EQ(std::optional<std::string>(PAIRINGS_DAMAGED_NOTICE), devices.load());
    EXPECT_EQ("vork pairings 3\n", encodePairings({}));
}

TEST(PageRoutes, ThisPcsOwnNames_AreAnswered_OtherNamesAreToldTheAddress) {
    const std::array<PageFile, 1> files = {{{"/index.html", "text/html", "<p>"}}};
    const std::vector<std::string> names = {"DESKTOP-42", "desktop-42", "desktop-42.home.lan"};
    struct Case {
        const char* host;
        int status;
    };
    for (const Case& c : std::vector<Case>{{"DESKTOP-42:8642", 200},
                                           {"desktop-42.local:8642", 200},
                                           {"Desktop-42.Home.Lan", 200},
                                           {"desktop-42.evil.example:8642", 403},
                                           {"local:8642", 403},
                                           {".local", 403}}) {
        const Route route = routeRequest({"GET", "/", c.host, "", false}, files, names);
        EXPECT_EQ(c.status, route.status) << c.host;
        EXPECT_EQ(c.status == 403, route.foreignHost) << c.host;
    }
}

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

TEST(StarterSettings, AreAGoodFileThatChangesNothing) {
    const SettingsResult result = parseSettings(STARTER_SETTINGS, "vork.toml");
    ASSERT_TRUE(result.settings) << result.error;
    EXPECT_TRUE(result.settings->keyMap.empty());
    EXPECT_FALSE(result.settings->web.enabled);
}

}  // namespace
}  // namespace vork
