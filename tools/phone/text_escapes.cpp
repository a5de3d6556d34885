#include "text_escapes.h"

#include <cstdio>

namespace vork::phone {

std::string visible(std::string_view bytes) {
    std::string text;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '\n': text += "\\n"; break;
        case '\r': text += "\\r"; break;
        case '\t': text += "\\t"; break;
        case '\0': text += "\\0"; break;
        case '\\': text += "\\\\"; break;
        default:
            if (byte < 0x20 || byte >= 0x7F) {
                char escape[8];
                std::snprintf(escape, sizeof escape, "\\x%02X", byte);
                text += escape;
            } else {
                text += c;
            }
        }
    }
    return text;
}

namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::optional<std::string> unescape(std::string_view text) {
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            bytes += text[i];
            continue;
        }
        if (++i >= text.size()) return std::nullopt;
        switch (text[i]) {
        case 'n': bytes += '\n'; break;
        case 'r': bytes += '\r'; break;
        case 't': bytes += '\t'; break;
        case '0': bytes += '\0'; break;
        case '\\': bytes += '\\'; break;
        case 'x': {
            if (i + 2 >= text.size()) return std::nullopt;
            const int high = hexDigit(text[i + 1]);
            const int low = hexDigit(text[i + 2]);
            if (high < 0 || low < 0) return std::nullopt;
            bytes += static_cast<char>(high * 16 + low);
            i += 2;
            break;
        }
        default: return std::nullopt;
        }
    }
    return bytes;
}

}  // namespace vork::phone
