#include "input/key_sender.h"

#include <gtest/gtest.h>

#include <random>

#include "fake_desktop.h"
#include "input/key_codes.h"
#include "fake_input.h"
#include "fake_system.h"

namespace vork {
namespace {

using test::EventLog;

std::string scanOf(unsigned vk) { return test::hex(test::usScanCode(static_cast<std::uint8_t>(vk))); }
std::string down(unsigned vk) { return "down " + test::hex(vk) + " scan " + scanOf(vk); }
std::string downExt(unsigned vk) { return down(vk) + " ext"; }
std::string up(unsigned vk) { return "up " + test::hex(vk) + " scan " + scanOf(vk); }
std::string upExt(unsigned vk) { return up(vk) + " ext"; }
// A plain key press as send makes it: the key-up always carries the extended flag.
EventLog tap(unsigned vk) { return {down(vk), upExt(vk)}; }
EventLog tapExt(unsigned vk) { return {downExt(vk), upExt(vk)}; }

EventLog join(std::initializer_list<EventLog> parts) {
    EventLog all;
    for (const EventLog& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

constexpr unsigned SHIFT = 0x10, CTRL = 0x11, ALT = 0x12, LWIN = 0x5B, ENTER = 0x0D;
constexpr unsigned LEFT = 0x25, UP = 0x26, F1 = 0x70, KEY_A = 0x41, KEY_B = 0x42, KEY_C = 0x43;

class KeySenderTest : public ::testing::Test {
protected:
    EventLog log;
    test::FakeDesktop desktop{log};
    test::FakeInput input{log};
    test::FakeSystem system{log};
    AppActivator activator{desktop, system};
    KeySender sender{input, system, activator};
};

struct SendCase {
    std::string text;
    EventLog expected;
};

void PrintTo(const SendCase& c, std::ostream* os) { *os << '"' << c.text << '"'; }

class KeySenderSequence : public KeySenderTest, public ::testing::WithParamInterface<SendCase> {};

TEST_P(KeySenderSequence, Send_InjectsExactlyTheseEvents) {
    EXPECT_TRUE(sender.send(GetParam().text, false));
    EXPECT_EQ(GetParam().expected, log);
    EXPECT_TRUE(input.keysDown.empty());
}

INSTANTIATE_TEST_SUITE_P(Modifiers, KeySenderSequence, ::testing::Values(
    SendCase{"^{LEFT}", join({{down(CTRL)}, tapExt(LEFT), {up(CTRL)}})},
    SendCase{"%{ENTER}", join({{down(ALT)}, tap(ENTER), {up(ALT)}})},
    SendCase{"^a", join({{down(CTRL)}, tap(KEY_A), {up(CTRL)}})},
    SendCase{"@r", join({{down(LWIN)}, tap('R'), {up(LWIN)}})},
    SendCase{"+(ab)c", join({{down(SHIFT)}, tap(KEY_A), tap(KEY_B), {up(SHIFT)}, tap(KEY_C)})},
    SendCase{"+((a)b)", join({{down(SHIFT)}, tap(KEY_A), {up(SHIFT)}, tap(KEY_B)})},
    SendCase{"A", join({{down(SHIFT)}, tap(KEY_A), {up(SHIFT)}})},
    SendCase{"+A", join({{down(SHIFT), down(SHIFT)}, tap(KEY_A), {up(SHIFT), up(SHIFT)}})},
    SendCase{"++a", join({{down(SHIFT), down(SHIFT)}, tap(KEY_A), {up(SHIFT)}})},
    SendCase{"+", {down(SHIFT), up(SHIFT)}},
    SendCase{"^~x", join({{down(CTRL)}, tap(ENTER), {up(CTRL)}, tap('X')})},
    SendCase{"^{FOO}a", join({{down(CTRL)}, tap(KEY_A), {up(CTRL)}})},
    SendCase{"%(^{}a)", join({{down(ALT), down(CTRL)}, tap(KEY_A), {up(CTRL), up(ALT)}})}));

INSTANTIATE_TEST_SUITE_P(BraceGroups, KeySenderSequence, ::testing::Values(
    SendCase{"{UP}", tapExt(UP)},
    SendCase{"{LEFT 3}", join({tapExt(LEFT), tapExt(LEFT), tapExt(LEFT)})},
    SendCase{"{left}", tapExt(LEFT)},
    SendCase{"{F1}", tap(F1)},
    SendCase{"{F10}", tap(0x79)},
    SendCase{"{LEFT 0}", {}},
    SendCase{"{LEFT x}", {}},
    SendCase{"{LEFT }", {}},
    SendCase{"{LEFT 65536}", {}},
    SendCase{"{LEFT 65538}", join({tapExt(LEFT), tapExt(LEFT)})},
    SendCase{"{}", {}},
    SendCase{"{FOO}", {}},
    SendCase{"{PLUS}", join({{down(SHIFT)}, tap(0xBB), {up(SHIFT)}})},
    SendCase{"{PLUS 0}", {down(SHIFT), up(SHIFT)}},
    SendCase{"{TILDE}", join({{down(SHIFT)}, tap(0xC0), {up(SHIFT)}})},
    SendCase{"{DEL}{INS}{HOME}", join({tapExt(0x2E), tapExt(0x2D), tapExt(0x24)})},
    SendCase{"{LWIN}", tap(LWIN)},
    SendCase{"}", join({{down(SHIFT)}, tap(0xDD), {up(SHIFT)}})},
    SendCase{"ab{LEFT", join({tap(KEY_A), tap(KEY_B), tapExt(LEFT)})},
    SendCase{"{LEFT}}", join({tapExt(LEFT), {down(SHIFT)}, tap(0xDD), {up(SHIFT)}})},
    SendCase{"{VKEY 65}", tap(KEY_A)},
    SendCase{"{vkey 321}", join({{down(SHIFT)}, tap(KEY_A), {up(SHIFT)}})},
    SendCase{"{VKEY -1}", {}},
    SendCase{"{VKEY 131071}", {}},
    SendCase{"{BEEP 440 200}", {"beep 440 200"}},
    SendCase{"{BEEP 440}", {}},
    SendCase{"{BEEP}", {}},
    SendCase{"{BEEP 440 -1}", {}},
    SendCase{"", {}},
    SendCase{"{NUMLOCK}", {"down 0x90 scan 0x45 ext", "up 0x90 scan 0x45 ext"}},
    SendCase{"{NUMLOCK 2}", {"down 0x90 scan 0x45 ext", "up 0x90 scan 0x45 ext",
                             "down 0x90 scan 0x45 ext", "up 0x90 scan 0x45 ext"}}));

INSTANTIATE_TEST_SUITE_P(Delays, KeySenderSequence, ::testing::Values(
    SendCase{"{DELAY=100}ab", join({{"sleep 100"}, tap(KEY_A), {"sleep 100"}, tap(KEY_B)})},
    SendCase{"{DELAY 500}ab", join({{"sleep 500"}, tap(KEY_A), tap(KEY_B)})},
    SendCase{"{DELAY=100}{DELAY 0}a", join({{"sleep 100"}, tap(KEY_A)})},
    SendCase{"{DELAY=100}^a", join({{down(CTRL), "sleep 100"}, tap(KEY_A), {up(CTRL)}})},
    SendCase{"{DELAY=100}A", join({{down(SHIFT), "sleep 100"}, tap(KEY_A), {up(SHIFT)}})},
    SendCase{"{DELAY=100}~", tap(ENTER)},
    SendCase{"{DELAY=50}{LEFT 2}", join({{"sleep 50"}, tapExt(LEFT), {"sleep 50"}, tapExt(LEFT)})},
    SendCase{"{DELAY=-100}ab", join({tap(KEY_A), tap(KEY_B)})},
    SendCase{"{DELAY=100}{DELAY -5}a", join({{"sleep 100"}, tap(KEY_A)})}));

TEST_F(KeySenderTest, DefaultDelay_LastsIntoLaterCalls) {
    sender.send("{DELAY=100}", false);
    sender.send("a", false);
    EXPECT_EQ(join({{"sleep 100"}, tap(KEY_A)}), log);
}

TEST_F(KeySenderTest, PumpMessages_FollowsEveryKeyEventButNumLock) {
    sender.send("a{NUMLOCK}", true);
    EXPECT_EQ((EventLog{down(KEY_A), "pump", upExt(KEY_A), "pump", "down 0x90 scan 0x45 ext",
                        "up 0x90 scan 0x45 ext"}),
              log);
    log.clear();
    sender.send("a", false);
    EXPECT_EQ(tap(KEY_A), log);
}

TEST_F(KeySenderTest, GroupOf299Bytes_IsInterpreted_300IsRefused) {
    const std::string name299(299, 'x');
    EXPECT_TRUE(sender.send("{" + name299 + "}a", false));
    EXPECT_EQ(tap(KEY_A), log);

    log.clear();
    EXPECT_FALSE(sender.send("a{" + std::string(300, 'x') + "}b", false));
    EXPECT_EQ(tap(KEY_A), log);
    EXPECT_FALSE(sender.send("{" + std::string(300, 'x'), false)) << "an unclosed group counts to the end";
}

TEST_F(KeySenderTest, RefusedGroup_ReleasesHeldPrefixModifiers) {
    EXPECT_FALSE(sender.send("+^%@(a{" + std::string(400, 'x') + "}", false));
    EXPECT_EQ(join({{down(SHIFT), down(CTRL), down(ALT), down(LWIN)}, tap(KEY_A),
                    {up(SHIFT), up(CTRL), up(ALT), up(LWIN)}}),
              log);
    EXPECT_TRUE(input.keysDown.empty());
}

TEST_F(KeySenderTest, CharacterTheLayoutCannotType_IsSkipped_AndReleasesPrefixes) {
    input.layoutOverride['q'] = NO_KEY;
    sender.send("^qa", false);
    EXPECT_EQ(join({{down(CTRL), up(CTRL)}, tap(KEY_A)}), log);
    log.clear();
    input.layoutOverride['+'] = NO_KEY;
    sender.send("{PLUS}", false);
    EXPECT_TRUE(log.empty());
}

TEST_F(KeySenderTest, AppActivate_BringsTheWindowToTheFront) {
    const WindowHandle notepad = desktop.addWindow("Untitled - Notepad", "Notepad");
    desktop.addWindow("Other");
    EXPECT_TRUE(sender.send("{APPACTIVATE Untitled - Notepad}", false));
    EXPECT_EQ(notepad, desktop.foregroundWindow());
    EXPECT_EQ(0, desktop.enumerateCalls);
}

TEST_F(KeySenderTest, AppActivate_WithNoTitle_LooksNothingUp) {
    desktop.addWindow("");
    sender.send("{APPACTIVATE}{APPACTIVATE }{appactivate }", false);
    EXPECT_EQ(0, desktop.findWindowCalls);
    EXPECT_EQ(0, desktop.enumerateCalls);
    EXPECT_TRUE(log.empty());
}

TEST(ReadNumber, ReadsLikeTheCLibrary) {
    EXPECT_EQ(42, readNumber(" \t42"));
    EXPECT_EQ(-7, readNumber("-7x"));
    EXPECT_EQ(3, readNumber("+3"));
    EXPECT_EQ(0, readNumber("x1"));
    EXPECT_EQ(0, readNumber(""));
    EXPECT_EQ(0, readNumber("- 1"));
    EXPECT_EQ(2147483647, readNumber("99999999999999999999"));
    EXPECT_EQ(-2147483647 - 1, readNumber("-99999999999999999999"));
}

TEST_F(KeySenderTest, GeneratedStrings_NeverLeaveAKeyDown) {
    static const std::vector<std::string> pieces = {
        "+", "^", "%", "@", "(", ")", "~", "{", "}", "a", "A", "1", " ", "{LEFT}", "{PLUS 2}",
        "{VKEY 321}", "{NUMLOCK}", "{DELAY 1}", "{DELAY=-3}", "{FOO}", "{LEFT 3}", "{BEEP 1 1}",
        "{APPACTIVATE x}", std::string(1, '\0'), "\xff", "\x81", "{", "{{", "}}", "{RIGHTPAREN}",
        "{" + std::string(310, 'z') + "}",
    };
    std::mt19937 random(20261208);
    std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1);
    std::uniform_int_distribution<int> length(0, 12);
    for (int round = 0; round < 10'000; ++round) {
        std::string text;
        for (int i = length(random); i > 0; --i) text += pieces[pick(random)];
        sender.send(text, round % 2 == 0);
        ASSERT_TRUE(input.keysDown.empty()) << "after \"" << text << "\"";
        log.clear();
    }
}

}  // namespace
}  // namespace vork
