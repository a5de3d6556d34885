// What the notification-area icon says: its tooltip for each of the window's
// modes, and the notification of a request. UTF-8.
#pragma once

#include <string>
#include <string_view>

#include "app/window_view.h"

namespace vork {

// "Vork – Connected: Pixel 7", "Vork – Pixel 7 wants to connect", "Vork – waiting for a phone".
std::string trayTip(DialogMode mode, std::string_view name);
// "Pixel 7 wants to connect – open Vork to accept or decline".
std::string requestNotification(std::string_view name);

}  // namespace vork
