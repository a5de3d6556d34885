#include "app/dialog_logic.h"

#include <gtest/gtest.h>

#include <map>

#include "app/instance_guard.h"
#include "fake_desktop.h"
#include "simulated_desktop.h"
#include "fake_input.h"
#include "fake_mixer.h"
#include "fake_system.h"
#include "recording_notifier.h"

namespace vork {
namespace {

// The window as the user would see it.
class FakeView final : public DialogView {
public:
    void setStatusText(const std::string& text) override { status = text; }
    void setNoticeText(const std::string& text) override { notice = text; }
    void showControl(ControlId control, bool visible) override { this->visible[control] = visible; }
    void minimise() override { minimised = true; }
    void setRepeatTimer(bool running) override { timerChanges.push_back(running); }

    std::vector<bool> timerChanges;
    std::string status;
    std::string notice;
    std::map<ControlId, bool> visible;
    bool minimised = false;
};

class DialogLogicTest : public ::testing::Test, protected test::SimulatedDesktop {
protected:
    void SetUp() override { logic.initialise(); }

    void deliver(unsigned message) { logic.handlePhoneMessage(message); }
    // A link asks; the request's number.
    RequestNumber request(const std::string& name) {
        const RequestNumber number = state.openRequest();
        mailbox.publishRequest(number, name);
        deliver(WM_PHONE_REQUEST);
        return number;
    }
    void status(const std::string& text) {
        mailbox.publishStatus(text);
        deliver(WM_PHONE_STATUS);
    }
    // Which images are shown, as ACCEPT/DECLINE/HIDE.
    std::string images() {
        return std::string(view.visible[ACCEPT_BUTTON_ID] ? "A" : "-") +
               (view.visible[DECLINE_BUTTON_ID] ? "D" : "-") + (view.visible[HIDE_BUTTON_ID] ? "H" : "-");
    }

    RemoteController controller{platform()};
    test::RecordingNotifier notifier;
    UiMailbox mailbox{notifier};
    ConnectionState state;
    FakeView view;
    DialogLogic logic{view, mailbox, state, controller};
};

TEST_F(DialogLogicTest, Initially_IdleWithEveryImageHidden) {
    EXPECT_EQ(IdleMode, logic.mode());
    EXPECT_EQ("---", images());
    EXPECT_EQ(3U, view.visible.size());
}

TEST_F(DialogLogicTest, Request_ShowsAcceptAndDecline_WithTheName) {
    request("MyPhone");
    EXPECT_EQ(RequestMode, logic.mode());
    EXPECT_EQ("AD-", images());
    EXPECT_EQ("MyPhone requesting connection.", view.status);
}

TEST_F(DialogLogicTest, Accept_Connects) {
    const RequestNumber number = request("MyPhone");
    logic.handleClick(ACCEPT_BUTTON_ID);
    EXPECT_EQ(ConnectedMode, logic.mode());
    EXPECT_EQ(Accepted, state.decision(number));
    EXPECT_EQ("Connected.", view.status);
    EXPECT_EQ("--H", images());
}

TEST_F(DialogLogicTest, Decline_KeepsTheRequestText_AndHidesAllImages) {
    const RequestNumber number = request("MyPhone");
    logic.handleClick(DECLINE_BUTTON_ID);
    EXPECT_EQ(IdleMode, logic.mode());
    EXPECT_EQ(Rejected, state.decision(number));
    EXPECT_EQ("MyPhone requesting connection.", view.status);
    EXPECT_EQ("---", images());
}

TEST_F(DialogLogicTest, ConnectedStatus_ShowsConnected_ButAnswersNoRequest) {
    // A trusted phone's "Connected." handled late, after another phone asked.
    const RequestNumber number = state.openRequest();
    status("Connected.");
    EXPECT_EQ(ConnectedMode, logic.mode());
    EXPECT_EQ("Connected.", view.status);
    EXPECT_EQ("--H", images());
    EXPECT_EQ(Pending, state.decision(number));
}

TEST_F(DialogLogicTest, ConnectedFromAnotherLink_LeavesTheRequestOnScreenToBeAnswered) {
    const RequestNumber number = request("Phone");
    status("Connected.");  // a remembered browser comes back meanwhile
    EXPECT_EQ("AD-", images());
    EXPECT_EQ("Phone requesting connection.", view.status);
    state.closeRequest(number);  // the phone gave up: back to showing the browser connected
    deliver(WM_PHONE_DISCONNECTED);
    EXPECT_EQ(ConnectedMode, logic.mode());
    EXPECT_EQ("--H", images());
    EXPECT_EQ("Connected.", view.status);
}

TEST_F(DialogLogicTest, RequestWhosePhoneWent_IsLeft_AndAcceptAfterwardsAdmitsNobody) {
    for (const bool connectedBefore : {false, true}) {
        SCOPED_TRACE(connectedBefore);
        if (connectedBefore) status("Connected.");
        const RequestNumber gone = request("Gone");
        state.closeRequest(gone);  // the link withdrew it
        deliver(WM_PHONE_DISCONNECTED);
        EXPECT_EQ(connectedBefore ? ConnectedMode : IdleMode, logic.mode());
        EXPECT_EQ(connectedBefore ? "--H" : "---", images());

        const RequestNumber next = state.openRequest();  // the next phone asks; its request is not shown yet
        logic.preTranslateKey(VK_RETURN_KEY);
        logic.handleClick(ACCEPT_BUTTON_ID);
        EXPECT_EQ(Pending, state.decision(next));
        state.closeRequest(next);
    }
}

TEST_F(DialogLogicTest, AcceptOnARequestClosedBeforeItsNotice_LeavesIt) {
    const RequestNumber number = request("Gone");
    state.closeRequest(number);
    logic.handleClick(ACCEPT_BUTTON_ID);
    EXPECT_EQ(IdleMode, logic.mode());
    EXPECT_EQ("---", images());
}

TEST_F(DialogLogicTest, OtherStatuses_ChangeOnlyTheStatusLine) {
    status("Connected.");
    status("Searching for bluetooth device..");
    EXPECT_EQ("Searching for bluetooth device..", view.status);
    EXPECT_EQ(ConnectedMode, logic.mode());
    EXPECT_EQ("--H", images());
}

TEST_F(DialogLogicTest, Enter_DependsOnTheMode_AndIsAlwaysConsumed) {
    EXPECT_TRUE(logic.preTranslateKey(VK_RETURN_KEY));
    EXPECT_EQ(IdleMode, logic.mode());
    EXPECT_FALSE(view.minimised);

    const RequestNumber number = request("MyPhone");
    EXPECT_TRUE(logic.preTranslateKey(VK_RETURN_KEY));
    EXPECT_EQ(ConnectedMode, logic.mode());
    EXPECT_EQ(Accepted, state.decision(number));
    EXPECT_FALSE(view.minimised);

    EXPECT_TRUE(logic.preTranslateKey(VK_RETURN_KEY));
    EXPECT_TRUE(view.minimised);
    EXPECT_EQ(ConnectedMode, logic.mode());
}

TEST_F(DialogLogicTest, Escape_MinimisesInEveryMode_OtherKeysPassOn) {
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

TEST_F(DialogLogicTest, HideImage_Minimises) {
    logic.handleClick(HIDE_BUTTON_ID);
    EXPECT_TRUE(view.minimised);
    EXPECT_FALSE(logic.handleClick(STATUS_LINE_ID));
}

TEST_F(DialogLogicTest, SecondRequestWhileConnected_AsksAgain) {
    status("Connected.");
    request("Other");
    EXPECT_EQ(RequestMode, logic.mode());
    EXPECT_EQ("AD-", images());
    EXPECT_EQ("Other requesting connection.", view.status);
}

TEST_F(DialogLogicTest, Notice_SetsTheNoticeLine) {
    mailbox.publishNotice("Update to newer version!");
    deliver(WM_PHONE_NOTICE);
    EXPECT_EQ("Update to newer version!", view.notice);
    mailbox.publishNotice("");
    deliver(WM_PHONE_NOTICE);
    EXPECT_EQ("", view.notice);
}

TEST_F(DialogLogicTest, Commands_RunEvenWhileMinimised_InOrder) {
    logic.hide();
    mailbox.publishCommand("D:E");
    mailbox.publishCommand("D:C");
    deliver(WM_PHONE_COMMAND);
    deliver(WM_PHONE_COMMAND);
    EXPECT_EQ((test::EventLog{"mouse 0 0 0x02", "mouse 0 0 0x04", "mouse 0 0 0x08", "mouse 0 0 0x10"}), log);
}

TEST_F(DialogLogicTest, Disconnect_StopsAHeldAction) {
    mailbox.publishCommand("D:R");
    deliver(WM_PHONE_COMMAND);
    logic.handleTimer();
    EXPECT_EQ(1, input.cursorX);
    deliver(WM_PHONE_DISCONNECTED);
    for (int i = 0; i < 10; ++i) logic.handleTimer();
    EXPECT_EQ(1, input.cursorX);
    EXPECT_EQ(HeldAction::None, controller.heldAction());
}

TEST_F(DialogLogicTest, Ticks_DriveTheHeldAction_AndTheTimerRunsOnlyWhileOneIsHeld) {
    for (int i = 0; i < 3; ++i) logic.handleTimer();
    EXPECT_TRUE(log.empty());
    EXPECT_TRUE(view.timerChanges.empty()) << "idle: no timer";
    const auto command = [this](const char* text) {
        mailbox.publishCommand(text);
        deliver(WM_PHONE_COMMAND);
    };
    command("D:D");
    EXPECT_EQ((std::vector<bool>{true}), view.timerChanges);
    for (int i = 0; i < 5; ++i) logic.handleTimer();
    EXPECT_EQ(9, input.cursorY);
    command("D:2");  // one held action replaces another: the timer runs on
    command("D:5");
    command("D:U");
    deliver(WM_PHONE_DISCONNECTED);
    EXPECT_EQ((std::vector<bool>{true, false, true, false}), view.timerChanges);
}

TEST_F(DialogLogicTest, BrowserInput_MovesClicksScrolls_AndStopsOnlyItsOwnHeldAction) {
    const auto web = [this](WebInput input) {
        mailbox.publishWebInput(input);
        deliver(WM_WEB_INPUT);
    };
    web({WebInput::Kind::Move, {}, 7, -3});
    web({WebInput::Kind::Scroll, {}, 0, -240});
    web({WebInput::Kind::RightClick, {}, 0, 0});
    EXPECT_EQ((test::EventLog{"mouse 7 -3 0x01", "mouse 0 0 0x800 -240", "mouse 0 0 0x08", "mouse 0 0 0x10"}), log);

    web({WebInput::Kind::Command, "D:R", 0, 0});
    EXPECT_EQ(HeldAction::PointerRight, controller.heldAction());
    web({WebInput::Kind::Release, {}, 0, 0});
    EXPECT_EQ(HeldAction::None, controller.heldAction());
    EXPECT_EQ((std::vector<bool>{true, false}), view.timerChanges);

    // The phone holds now: a page's late release or closing leaves it running.
    mailbox.publishCommand("D:L");
    deliver(WM_PHONE_COMMAND);
    web({WebInput::Kind::Release, {}, 0, 0});
    web({WebInput::Kind::Gone, {}, 0, 0});
    EXPECT_EQ(HeldAction::PointerLeft, controller.heldAction());
}

TEST_F(DialogLogicTest, BrowserGone_LeavesTheRequestItWithdrew) {
    status("Waiting for phone to connect");
    const RequestNumber number = request("Pixel");
    state.closeRequest(number);
    mailbox.publishWebInput({WebInput::Kind::Gone, {}, 0, 0});
    deliver(WM_WEB_INPUT);
    EXPECT_FALSE(logic.shownRequest());
    EXPECT_EQ("---", images());
    EXPECT_EQ("Waiting for phone to connect", view.status);
}

TEST_F(DialogLogicTest, OtherMessages_AreNotThePhones) {
    EXPECT_FALSE(logic.handlePhoneMessage(0x0400 + 99));
    EXPECT_FALSE(logic.handlePhoneMessage(0x0400 + 106));
}

TEST(ApplicationName, IsTheExecutablesBaseName) {
    EXPECT_EQ("vork", applicationName("C:\\Program Files\\Vork\\vork.exe"));
    EXPECT_EQ("vork-loopback", applicationName("Z:/build/vork-loopback.exe"));
    EXPECT_EQ("vork", applicationName("vork"));
    EXPECT_EQ(".hidden", applicationName("C:\\x\\.hidden"));
}

}  // namespace
}  // namespace vork
