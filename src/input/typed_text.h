// Text typed on the phone, as it travels: UTF-8 on the link, UTF-16 code
// units into the window (a character outside the basic plane as its two
// halves), line breaks as the Enter key.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vork {

struct TypedText {
    std::u16string units;
    std::size_t characters = 0;  // code points
};

// None when the text is not well-formed UTF-8 (a cut or overlong sequence, a
// surrogate, a value past U+10FFFF), or holds a control character other than
// tab and line breaks. A CR LF pair counts, and is typed, as one line break.
std::optional<TypedText> decodeTypedText(std::string_view utf8);

}  // namespace vork
