#include "link/ui_mailbox.h"

#include <gtest/gtest.h>

#include "recording_notifier.h"

namespace vork {
namespace {

class UiMailboxTest : public ::testing::Test {
protected:
    test::RecordingNotifier notifier;
    UiMailbox mailbox{notifier};
};

TEST_F(UiMailboxTest, EachPublish_PostsItsOwnMessage_WithTheSlotsNumber) {
    mailbox.publishStatus("s");
    mailbox.publishNotice("n");
    mailbox.publishRequest(7, "r");
    mailbox.publishCommand("c");
    mailbox.publishDisconnected();
    EXPECT_EQ((std::vector<unsigned>{1124, 1125, 1126, 1127, 1128}), notifier.messages());
}

TEST_F(UiMailboxTest, TwoQuickCommands_AreReadInOrder_NotTheSecondTwice) {
    mailbox.publishCommand("D:E");
    mailbox.publishCommand("D:C");
    ASSERT_EQ(2U, notifier.messages().size());
    EXPECT_EQ("D:E", mailbox.readCommand());
    EXPECT_EQ("D:C", mailbox.readCommand());
    EXPECT_EQ("", mailbox.readCommand());
}

TEST_F(UiMailboxTest, Slots_AreIndependentQueues) {
    mailbox.publishStatus("Searching for bluetooth device..");
    mailbox.publishCommand("D:1");
    mailbox.publishStatus("Waiting for phone to connect");
    EXPECT_EQ("D:1", mailbox.readCommand());
    EXPECT_EQ("Searching for bluetooth device..", mailbox.readStatus());
    EXPECT_EQ("Waiting for phone to connect", mailbox.readStatus());
    EXPECT_EQ("", mailbox.readNotice());
    EXPECT_EQ(0U, mailbox.readRequest().number);
}

TEST_F(UiMailboxTest, FailedPost_RemovesTheEntryItAppended) {
    mailbox.publishCommand("D:1");
    notifier.failPosts = true;
    EXPECT_FALSE(mailbox.publishCommand("D:2"));
    notifier.failPosts = false;
    mailbox.publishCommand("D:3");
    EXPECT_EQ("D:1", mailbox.readCommand());
    EXPECT_EQ("D:3", mailbox.readCommand());
    EXPECT_EQ("", mailbox.readCommand());
}

TEST_F(UiMailboxTest, FullQueue_DropsThePublish_WithoutPosting) {
    for (std::size_t i = 0; i < UiMailbox::QUEUE_LIMIT; ++i)
        ASSERT_TRUE(mailbox.publishCommand("D:" + std::to_string(i)));
    EXPECT_FALSE(mailbox.publishCommand("dropped"));
    EXPECT_EQ(UiMailbox::QUEUE_LIMIT, notifier.messages().size());
    EXPECT_EQ("D:0", mailbox.readCommand());
    // Taking one makes room for one more.
    EXPECT_TRUE(mailbox.publishCommand("again"));
}

TEST_F(UiMailboxTest, Texts_AreKeptByteForByte) {
    const std::string withZero("a\0b\xff", 4);
    mailbox.publishRequest(3, withZero);
    const PhoneRequest request = mailbox.readRequest();
    EXPECT_EQ(withZero, request.name);
    EXPECT_EQ(3U, request.number);
}

}  // namespace
}  // namespace vork
