#include "platform/ansi_text.h"

#include <gtest/gtest.h>

#include "fake_system.h"

namespace vork {
namespace {

class AnsiTextTest : public ::testing::Test {
protected:
    test::EventLog log;
    test::FakeSystem system{log};
};

TEST_F(AnsiTextTest, AnsiContains_MatchesCaseSensitively_OnSingleByteCodePage) {
    EXPECT_TRUE(ansiContains("Movie - VLC media player", " - VLC", system));
    EXPECT_FALSE(ansiContains("Movie - vlc media player", " - VLC", system));
    EXPECT_TRUE(ansiContains("abc", "", system));
    EXPECT_FALSE(ansiContains("", "a", system));
    EXPECT_FALSE(ansiContains("ab", "abc", system));
    EXPECT_TRUE(ansiContains("xx\x81" "Ab", "Ab", system));
}

TEST_F(AnsiTextTest, AnsiContains_NeverStartsOnTrailByte_OnDoubleByteCodePage) {
    system.leadBytes = {0x81};
    // "\x81" "A" is one character whose trail byte is 'A'.
    EXPECT_FALSE(ansiContains("\x81" "Ab", "Ab", system));
    EXPECT_TRUE(ansiContains("\x81" "AAb", "Ab", system));
    EXPECT_TRUE(ansiContains("x\x81" "A", "\x81" "A", system));
    // A lead byte at the very end stands alone.
    EXPECT_TRUE(ansiContains("ab\x81", "\x81", system));
}

}  // namespace
}  // namespace vork
