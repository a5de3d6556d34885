#include "bluetooth/message_framing.h"

#include <gtest/gtest.h>

#include "listener_harness.h"

namespace vork {
namespace {

using Chunks = std::vector<std::string>;
using Messages = std::vector<std::string>;

Messages frame(const Chunks& chunks, bool* lineMode = nullptr) {
    MessageFraming framing;
    Messages messages;
    for (const std::string& chunk : chunks) framing.receive(chunk, messages);
    if (lineMode) *lineMode = framing.lineMode();
    return messages;
}

TEST(MessageFraming, CutsEachConnectionAsItsFirstEndingSays) {
    const std::string limit(1024, 'x');
    struct Case {
        const char* what;
        Chunks chunks;
        Messages messages;
        bool lineMode;
    };
    const std::vector<Case> cases = {
        {"one receive, one message", {"D:1", "D:2"}, {"D:1", "D:2"}, false},
        {"no ending: joined texts stay one", {"LOGIN:1PD:1"}, {"LOGIN:1PD:1"}, false},
        {"zero byte without ending", {std::string("D:1\0x", 5)}, {"D:1"}, false},
        {"switched by CR LF", {"D:1\r\n"}, {"D:1"}, true},
        {"switched by LF", {"D:1\n"}, {"D:1"}, true},
        {"switched by CR", {"D:1\r"}, {"D:1"}, true},
        {"earlier receives keep their framing", {"D:5", "D:1\nD:2"}, {"D:5", "D:1"}, true},
        {"several lines in one receive", {"LOGIN:1P\r\nD:1\r\nD:2\r\n"}, {"LOGIN:1P", "D:1", "D:2"}, true},
        {"before any ending each receive is a message", {"LOG", "IN:1P", "ixel\r\n"}, {"LOG", "IN:1P", "ixel"}, true},
        {"a line after the switch spans receives", {"\n", "LOG", "IN:1P", "ixel\r", "\n"}, {"LOGIN:1Pixel"}, true},
        {"CR LF split across receives is one ending", {"D:1\r", "\nD:2\r", "\n"}, {"D:1", "D:2"}, true},
        {"empty lines dropped", {"\r\n\r\n\n\rD:1\n\n"}, {"D:1"}, true},
        {"all line endings", {"\r\r\n\n\r"}, {}, true},
        {"LF CR is two endings of empty lines", {"D:1\n\rD:2\n"}, {"D:1", "D:2"}, true},
        {"zero byte cuts a line", {std::string("D:1\0tail\nD:2\n", 13)}, {"D:1", "D:2"}, true},
        {"a line that starts with zero is the empty text", {std::string("\0x\n", 3)}, {""}, true},
        {"a line of exactly the limit", {"\n" + limit + "\n"}, {limit}, true},
        {"an over-long line is cut, its rest dropped", {"\n" + limit + "yyyy", "zz\nD:1\n"}, {limit, "D:1"}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        bool lineMode = false;
        EXPECT_EQ(c.messages, frame(c.chunks, &lineMode));
        EXPECT_EQ(c.lineMode, lineMode);
    }
}

class LineModeListener : public ::testing::Test, protected test::ListenerHarness {};

TEST_F(LineModeListener, LoginRepliesKeepTheirBytes_EchoesEndInCrLf_EachLineAnswered) {
    sockets.connections.push_back(
        test::ScriptedConnection{"A", {"\r\nLOG", "IN:1Pixel\r", "\nD:1\r\nD:R\r\nS\r\n", "login:1x\n"}});
    sleeper.onPause = [this](std::size_t index) {
        if (index == 1) answerShownRequest(Accepted);
    };
    listener.runCycle();
    EXPECT_EQ((std::vector<std::string>{"LOGIN OK\n\r", "D:1\r\n", "D:R\r\n", "S\r\n", "login:1x\r\n"}),
              sockets.replies());
    ASSERT_TRUE(listener.protocol().trustedPhone());
    EXPECT_EQ("Pixel", listener.protocol().trustedPhone()->name);
    std::vector<std::string> commands;
    for (EventQueue message : notifier.wakes())
        if (message == EventQueue::Command) commands.push_back(test::take<CommandEvent>(mailbox).command);
    EXPECT_EQ((std::vector<std::string>{"D:1", "D:R", "S", "login:1x"}), commands);

    // A phone that never sends an ending gets exactly the old bytes.
    sockets.connections.push_back(test::ScriptedConnection{"A", {"LOGIN:1Pixel", "D:1", ""}});
    listener.runCycle();
    const std::vector<std::string> replies = sockets.replies();
    EXPECT_EQ((std::vector<std::string>{"LOGIN OK\n\r", "D:1"}), std::vector<std::string>(replies.end() - 2, replies.end()));
}

}  // namespace
}  // namespace vork
