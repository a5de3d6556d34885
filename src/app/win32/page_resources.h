// The browser remote's page and the Connect page, built into the program as resources.
#pragma once

#include <vector>

#include "web/web_server.h"

namespace vork::win32 {

// Views into the program's own image: valid while the program runs.
WebPages pageResources();

}  // namespace vork::win32
