// What Vork asks of a freedesktop session: the user's browser and editor
// (xdg-open), and the autostart entry behind "Start when I sign in".
#pragma once

#include <string>
#include <vector>

#include "platform/desktop_shell.h"

namespace vork::linux_x11 {

class XdgDesktopShell final : public DesktopShell {
public:
    bool openUrl(const std::string& url) override;
    bool openForEditing(const std::string& file, std::string_view starter) override;
};

bool startsAtSignIn();
// Writes or removes $XDG_CONFIG_HOME/autostart/vork.desktop (this program, --minimized).
bool setStartAtSignIn(bool start);

// The names others on the network may reach this PC by.
std::vector<std::string> ownHostNames();

}  // namespace vork::linux_x11
