#include "link/ui_mailbox.h"

#include <gtest/gtest.h>

#include <tuple>

#include "recording_notifier.h"

namespace vork {
namespace {

constexpr LinkOrigin PHONE{LinkKind::Bluetooth, 3};

class UiMailboxTest : public ::testing::Test {
protected:
    bool publishCommand(std::string_view text) { return mailbox.publishCommand(PHONE, text); }
    std::string readCommand() { return mailbox.readCommand().text; }

    test::RecordingNotifier notifier;
    UiMailbox mailbox{notifier};
};

TEST_F(UiMailboxTest, EachPublish_PostsItsOwnMessage_AndTheUnqueuedOnesCarryTheirMeaning) {
    mailbox.publishStatus(PHONE, "s");
    mailbox.publishNotice("n");
    mailbox.publishRequest(PHONE, 7, "r");
    publishCommand("c");
    mailbox.publishRelease(3);
    mailbox.publishDeparture(4);
    mailbox.publishWithdrawn(7);
    mailbox.publishWebServer(WebServerState::Retrying, 8642);
    const std::vector<std::tuple<unsigned, std::uintptr_t, std::intptr_t>> expected = {
        {1124, 0, 0}, {1125, 0, 0}, {1126, 0, 0}, {1127, 0, 0}, {1128, 3, 0},
        {1128, 4, LINK_DEPARTED}, {1130, 7, 0}, {1131, static_cast<std::uintptr_t>(WebServerState::Retrying), 8642}};
    std::vector<std::tuple<unsigned, std::uintptr_t, std::intptr_t>> posted;
    for (const test::Posted& entry : notifier.posted()) posted.emplace_back(entry.message, entry.wParam, entry.lParam);
    EXPECT_EQ(expected, posted);
}

TEST_F(UiMailboxTest, EveryEntry_KeepsItsOrigin_AndNoticesTheirKind) {
    mailbox.publishStatus(PHONE, "s");
    mailbox.publishWarning("w");
    mailbox.publishNotice("n");
    mailbox.publishWebInput({WebInput::Kind::Beat, {}, 1, 2, 9});
    const LinkText status = mailbox.readStatus();
    EXPECT_EQ(PHONE, status.origin);
    EXPECT_TRUE(mailbox.readNotice().warning);
    EXPECT_FALSE(mailbox.readNotice().warning);
    const WebInput input = mailbox.readWebInput();
    EXPECT_EQ(WebInput::Kind::Beat, input.kind);
    EXPECT_EQ(9U, input.page);
    EXPECT_EQ(2, input.dy);
}

TEST_F(UiMailboxTest, TwoQuickCommands_AreReadInOrder_NotTheSecondTwice) {
    publishCommand("D:E");
    publishCommand("D:C");
    ASSERT_EQ(2U, notifier.messages().size());
    EXPECT_EQ("D:E", readCommand());
    EXPECT_EQ("D:C", readCommand());
    EXPECT_EQ("", readCommand());
}

TEST_F(UiMailboxTest, Slots_AreIndependentQueues) {
    mailbox.publishStatus(PHONE, "Searching for bluetooth device..");
    publishCommand("D:1");
    mailbox.publishStatus(PHONE, "Waiting for phone to connect");
    EXPECT_EQ("D:1", readCommand());
    EXPECT_EQ("Searching for bluetooth device..", mailbox.readStatus().text);
    EXPECT_EQ("Waiting for phone to connect", mailbox.readStatus().text);
    EXPECT_EQ("", mailbox.readNotice().text);
    EXPECT_EQ(0U, mailbox.readRequest().number);
}

TEST_F(UiMailboxTest, FailedPost_RemovesTheEntryItAppended) {
    publishCommand("D:1");
    notifier.failPosts = true;
    EXPECT_FALSE(publishCommand("D:2"));
    notifier.failPosts = false;
    publishCommand("D:3");
    EXPECT_EQ("D:1", readCommand());
    EXPECT_EQ("D:3", readCommand());
    EXPECT_EQ("", readCommand());
}

TEST_F(UiMailboxTest, FullQueue_DropsThePublish_WithoutPosting) {
    for (std::size_t i = 0; i < UiMailbox::QUEUE_LIMIT; ++i)
        ASSERT_TRUE(publishCommand("D:" + std::to_string(i)));
    EXPECT_FALSE(publishCommand("dropped"));
    EXPECT_EQ(UiMailbox::QUEUE_LIMIT, notifier.messages().size());
    EXPECT_EQ("D:0", readCommand());
    // Taking one makes room for one more.
    EXPECT_TRUE(publishCommand("again"));
}

TEST_F(UiMailboxTest, Texts_AreKeptByteForByte) {
    const std::string withZero("a\0b\xff", 4);
    mailbox.publishRequest(PHONE, 3, withZero);
    const PhoneRequest request = mailbox.readRequest();
    EXPECT_EQ(withZero, request.name);
    EXPECT_EQ(3U, request.number);
}

}  // namespace
}  // namespace vork
