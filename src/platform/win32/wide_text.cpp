#include "platform/win32/wide_text.h"

namespace vork::win32 {

std::wstring wideOf(const std::string& text, UINT codePage) {
    const int size = MultiByteToWideChar(codePage, 0, text.c_str(), -1, nullptr, 0);
    std::wstring out(static_cast<std::size_t>(size > 0 ? size - 1 : 0), L'\0');
    if (size > 1) MultiByteToWideChar(codePage, 0, text.c_str(), -1, out.data(), size);
    return out;
}

std::string utf8Of(const wchar_t* text) {
    if (!text || !*text) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) return {};
    std::string out(static_cast<std::size_t>(size - 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
    return out;
}

}  // namespace vork::win32
