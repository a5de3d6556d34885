#include "text/fragment_search.h"

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
    EXPECT_TRUE(containsFragment("Movie - VLC media player", " - VLC", system));
    EXPECT_FALSE(containsFragment("Movie - vlc media player", " - VLC", system));
    EXPECT_TRUE(containsFragment("abc", "", system));
    EXPECT_FALSE(containsFragment("", "a", system));
    EXPECT_FALSE(containsFragment("ab", "abc", system));
    EXPECT_TRUE(containsFragment("xx\x81" "Ab", "Ab", system));
}

TEST_F(AnsiTextTest, AnsiContains_NeverStartsOnTrailByte_OnDoubleByteCodePage) {
    system.leadBytes = {0x81};
    // "\x81" "A" is one character whose trail byte is 'A'.
    EXPECT_FALSE(containsFragment("\x81" "Ab", "Ab", system));
    EXPECT_TRUE(containsFragment("\x81" "AAb", "Ab", system));
    EXPECT_TRUE(containsFragment("x\x81" "A", "\x81" "A", system));
    // A lead byte at the very end stands alone.
    EXPECT_TRUE(containsFragment("ab\x81", "\x81", system));
}

}  // namespace
}  // namespace vork
