// UTF-16 back to UTF-8, for tests that compare what was typed with what was sent.
#pragma once

#include <boost/locale/encoding_utf.hpp>
#include <string>
#include <string_view>

namespace vork::test {

inline std::string utf8Of(std::u16string_view text) {
    return boost::locale::conv::utf_to_utf<char>(text.data(), text.data() + text.size());
}

}  // namespace vork::test
