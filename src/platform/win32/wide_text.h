// Texts between the system's wide characters and Vork's narrow ones.
#pragma once

#include <windows.h>

#include <string>

namespace vork::win32 {

// A text in `codePage` (UTF-8 unless told) as the system's wide text.
std::wstring wideOf(const std::string& text, UINT codePage = CP_UTF8);

// A wide text of the system as UTF-8.
std::string utf8Of(const wchar_t* text);

}  // namespace vork::win32
