#include "app/linux/desktop_integration.h"

#include <unistd.h>

#include <QProcess>
#include <QStringList>

#include <filesystem>
#include <fstream>
#include <system_error>

#include "platform/linux/owner_only_file.h"
#include "platform/linux/xdg_paths.h"

namespace vork::linux_x11 {

namespace {

std::optional<std::string> autostartEntry() {
    const auto folder = autostartFolder();
    return folder ? std::optional(*folder + "/vork.desktop") : std::nullopt;
}

std::string thisProgram() {
    std::error_code error;
    const auto path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string("vork") : path.string();
}

}  // namespace

bool XdgDesktopShell::openUrl(const std::string& url) {
    return QProcess::startDetached("xdg-open", {QString::fromStdString(url)});
}

bool XdgDesktopShell::openForEditing(const std::string& file, std::string_view starter) {
    std::error_code error;
    if (!std::filesystem::exists(file, error) && !replaceFile(file, starter)) return false;
    return QProcess::startDetached("xdg-open", {QString::fromStdString(file)});
}

bool startsAtSignIn() {
    const auto entry = autostartEntry();
    std::error_code error;
    return entry && std::filesystem::exists(*entry, error);
}

bool setStartAtSignIn(bool start) {
    const auto entry = autostartEntry();
    if (!entry) return false;
    if (!start) {
        std::error_code error;
        std::filesystem::remove(*entry, error);
        return !error;
    }
    const std::string text = "[Desktop Entry]\nType=Application\nName=Vork\nComment=Your phone as a remote control\n"
                             "Exec=\"" + thisProgram() + "\" --minimized\nIcon=vork\nX-GNOME-Autostart-enabled=true\n";
    return replaceFile(*entry, text);
}

std::vector<std::string> ownHostNames() {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') return {};
    return {name, std::string(name) + ".local"};
}

}  // namespace vork::linux_x11
