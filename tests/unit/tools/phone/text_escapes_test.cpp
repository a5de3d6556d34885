#include "text_escapes.h"

#include <gtest/gtest.h>

namespace vork::phone {
namespace {

TEST(TextEscapes, Visible_ShowsControlAndHighBytes) {
    EXPECT_EQ("LOGIN OK\\n\\r", visible("LOGIN OK\n\r"));
    EXPECT_EQ("a\\0b\\x7F\\xFF\\\\", visible(std::string("a\0b\x7f\xff\\", 6)));
}

TEST(TextEscapes, Unescape_IsTheReverse_AndRejectsBrokenEscapes) {
    const std::string all("\n\r\t\0\\\x01\xfe plain", 13);
    EXPECT_EQ(all, unescape(visible(all)));
    EXPECT_EQ(std::string("LOGIN OK\n\r"), unescape("LOGIN OK\\n\\r"));
    EXPECT_FALSE(unescape("\\"));
    EXPECT_FALSE(unescape("\\x4"));
    EXPECT_FALSE(unescape("\\xZZ"));
    EXPECT_FALSE(unescape("\\q"));
}

}  // namespace
}  // namespace vork::phone
