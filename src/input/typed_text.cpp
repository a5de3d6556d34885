#include "input/typed_text.h"

#include <boost/locale/utf.hpp>

#include <iterator>

namespace vork {

namespace {

// The C0 and C1 controls (and DEL) would reach a window as commands, not text.
bool typeable(boost::locale::utf::code_point c) {
    return c == '\t' || c == '\n' || (c >= 0x20 && c < 0x7F) || c >= 0xA0;
}

}  // namespace

std::optional<TypedText> decodeTypedText(std::string_view utf8) {
    using Utf8 = boost::locale::utf::utf_traits<char>;
    using Utf16 = boost::locale::utf::utf_traits<char16_t>;
    TypedText text;
    text.units.reserve(utf8.size());
    const char* position = utf8.data();
    const char* const end = utf8.data() + utf8.size();
    while (position != end) {
        boost::locale::utf::code_point c = Utf8::decode(position, end);
        if (c == boost::locale::utf::illegal || c == boost::locale::utf::incomplete) return std::nullopt;
        if (c == '\r') {
            if (position != end && *position == '\n') ++position;
            c = '\n';
        }
        if (!typeable(c)) return std::nullopt;
        Utf16::encode(c, std::back_inserter(text.units));
        ++text.characters;
    }
    return text;
}

}  // namespace vork
