// What Vork asks of the Windows shell and of the user's profile: where its
// files live, opening an address in the default browser or a file in the
// user's editor, the computer's own names, and the start at sign-in.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/desktop_shell.h"

namespace vork::win32 {

// %APPDATA%\Vork\NAME; none without an APPDATA folder.
std::optional<std::string> profileFile(const std::string& name);

// The address in the user's default browser.
bool openInBrowser(const std::string& url);
// The file in the user's editor; it is first made (with its folder, and
// `starter` as its text) when it does not exist.
bool openForEditing(const std::string& file, std::string_view starter);

// The PC's NetBIOS name, its DNS host name and its full DNS name.
std::vector<std::string> ownComputerNames();

// The default browser and the user's editor, as the application asks for them.
class Win32DesktopShell final : public DesktopShell {
public:
    bool openUrl(const std::string& url) override { return openInBrowser(url); }
    bool openForEditing(const std::string& file, std::string_view starter) override {
        return win32::openForEditing(file, starter);
    }
};

// The value under HKCU's Run key that the installer writes too.
bool startsAtSignIn();
bool setStartAtSignIn(bool start);

}  // namespace vork::win32
