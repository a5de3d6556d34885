#include "app/win32/shell.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <memory>

#include "platform/win32/wide_text.h"

namespace vork::win32 {

namespace {

constexpr const char* RUN_KEY = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* RUN_VALUE = "Vork";

// "text" in quotes; built by appending (g++ 12 warns falsely on "\"" + text + "\"").
std::string quoted(std::string_view text) {
    std::string out(1, '"');
    out.append(text).push_back('"');
    return out;
}

std::string thisProgram() {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::string(path, length) : std::string();
}

}  // namespace

std::optional<std::string> profileFile(const std::string& name) {
    char appData[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableA("APPDATA", appData, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::nullopt;
    return std::string(appData) + "\\Vork\\" + name;
}

bool openInBrowser(const std::string& url) {
    // ShellExecute's result above 32 means it started something.
    return reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open", wideOf(url).c_str(), nullptr, nullptr,
                                                   SW_SHOWNORMAL)) > 32;
}

bool openForEditing(const std::string& file, std::string_view starter) {
    if (GetFileAttributesA(file.c_str()) == INVALID_FILE_ATTRIBUTES) {
        const std::size_t slash = file.find_last_of('\\');
        if (slash != std::string::npos) CreateDirectoryA(file.substr(0, slash).c_str(), nullptr);
        struct CloseFile {
            void operator()(std::FILE* stream) const { std::fclose(stream); }
        };
        const std::unique_ptr<std::FILE, CloseFile> stream(std::fopen(file.c_str(), "wb"));
        if (!stream || std::fwrite(starter.data(), 1, starter.size(), stream.get()) != starter.size()) return false;
    }
    // A .toml file has no program of its own on most PCs: Notepad then.
    if (reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, "open", file.c_str(), nullptr, nullptr, SW_SHOWNORMAL)) > 32)
        return true;
    return reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, "open", "notepad.exe", quoted(file).c_str(), nullptr,
                                                   SW_SHOWNORMAL)) > 32;
}

std::vector<std::string> ownComputerNames() {
    std::vector<std::string> names;
    for (const COMPUTER_NAME_FORMAT format : {ComputerNameNetBIOS, ComputerNameDnsHostname, ComputerNameDnsFullyQualified}) {
        char name[256] = {};
        DWORD size = sizeof name;
        if (GetComputerNameExA(format, name, &size) && size > 0) names.emplace_back(name, size);
    }
    return names;
}

bool startsAtSignIn() {
    DWORD size = 0;
    return RegGetValueA(HKEY_CURRENT_USER, RUN_KEY, RUN_VALUE, RRF_RT_REG_SZ, nullptr, nullptr, &size) == ERROR_SUCCESS;
}

bool setStartAtSignIn(bool start) {
    if (!start) {
        const LSTATUS result = RegDeleteKeyValueA(HKEY_CURRENT_USER, RUN_KEY, RUN_VALUE);
        return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
    }
    // As the installer writes it: this program, minimised.
    const std::string command = quoted(thisProgram()) + " --minimized";
    return RegSetKeyValueA(HKEY_CURRENT_USER, RUN_KEY, RUN_VALUE, REG_SZ, command.c_str(),
                           static_cast<DWORD>(command.size() + 1)) == ERROR_SUCCESS;
}

}  // namespace vork::win32
