#include "link/ui_mailbox.h"

#include <gtest/gtest.h>

#include "recording_notifier.h"

namespace vork {
namespace {

constexpr LinkOrigin PHONE{LinkKind::Bluetooth, 3};
constexpr LinkOrigin PAGE{LinkKind::Browser, 9};

class UiMailboxTest : public ::testing::Test {
protected:
    bool publishCommand(std::string_view text) { return mailbox.publishCommand(PHONE, text); }
    std::string readCommand() { return test::take<CommandEvent>(mailbox).command; }

    test::RecordingNotifier notifier;
    UiMailbox mailbox{notifier};
};

TEST_F(UiMailboxTest, EachPublish_WakesItsOwnQueue_AndEveryEventKeepsWhatItCarries) {
    using Q = EventQueue;
    mailbox.publishStatus(PHONE, "s");
    mailbox.publishWarning("w");
    mailbox.publishRequest(PHONE, 7, "r");
    publishCommand("c");
    mailbox.publishCommand(PAGE, "D:1");
    mailbox.publish(TypedEvent{9, 2, u"é"});
    mailbox.publishRelease(3);
    mailbox.publishDeparture(4);
    mailbox.publishWithdrawn(7);
    mailbox.publishWebServer(WebServerState::Retrying, 8642);
    EXPECT_EQ((std::vector<Q>{Q::Status, Q::Notice, Q::Request, Q::Command, Q::Page, Q::Page, Q::Signal, Q::Signal,
                              Q::Signal, Q::Signal}),
              notifier.wakes());
    const std::vector<LinkEvent> events = test::drain(mailbox, notifier.wakes());
    ASSERT_EQ(10U, events.size());
    EXPECT_EQ(PHONE, std::get<StatusEvent>(events[0]).origin);
    EXPECT_TRUE(std::get<NoticeEvent>(events[1]).warning);
    EXPECT_EQ(7U, std::get<RequestEvent>(events[2]).number);
    EXPECT_EQ(PAGE, std::get<CommandEvent>(events[4]).origin) << "a page's command waits behind its typing, not a phone's";
    EXPECT_EQ(u"é", std::get<TypedEvent>(events[5]).text);
    EXPECT_EQ(2U, std::get<TypedEvent>(events[5]).deletions);
    EXPECT_EQ(3U, std::get<ReleaseEvent>(events[6]).connection);
    EXPECT_EQ(4U, std::get<GoneEvent>(events[7]).connection);
    EXPECT_EQ(8642, std::get<ServerEvent>(events[9]).port);
}

TEST_F(UiMailboxTest, Queues_AreIndependent_AndEachKeepsItsOrder) {
    mailbox.publishStatus(PHONE, "Searching for bluetooth device..");
    publishCommand("D:E");
    mailbox.publishStatus(PHONE, "Waiting for phone to connect");
    publishCommand("D:C");
    EXPECT_EQ("D:E", readCommand());
    EXPECT_EQ("D:C", readCommand());
    EXPECT_EQ("", readCommand());
    EXPECT_EQ("Searching for bluetooth device..", test::take<StatusEvent>(mailbox).text);
    EXPECT_EQ("Waiting for phone to connect", test::take<StatusEvent>(mailbox).text);
    EXPECT_EQ("", test::take<NoticeEvent>(mailbox).text);
    EXPECT_EQ(0U, test::take<RequestEvent>(mailbox).number);
}

TEST_F(UiMailboxTest, FailedWake_TakesBackTheEventItQueued) {
    publishCommand("D:1");
    mailbox.publishRelease(1);
    notifier.failWakes = true;
    EXPECT_FALSE(publishCommand("D:2"));
    EXPECT_FALSE(mailbox.publishRelease(2));
    notifier.failWakes = false;
    publishCommand("D:3");
    EXPECT_EQ("D:1", readCommand());
    EXPECT_EQ("D:3", readCommand());
    EXPECT_EQ("", readCommand());
    EXPECT_EQ(1U, test::take<ReleaseEvent>(mailbox).connection);
    EXPECT_FALSE(mailbox.take(EventQueue::Signal));
}

TEST_F(UiMailboxTest, FullQueue_DropsWhatComes_ButNeverASignal) {
    for (std::size_t i = 0; i < UiMailbox::QUEUE_LIMIT; ++i)
        ASSERT_TRUE(publishCommand("D:" + std::to_string(i)));
    EXPECT_FALSE(publishCommand("dropped"));
    EXPECT_EQ(UiMailbox::QUEUE_LIMIT, notifier.wakes().size());
    for (ConnectionId id = 1; id <= 2 * UiMailbox::QUEUE_LIMIT; ++id) ASSERT_TRUE(mailbox.publishDeparture(id));
    EXPECT_TRUE(mailbox.publishStatus(PHONE, "other queues take events still"));
    EXPECT_EQ("D:0", readCommand());
    // Taking one makes room for one more.
    EXPECT_TRUE(publishCommand("again"));
}

TEST_F(UiMailboxTest, Texts_AreKeptByteForByte) {
    const std::string withZero("a\0b\xff", 4);
    mailbox.publishRequest(PHONE, 3, withZero);
    const RequestEvent request = test::take<RequestEvent>(mailbox);
    EXPECT_EQ(withZero, request.name);
    EXPECT_EQ(3U, request.number);
}

}  // namespace
}  // namespace vork
