// The browser remote's page, built into the program as resources.
#pragma once

#include <vector>

#include "web/page_routes.h"

namespace vork::win32 {

// Views into the program's own image: valid while the program runs.
std::vector<PageFile> pageResources();

}  // namespace vork::win32
