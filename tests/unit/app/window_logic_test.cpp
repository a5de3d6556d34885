#include "app/window_logic.h"
#include "link/link_words.h"
#include "input/key_codes.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>

#include "app/instance_guard.h"
#include "app/tray_texts.h"
#include "input/typed_text.h"
#include "fake_desktop.h"
#include "simulated_desktop.h"
#include "fake_input.h"
#include "fake_mixer.h"
#include "fake_system.h"
#include "recording_notifier.h"

namespace vork {
namespace {

// The window as the user would see it.
class FakeView final : public WindowView, public WindowActions {
public:
    void setStatusText(const std::string& text) override { status = text; }
    void setNoticeText(const std::string& text) override { notice = text; }
    void showControl(ControlId control, bool visible) override { this->visible[control] = visible; }
    void minimise() override { minimised = true; }
    void setRepeatTimer(bool running) override { timerChanges.push_back(running); }
    void showAddressLine(const std::string& text, std::size_t lines) override { addressLine = {text, lines}; }
    void serverChanged(WebServerState state, std::uint16_t port) override { webServer = {state, port}; }
    void showTray(DialogMode mode, const std::string& name) override { tray = trayTip(mode, name); }
    void alertRequest(const std::string& name) override { alerts.push_back(name); }
    void switchWanted(bool on) override { switches.push_back(on); }
    void sendToPage(ConnectionId page, const std::string& text) override { pageMessages.emplace_back(page, text); }
    void setLabelWatch(bool running) override { labelWatch.push_back(running); }
    void openConnectPage() override { ++connectPages; }

    int connectPages = 0;
    std::vector<std::pair<ConnectionId, std::string>> pageMessages;
    std::vector<bool> labelWatch;
    std::string tray;
    std::vector<std::string> alerts;
    std::vector<bool> switches;
    std::vector<bool> timerChanges;
    std::pair<WebServerState, std::uint16_t> webServer{WebServerState::Stopped, 0};
    std::pair<std::string, std::size_t> addressLine;
    std::string status;
    std::string notice;
    std::map<ControlId, bool> visible;
    bool minimised = false;
};

constexpr LinkOrigin PHONE{LinkKind::Bluetooth, 1};
constexpr LinkOrigin LISTENER{LinkKind::Bluetooth, 0};
constexpr LinkOrigin PAGE{LinkKind::Browser, 2};
constexpr LinkOrigin OTHER_PAGE{LinkKind::Browser, 3};

class WindowLogicTest : public ::testing::Test, protected test::SimulatedDesktop {
public:
    void SetUp() override { logic.initialise(); }

    // The window's wakes, each handled as the window thread would.
    void deliver() {
        for (EventQueue queue : notifier.wakes()) logic.handleWake(static_cast<unsigned>(queue));
        notifier.clear();
    }
    void send(LinkEvent event) {
        ASSERT_TRUE(mailbox.publish(std::move(event)));
        deliver();
    }
    // A link asks; the request's number.
    RequestNumber request(const std::string& name, LinkOrigin from = PHONE) {
        const RequestNumber number = state.openRequest(name + std::to_string(++peers), clock.nowMs()).number;
        send(RequestEvent{number, from, name});
        return number;
    }
    void status(const std::string& text, LinkOrigin from = LISTENER) {
        send(StatusEvent{from, text, {}});
    }
    void command(const std::string& text, LinkOrigin from = PHONE) {
        send(CommandEvent{from, text});
    }
    void departed(ConnectionId connection) { send(GoneEvent{connection}); }
    void released(ConnectionId connection) { send(ReleaseEvent{connection}); }
    // Which images are shown, as ACCEPT/DECLINE/HIDE.
    std::string images() {
        return std::string(view.visible[ACCEPT_BUTTON_ID] ? "A" : "-") +
               (view.visible[DECLINE_BUTTON_ID] ? "D" : "-") + (view.visible[HIDE_BUTTON_ID] ? "H" : "-");
    }

    RemoteController controller{platform()};
    test::RecordingNotifier notifier;
    UiMailbox mailbox{notifier};
    ConnectionState state;
    test::FakeClock clock;
    int peers = 0;
    FakeView view;
    WindowLogic logic{view, view, mailbox, state, controller, clock};
};

TEST_F(WindowLogicTest, Initially_IdleWithEveryImageHidden) {
    EXPECT_EQ(IdleMode, logic.mode());
    EXPECT_EQ("---", images());
    EXPECT_EQ(3U, view.visible.size());
}

TEST_F(WindowLogicTest, Request_ShowsAcceptAndDecline_WithTheName) {
    request("MyPhone");
    EXPECT_EQ(RequestMode, logic.mode());
    EXPECT_EQ("AD-", images());
    EXPECT_EQ("MyPhone requesting connection.", view.status);
}

TEST_F(WindowLogicTest, Accept_Connects) {
    const RequestNumber number = request("MyPhone");
    logic.handleClick(ACCEPT_BUTTON_ID);
    EXPECT_EQ(ConnectedMode, logic.mode());
    EXPECT_EQ(Accepted, state.decision(number));
    EXPECT_EQ("Connected.", view.status);
    EXPECT_EQ("--H", images());
}

TEST_F(WindowLogicTest, Decline_KeepsTheRequestText_AndHidesAllImages) {
    const RequestNumber number = request("MyPhone");
    logic.handleClick(DECLINE_BUTTON_ID);
    EXPECT_EQ(IdleMode, logic.mode());
    EXPECT_EQ(Rejected, state.decision(number));
    EXPECT_EQ("MyPhone requesting connection.", view.status);
    EXPECT_EQ("---", images());
}

TEST_F(WindowLogicTest, ConnectedStatus_ShowsConnected_ButAnswersNoRequest) {
    // A trusted phone's "Connected." handled late, after another phone asked.
    const RequestNumber number = state.openRequest("phone", 0).number;
    status("Connected.", PAGE);
    EXPECT_EQ(ConnectedMode, logic.mode());
    EXPECT_EQ("Connected.", view.status);
    EXPECT_EQ("--H", images());
    EXPECT_EQ(Pending, state.decision(number));
}

TEST_F(WindowLogicTest, ConnectedFromAnotherLink_LeavesTheRequestOnScreenToBeAnswered) {
    for (const bool answered : {false, true}) {
        SCOPED_TRACE(answered);
        const RequestNumber number = request("Phone");
        status("Connected.", PAGE);  // a remembered browser comes back meanwhile
        EXPECT_EQ("AD-", images());
        EXPECT_EQ("Phone requesting connection.", view.status);
        EXPECT_TRUE(state.isOpen(number));
        EXPECT_EQ(Pending, state.decision(number)) << "nobody answered it";
        if (answered) {
            logic.handleClick(ACCEPT_BUTTON_ID);
            EXPECT_EQ(Accepted, state.decision(number));
            state.closeRequest(number);
        } else {
            state.withdraw(number, clock.nowMs());  // the phone gave up: back to showing the browser connected
            departed(PHONE.connection);
        }
        EXPECT_EQ(ConnectedMode, logic.mode());
        EXPECT_EQ("--H", images());
        EXPECT_EQ("Connected.", view.status);
    }
}

TEST_F(WindowLogicTest, RequestWhosePhoneWent_IsLeft_AndAcceptAfterwardsAdmitsNobody) {
    for (const bool connectedBefore : {false, true}) {
        SCOPED_TRACE(connectedBefore);
        if (connectedBefore) status("Connected.", PAGE);
        const RequestNumber gone = request("Gone");
        state.withdraw(gone, clock.nowMs());
        send(WithdrawnEvent{gone});
        EXPECT_EQ(connectedBefore ? ConnectedMode : IdleMode, logic.mode());
        EXPECT_EQ(connectedBefore ? "--H" : "---", images());

        const RequestNumber next = state.openRequest("next", 0).number;  // not shown yet
        clock.advance(ENTER_ACCEPTS_AFTER_MS);
        logic.preTranslateKey(VK_RETURN_KEY);
        logic.handleClick(ACCEPT_BUTTON_ID);
        EXPECT_EQ(Pending, state.decision(next));
        state.closeRequest(next);
    }
}

TEST_F(WindowLogicTest, AcceptOnARequestClosedBeforeItsNotice_LeavesIt) {
    const RequestNumber number = request("Gone");
    state.closeRequest(number);
    logic.handleClick(ACCEPT_BUTTON_ID);
    EXPECT_EQ(IdleMode, logic.mode());
    EXPECT_EQ("---", images());
}

TEST_F(WindowLogicTest, OtherStatuses_ChangeOnlyTheStatusLine) {
    status("Connected.", PHONE);
    departed(PHONE.connection);
    status("Searching for bluetooth device..");
    EXPECT_EQ("Searching for bluetooth device..", view.status);
    EXPECT_EQ(ConnectedMode, logic.mode());
    EXPECT_EQ("--H", images());
}

TEST_F(WindowLogicTest, ALinksStatuses_GoToTheNoticeLine_WhileAnotherLinksRequestOrConnectionIsOnScreen) {
    status("Waiting for phone to connect");
    request("Pixel", PAGE);
    status("Searching for bluetooth device..");
    EXPECT_EQ("Pixel requesting connection.", view.status);
    EXPECT_EQ("Searching for bluetooth device..", view.notice);
    EXPECT_EQ("AD-", images());

    logic.handleClick(ACCEPT_BUTTON_ID);
    status("Cannot find bluetooth (1 #10043)");
    EXPECT_EQ("Connected.", view.status);
    EXPECT_EQ("Cannot find bluetooth (1 #10043)", view.notice);

    // The page has gone: the status line is the listener's again, and the notice line clears.
    departed(PAGE.connection);
    status("Searching for bluetooth device..");
    EXPECT_EQ("Searching for bluetooth device..", view.status);
    EXPECT_EQ("", view.notice);

    // A link's own request is covered by its own texts as ever.
    request("Phone", PHONE);
    status("Waiting for phone to connect");
    EXPECT_EQ("Waiting for phone to connect", view.status);
}

TEST_F(WindowLogicTest, ANewRequest_LeavesTheWarningsOnTheNoticeLine) {
    mailbox.publishWarning("Unpaired phones can connect");
    deliver();
    mailbox.publishNotice("Update to newer version!");
    deliver();
    EXPECT_EQ("Update to newer version!", view.notice);
    mailbox.publishNotice("");  // the next login's
    deliver();
    request("Next");
    EXPECT_EQ("Unpaired phones can connect", view.notice);
}

TEST_F(WindowLogicTest, Enter_DependsOnTheMode_AndAcceptsOnlyARequestShownForASecond) {
    EXPECT_TRUE(logic.preTranslateKey(VK_RETURN_KEY));
    EXPECT_EQ(IdleMode, logic.mode());
    EXPECT_FALSE(view.minimised);

    const RequestNumber number = request("MyPhone");
    clock.advance(ENTER_ACCEPTS_AFTER_MS - 1);
    EXPECT_TRUE(logic.preTranslateKey(VK_RETURN_KEY)) << "pressed as the request came: consumed, nothing else";
    EXPECT_EQ(RequestMode, logic.mode());
    EXPECT_EQ(Pending, state.decision(number));
    clock.advance(1);
    EXPECT_TRUE(logic.preTranslateKey(VK_RETURN_KEY));
    EXPECT_EQ(ConnectedMode, logic.mode());
    EXPECT_EQ(Accepted, state.decision(number));
    EXPECT_FALSE(view.minimised);

    EXPECT_TRUE(logic.preTranslateKey(VK_RETURN_KEY));
    EXPECT_TRUE(view.minimised);
    EXPECT_EQ(ConnectedMode, logic.mode());

    const RequestNumber clicked = request("Other");
    logic.handleClick(ACCEPT_BUTTON_ID);
    EXPECT_EQ(Accepted, state.decision(clicked)) << "a click counts at once";
}

TEST_F(WindowLogicTest, Escape_MinimisesInEveryMode_OtherKeysPassOn) {
    for (const bool withRequest : {false, true}) {
        view.minimised = false;
        if (withRequest) request("P");
        EXPECT_TRUE(logic.preTranslateKey(VK_ESCAPE_KEY));
        EXPECT_TRUE(view.minimised);
    }
    EXPECT_EQ(RequestMode, logic.mode()) << "hiding changes no mode";
    EXPECT_FALSE(logic.preTranslateKey('A'));
    EXPECT_FALSE(logic.preTranslateKey(0x09));
}

TEST_F(WindowLogicTest, HideImage_Minimises) {
    logic.handleClick(HIDE_BUTTON_ID);
    EXPECT_TRUE(view.minimised);
    EXPECT_FALSE(logic.handleClick(STATUS_LINE_ID));
}

TEST_F(WindowLogicTest, SecondRequestWhileConnected_AsksAgain) {
    status("Connected.", PHONE);
    request("Other", OTHER_PAGE);
    EXPECT_EQ(RequestMode, logic.mode());
    EXPECT_EQ("AD-", images());
    EXPECT_EQ("Other requesting connection.", view.status);
}

TEST_F(WindowLogicTest, Notice_SetsTheNoticeLine) {
    status("Connected.", PHONE);
    mailbox.publishNotice("Update to newer version!");
    deliver();
    EXPECT_EQ("Update to newer version!", view.notice);
    mailbox.publishNotice("");
    deliver();
    EXPECT_EQ("", view.notice);
}

// A first start leads on: while nothing is connected and the browser remote
// is off, the notice line says how to connect a phone, and a click on it
// opens the Connect page; any other notice, a request or a connection takes
// its place, and so does the remote switched on.
TEST_F(WindowLogicTest, AFirstStart_SaysHowToConnect_AndAClickOnItOpensTheConnectPage) {
    const std::string hint(CONNECT_HINT);
    const std::string noBluetooth(NO_BLUETOOTH_HINT);
    EXPECT_EQ(hint, view.notice);
    EXPECT_TRUE(logic.handleClick(NOTICE_LINE_ID));
    EXPECT_EQ(1, view.connectPages);

    status("Cannot find bluetooth (1 #10043)");
    EXPECT_EQ("Cannot find bluetooth (1 #10043)", view.status) << "the status line keeps the listener's text";
    EXPECT_EQ(noBluetooth, view.notice);
    status("Searching for bluetooth device..");
    EXPECT_EQ(noBluetooth, view.notice) << "said once, not with every retry";
    mailbox.publishWarning("Unpaired phones can connect");
    deliver();
    EXPECT_EQ("Unpaired phones can connect", view.notice);
    EXPECT_FALSE(logic.handleClick(NOTICE_LINE_ID)) << "a warning is no link";
    mailbox.publishWarning("");
    deliver();
    status("Waiting for phone to connect");
    EXPECT_EQ(hint, view.notice) << "Bluetooth came";

    send(ServerEvent{WebServerState::Listening, 8642});
    EXPECT_EQ("", view.notice) << "the address line shows the way now";
    send(ServerEvent{WebServerState::Off, 0});
    EXPECT_EQ(hint, view.notice);
    request("MyPhone");
    EXPECT_EQ("", view.notice);
    logic.decline();
    EXPECT_EQ(hint, view.notice);
    request("MyPhone");
    logic.accept();
    EXPECT_EQ("", view.notice);
    EXPECT_FALSE(logic.handleClick(NOTICE_LINE_ID));
    EXPECT_EQ(1, view.connectPages);
}

TEST_F(WindowLogicTest, Commands_RunEvenWhileMinimised_InOrder) {
    logic.hide();
    mailbox.publishCommand(PHONE, "D:E");
    mailbox.publishCommand(PHONE, "D:C");
    deliver();
    EXPECT_EQ((test::EventLog{"mouse 0 0 0x02", "mouse 0 0 0x04", "mouse 0 0 0x08", "mouse 0 0 0x10"}), log);
}

TEST_F(WindowLogicTest, Ticks_DriveTheHeldAction_AndTheTimerRunsOnlyWhileOneIsHeld) {
    for (int i = 0; i < 3; ++i) logic.handleTimer();
    EXPECT_TRUE(log.empty());
    EXPECT_TRUE(view.timerChanges.empty()) << "idle: no timer";
    command("D:D");
    EXPECT_EQ((std::vector<bool>{true}), view.timerChanges);
    for (int i = 0; i < 5; ++i) logic.handleTimer();
    EXPECT_EQ(9, input.cursorY);
    command("D:2");  // one held action replaces another: the timer runs on
    command("D:5");
    command("D:U");
    departed(PHONE.connection);
    EXPECT_EQ((std::vector<bool>{true, false, true, false}), view.timerChanges);
}

TEST_F(WindowLogicTest, AHeldAction_IsStoppedByItsOwnLinksReleaseOrDeparture_OrAnyNewCommand_Only) {
    struct Case {
        const char* what;
        LinkOrigin holder;
        std::function<void(WindowLogicTest&)> event;
        bool stops;
    };
    const std::vector<Case> cases = {
        {"its page's release", PAGE, [](WindowLogicTest& t) { t.released(PAGE.connection); }, true},
        {"its page leaving", PAGE, [](WindowLogicTest& t) { t.departed(PAGE.connection); }, true},
        {"its phone leaving", PHONE, [](WindowLogicTest& t) { t.departed(PHONE.connection); }, true},
        {"a command from another link", PHONE, [](WindowLogicTest& t) { t.send(CommandEvent{{LinkKind::Browser, 3}, "D:5"}); }, true},
        {"another page that only asked, leaving", PAGE, [](WindowLogicTest& t) { t.departed(OTHER_PAGE.connection); }, false},
        {"another page's release", PAGE, [](WindowLogicTest& t) { t.released(OTHER_PAGE.connection); }, false},
        {"a Bluetooth connection that never logged in, ending", PAGE, [](WindowLogicTest& t) { t.departed(7); }, false},
        {"a page's release while the phone holds", PHONE, [](WindowLogicTest& t) { t.released(PAGE.connection); }, false},
        {"another page's moves and beats", PAGE, [](WindowLogicTest& t) {
             t.send(MoveEvent{OTHER_PAGE.connection, 1, 0});
             t.send(BeatEvent{OTHER_PAGE.connection});
         }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.holder.kind == LinkKind::Browser)
            send(CommandEvent{{LinkKind::Browser, c.holder.connection}, "D:R"});
        else
            command("D:R", c.holder);
        c.event(*this);
        EXPECT_EQ(c.stops ? HeldAction::None : HeldAction::PointerRight, controller.heldAction());
        command("D:5");  // clears the way for the next case
    }
}

TEST_F(WindowLogicTest, ABrowsersHeldAction_StopsByItselfWhenItsPageIsSilentForASecondAndAHalf) {
    send(CommandEvent{{LinkKind::Browser, PAGE.connection}, "D:U"});
    for (int beat = 0; beat < 10; ++beat) {  // three seconds of beats every 300 ms
        clock.advance(300);
        send(BeatEvent{PAGE.connection});
        logic.handleTimer();
    }
    EXPECT_EQ(HeldAction::PointerUp, controller.heldAction());
    clock.advance(WINDOW_HOLD_LIMIT_MS - 1);
    logic.handleTimer();
    EXPECT_EQ(HeldAction::PointerUp, controller.heldAction());
    clock.advance(1);
    logic.handleTimer();
    EXPECT_EQ(HeldAction::None, controller.heldAction());
    EXPECT_EQ((std::vector<bool>{true, false}), view.timerChanges);

    // A phone's held action has no such limit: the phone reports only the press.
    command("D:U");
    clock.advance(60000);
    logic.handleTimer();
    EXPECT_EQ(HeldAction::PointerUp, controller.heldAction());
}

TEST_F(WindowLogicTest, BrowserInput_MovesClicksScrolls) {
    send(MoveEvent{PAGE.connection, 7, -3});
    send(ScrollEvent{PAGE.connection, -240});
    send(ScrollEvent{PAGE.connection, 120, -360});
    send(ClickEvent{PAGE.connection, true});
    EXPECT_EQ((test::EventLog{"mouse 7 -3 0x01", "mouse 0 0 0x800 -240", "mouse 0 0 0x800 120", "mouse 0 0 0x1000 -360",
                              "mouse 0 0 0x08", "mouse 0 0 0x10"}),
              log);
}

TEST_F(WindowLogicTest, TypedText_ReachesTheWindowInOrder_NoneLostOrDoubled_AndSpecialAndMediaKeysToo) {
    // As many messages as the mailbox holds, queued before the window reads any.
    std::u16string expected;
    for (std::size_t i = 0; i < UiMailbox::QUEUE_LIMIT; ++i) {
        const std::string typed = (i % 7 == 0 ? "\xF0\x9F\x98\x80" : "") + std::to_string(i);
        ASSERT_TRUE(mailbox.publish(TypedEvent{PAGE.connection, i % 5 == 0 ? 1U : 0U, decodeTypedText(typed).value().units}));
        if (i % 5 == 0) expected += u"\b";
        expected += decodeTypedText(typed).value().units;
    }
    deliver();
    std::u16string typed;
    for (const std::string& line : log) {
        for (std::size_t at = line.find("| down "); at != std::string::npos; at = line.find("| down ", at + 1)) {
            if (line.compare(at, 15, "| down unicode ") == 0)
                typed += static_cast<char16_t>(std::stoul(line.substr(at + 15), nullptr, 16));
            else if (line.compare(at, 11, "| down 0x08") == 0)
                typed += u"\b";
        }
    }
    EXPECT_EQ(expected, typed);

    log.clear();
    send(CommandEvent{{LinkKind::Browser, PAGE.connection}, "D:R"});
    send(PressEvent{PAGE.connection, "%{TAB}"});
    EXPECT_EQ(HeldAction::None, controller.heldAction()) << "a special key ends the held action";
    send(MediaEvent{PAGE.connection, static_cast<std::uint8_t>(MediaKey::VolumeUp)});
    EXPECT_EQ(HeldAction::MediaVolumeUp, controller.heldAction());
    released(OTHER_PAGE.connection);
    EXPECT_EQ(HeldAction::MediaVolumeUp, controller.heldAction()) << "only its page releases it";
    released(PAGE.connection);
    EXPECT_EQ(HeldAction::None, controller.heldAction());
    send(MediaEvent{PAGE.connection, static_cast<std::uint8_t>(99)});
    EXPECT_EQ((test::EventLog{"down 0x12 scan 0x38", "down 0x09 scan 0x0f", "up 0x09 scan 0x0f ext",
                              "up 0x12 scan 0x38"}),
              log);
    // Without a media session the Now playing card's buttons are the media keys; a seek does nothing.
    log.clear();
    send(PlayerEvent{PAGE.connection, PlayerEvent::Action::Seek, 1000, ""});
    send(PlayerEvent{PAGE.connection, PlayerEvent::Action::Next, 0, ""});
    EXPECT_EQ((test::EventLog{"down 0xb0 scan 0x00", "up 0xb0 scan 0x00 ext"}), log) << "the next-track key";
}

TEST_F(WindowLogicTest, AShownPage_GetsItsLabels_AndTheWindowInFrontIsWatchedOnlyWhileOneIsShown) {
    const auto showPage = [&](ConnectionId page, bool shown) {
        send(VisibleEvent{page, shown});
    };
    const WindowHandle notepad = desktop.addWindow("Untitled - Notepad");
    const WindowHandle vlc = desktop.addWindow("clip.mkv - VLC media player");
    desktop.setForeground(notepad);
    showPage(PAGE.connection, true);
    ASSERT_EQ(1U, view.pageMessages.size());
    EXPECT_EQ(PAGE.connection, view.pageMessages[0].first);
    EXPECT_TRUE(view.pageMessages[0].second.starts_with("labels \tD:1=Up\tD:2=Vol +")) << view.pageMessages[0].second;
    EXPECT_EQ(std::vector<bool>{true}, view.labelWatch);

    logic.handleLabelWatch();
    EXPECT_EQ(1U, view.pageMessages.size()) << "nothing changed: nothing sent";
    desktop.setForeground(vlc);
    logic.handleLabelWatch();
    ASSERT_EQ(2U, view.pageMessages.size());
    EXPECT_TRUE(view.pageMessages[1].second.starts_with("labels VLC media player\tD:1=Previous\t"));

    showPage(OTHER_PAGE.connection, true);  // a second page gets them at once
    EXPECT_EQ(OTHER_PAGE.connection, view.pageMessages.at(2).first);
    showPage(OTHER_PAGE.connection, false);
    desktop.setForeground(notepad);
    send(CommandEvent{{LinkKind::Browser, PAGE.connection}, "D:5"});
    ASSERT_EQ(4U, view.pageMessages.size()) << "after its command, the page learns of the change";
    EXPECT_EQ(PAGE.connection, view.pageMessages[3].first);
    send(CommandEvent{{LinkKind::Browser, PAGE.connection}, "D:5"});
    command("D:5");
    EXPECT_EQ(4U, view.pageMessages.size()) << "unchanged, and a phone has no page";

    departed(PAGE.connection);
    EXPECT_EQ((std::vector<bool>{true, false}), view.labelWatch) << "idle Vork looks at no window";
    desktop.setForeground(vlc);
    logic.handleLabelWatch();
    EXPECT_EQ(4U, view.pageMessages.size());
}

TEST_F(WindowLogicTest, WithdrawnOrLeft_TheRequestGoes_AndTheStatusBeforeItComesBack) {
    status("Waiting for phone to connect");
    const RequestNumber number = request("Pixel", PAGE);
    send(WithdrawnEvent{number + 1});
    EXPECT_TRUE(logic.shownRequest()) << "another request's withdrawal";
    state.withdraw(number, clock.nowMs());
    send(WithdrawnEvent{number});
    EXPECT_FALSE(logic.shownRequest());
    EXPECT_EQ("---", images());
    EXPECT_EQ("Waiting for phone to connect", view.status);
}

TEST_F(WindowLogicTest, TheServersState_GoesToTheView_AndAWakeForNothingDoesNothing) {
    send(ServerEvent{WebServerState::Retrying, 8642});
    EXPECT_EQ(WebServerState::Retrying, view.webServer.first);
    EXPECT_EQ(8642, view.webServer.second);
    EXPECT_FALSE(logic.handleWake(EVENT_QUEUES)) << "no such queue";
    EXPECT_FALSE(logic.handleWake(static_cast<unsigned>(EventQueue::Command))) << "an empty one";
}

TEST_F(WindowLogicTest, AGoodEditOfTheSettingsFile_TakesEffectAtTheNextCommand) {
    const std::filesystem::path file = std::filesystem::temp_directory_path() / "vork-dialog-edit-test.toml";
    const auto write = [&file](char key, int secondsLater) {
        std::ofstream(file, std::ios::binary | std::ios::trunc) << "[fallback.keys]\n\"5\" = \"" << key << "\"\n";
        std::filesystem::last_write_time(file, std::filesystem::file_time_type::clock::now() +
                                                   std::chrono::seconds(secondsLater));
    };
    write('a', 0);
    KeyMapSource source(file.string());
    ASSERT_FALSE(source.load());
    WindowLogic withMap(view, view, mailbox, state, controller, clock, &source);
    withMap.initialise();
    const auto press5 = [&] {
        log.clear();
        withMap.handle(CommandEvent{PHONE, "D:5"});
        return log.empty() ? std::string() : log.front();
    };
    EXPECT_EQ("down 0x41 scan 0x1e", press5());
    write('b', 10);
    clock.advance(KeyMapSource::CHECK_INTERVAL_MS);
    EXPECT_EQ("down 0x42 scan 0x30", press5());
    std::filesystem::remove(file);
}

TEST_F(WindowLogicTest, TheNotificationArea_SaysWhoIsConnectedOrAsks_AndEachRequestIsAnnounced) {
    EXPECT_EQ("Vork \u2013 waiting for a phone", view.tray);
    request("Pixel 7", PAGE);
    EXPECT_EQ("Vork \u2013 Pixel 7 wants to connect", view.tray);
    logic.handleClick(ACCEPT_BUTTON_ID);
    EXPECT_EQ("Vork \u2013 Connected: Pixel 7", view.tray);
    const RequestNumber other = request("Other", PHONE);
    state.withdraw(other, clock.nowMs());
    send(WithdrawnEvent{other});
    EXPECT_EQ("Vork \u2013 Connected: Pixel 7", view.tray) << "back to who was connected";
    mailbox.publishStatus(PHONE, "Connected.", "Nokia");
    deliver();
    EXPECT_EQ("Vork \u2013 Connected: Nokia", view.tray);
    request("Third", OTHER_PAGE);
    logic.handleClick(DECLINE_BUTTON_ID);
    EXPECT_EQ("Vork \u2013 waiting for a phone", view.tray);
    EXPECT_EQ((std::vector<std::string>{"Pixel 7", "Other", "Third"}), view.alerts);
    EXPECT_EQ("Pixel 7 wants to connect \u2013 open Vork to accept or decline", requestNotification("Pixel 7"));

    send(SwitchWantedEvent{true});
    send(SwitchWantedEvent{false});
    EXPECT_EQ((std::vector<bool>{true, false}), view.switches);
}

TEST(ApplicationName, IsTheExecutablesBaseName) {
    EXPECT_EQ("vork", applicationName("C:\\Program Files\\Vork\\vork.exe"));
    EXPECT_EQ("vork-loopback", applicationName("Z:/build/vork-loopback.exe"));
    EXPECT_EQ("vork", applicationName("vork"));
    EXPECT_EQ(".hidden", applicationName("C:\\x\\.hidden"));
}

}  // namespace
}  // namespace vork
