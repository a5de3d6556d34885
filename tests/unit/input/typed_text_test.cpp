// Typed text from UTF-8 on the link to UTF-16 code units for the window.
#include <gtest/gtest.h>

#include "config/settings_file.h"
#include "input/typed_text.h"
#include "remote/action_table.h"
#include "remote/key_labels.h"
#include "remote/remote_controller.h"
#include "simulated_desktop.h"
#include "web/page_keys.h"

namespace vork {
namespace {
TEST(TypedText, IsUtf8ToUtf16_WithLineBreaksAsOne_AndAnythingElseRefused) {
    struct Case {
        std::string utf8;
        std::optional<std::u16string> units;
        std::size_t characters = 0;
    };
    const std::vector<Case> cases = {
        {"", u"", 0},
        {"h\xC3\xA9llo", u"h\u00E9llo", 5},
        {"\xE2\x9C\x93 \xF0\x9F\x98\x80", u"\u2713 \xD83D\xDE00", 3},  // outside the basic plane: two halves
        {"a\r\nb\rc\n\td", u"a\nb\nc\n\td", 8},
        {"\xF4\x8F\xBF\xBF", u"\xDBFF\xDFFF", 1},                      // U+10FFFF, the last there is
        {"\xC3", std::nullopt},                                        // cut short
        {"\xC0\xAF", std::nullopt},                                    // overlong "/"
        {"\xED\xA0\x80", std::nullopt},                                // a surrogate on its own
        {"\xF4\x90\x80\x80", std::nullopt},                            // past U+10FFFF
        {"a\x01", std::nullopt},
        {"\x1B[2J", std::nullopt},
        {"\x7F", std::nullopt},
        {"\xC2\x85", std::nullopt},  // a C1 control
        {std::string("a\0b", 3), std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.utf8));
        const std::optional<TypedText> text = decodeTypedText(c.utf8);
        ASSERT_EQ(c.units.has_value(), text.has_value());
        if (!text) continue;
        EXPECT_EQ(*c.units, text->units);
        EXPECT_EQ(c.characters, text->characters);
    }
}

}  // namespace
}  // namespace vork
