#include "app/tray_texts.h"

namespace vork {

std::string trayTip(DialogMode mode, std::string_view name) {
    const std::string who(name);
    switch (mode) {
    case ConnectedMode: return who.empty() ? "Vork \u2013 Connected" : "Vork \u2013 Connected: " + who;
    case RequestMode: return "Vork \u2013 " + who + " wants to connect";
    case IdleMode: return "Vork \u2013 waiting for a phone";
    }
    return "Vork";
}

std::string requestNotification(std::string_view name) {
    return std::string(name) + " wants to connect \u2013 open Vork to accept or decline";
}

}  // namespace vork
