// The whole of Vork's core, natively, on the simulated platform: the
// application object with its real listener thread (over scripted sockets)
// and its real browser remote (on loopback), the test acting as the window's
// thread and as the user.
#include "app/vork_app.h"

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <thread>

#include "app/tray_texts.h"
#include "counting_random.h"
#include "fake_system.h"
#include "fixed_adapters.h"
#include "memory_store.h"
#include "page_client.h"
#include "platform/gcrypt/gcrypt_crypto.h"
#include "platform/win32/winsock_serial_service.h"
#include "recording_notifier.h"
#include "scripted_sockets.h"
#include "simulated_desktop.h"

namespace vork {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// The window as the user sees it.
class SeenWindow final : public WindowView {
public:
    void setStatusText(const std::string& text) override { status = text; }
    void setNoticeText(const std::string& text) override { notice = text; }
    void showControl(ControlId control, bool visible) override { shown[control] = visible; }
    void minimise() override {}
    void setRepeatTimer(bool running) override { repeating = running; }
    void showAddressLine(const std::string& text, std::size_t) override { addressLine = text; }
    void showTray(DialogMode mode, const std::string& name) override { tray = trayTip(mode, name); }
    void alertRequest(const std::string&) override {}
    void setLabelWatch(bool) override {}

    std::string status, notice, addressLine, tray;
    std::map<ControlId, bool> shown;
    bool repeating = false;
};

class Browsers final : public DesktopShell {
public:
    bool openUrl(const std::string& url) override {
        opened.push_back(url);
        return true;
    }
    bool openForEditing(const std::string&, std::string_view) override { return false; }
    std::vector<std::string> opened;
};

class VorkAppSession : public ::testing::Test, protected test::SimulatedDesktop {
protected:
    VorkAppSession() {
        vlc = desktop.addWindow("clip.mp4 - VLC media player", "QWidget");
        desktop.setForeground(vlc);
        sockets.connections.push_back(test::ScriptedConnection{"00:11:22:33:44:55", {"LOGIN:1Pixel", "D:1"}});
        sockets.connections.push_back(test::ScriptedConnection{"66:77:88:99:AA:BB", {"LOGIN:1Other"}, 0, true});
        AppPlatform parts{platform(), clock, choices, browsers, adapters};
        parts.makeSerialService = [this]() -> std::unique_ptr<SerialService> {
            return std::make_unique<win32::WinsockSerialService>(sockets);
        };
        parts.makeRandom = [] { return std::make_unique<test::CountingRandom>(); };
        parts.makeAdapters = [] { return std::make_unique<test::FixedAdapters>(); };
        parts.pages.remote = {{"/index.html", "text/html", "<p>remote</p>"}};
        parts.pages.connect = {{"/index.html", "text/html", "<p>connect</p>"}};
        AppSettings settings;
        settings.switchInputs.commandLinePort = port;
        app = std::make_unique<VorkApp>(std::move(parts), settings, window,
                                        std::shared_ptr<Notifier>(&notifier, [](Notifier*) {}));
    }

    // The window's thread: handles the wakes as they come until `done` holds.
    template <typename Done>
    bool pumpUntil(Done done, std::chrono::milliseconds within = 10s) {
        const auto deadline = Clock::now() + within;
        for (;;) {
            for (const EventQueue queue : notifier.takeWakes()) app->handleWake(static_cast<unsigned>(queue));
            if (done()) return true;
            if (Clock::now() > deadline) return false;
            std::this_thread::sleep_for(5ms);
        }
    }
    bool logged(const std::string& line) { return std::find(log.begin(), log.end(), line) != log.end(); }

    const std::uint16_t port = test::freePort();
    WindowHandle vlc;
    test::FakeClock clock;
    test::MemoryChoices choices;
    Browsers browsers;
    test::FixedAdapters adapters;
    test::RecordingNotifier notifier;
    test::ScriptedSockets sockets;
    SeenWindow window;
    std::unique_ptr<VorkApp> app;
};

TEST_F(VorkAppSession, APhoneAndABrowser_DriveThePlayer_AndClosingEndsTheListenerAtOnceFromItsWait) {
    app->start();
    EXPECT_EQ("Vork \u2013 waiting for a phone", window.tray);
    ASSERT_TRUE(pumpUntil([&] { return window.addressLine == "Browser remote: http://192.168.1.20:" + std::to_string(port); }))
        << window.addressLine;

    // A phone logs in, the user accepts it, and its key reaches the player in front.
    ASSERT_TRUE(pumpUntil([&] { return window.status == "Pixel requesting connection."; })) << window.status;
    EXPECT_TRUE(window.shown[ACCEPT_BUTTON_ID] && window.shown[DECLINE_BUTTON_ID]);
    clock.advance(ENTER_ACCEPTS_AFTER_MS);
    app->handleClick(ACCEPT_BUTTON_ID);
    EXPECT_EQ("Connected.", window.status);
    ASSERT_TRUE(pumpUntil([&] { return logged("up 0x50 scan 0x19 ext"); })) << "D:1 in VLC: P";
    EXPECT_EQ((test::EventLog{"down 0x50 scan 0x19", "up 0x50 scan 0x19 ext"}), log);
    EXPECT_EQ((std::vector<std::string>{"LOGIN OK\n\r", "D:1"}), sockets.replies());

    // A browser pairs by the Connect page's QR code, types and holds an arrow.
    app->openConnectPage();
    ASSERT_EQ(1U, browsers.opened.size());
    GcryptCrypto crypto;
    test::Page page("127.0.0.9", port);
    ASSERT_TRUE(page.pair(crypto, test::offeredSecret(browsers.opened[0])));
    log.clear();
    page.sendSealed("text 0 h\xC3\xA9");
    ASSERT_TRUE(pumpUntil([&] { return !log.empty(); }));
    EXPECT_EQ((test::EventLog{"input | down unicode 0x68 | up unicode 0x68 | down unicode 0xe9 | up unicode 0xe9"}), log);
    log.clear();
    page.sendSealed("key D:R");
    ASSERT_TRUE(pumpUntil([&] { return window.repeating; }));
    for (int i = 0; i < 3; ++i) app->handleTimer();
    EXPECT_EQ((test::EventLog{"mouse 1 0 0x01", "mouse 1 0 0x01", "mouse 2 0 0x01"}), log) << "speeding up as it is held";
    page.sendSealed("release");
    ASSERT_TRUE(pumpUntil([&] { return !window.repeating; })) << "the finger lifted: the held arrow stops";
    log.clear();
    app->handleTimer();
    EXPECT_TRUE(log.empty());

    // The first phone has gone; the next one asks, and the user closes Vork meanwhile.
    ASSERT_TRUE(pumpUntil([&] { return window.status == "Other requesting connection."; })) << window.status;
    const auto closing = Clock::now();
    EXPECT_TRUE(app->stop()) << "the listener ended within its join limit";
    EXPECT_LT(Clock::now() - closing, 500ms) << "it left the wait for the decision at once";
    EXPECT_EQ((std::vector<std::string>{"LOGIN OK\n\r", "D:1"}), sockets.replies()) << "no answer for the unanswered";
}

}  // namespace
}  // namespace vork
