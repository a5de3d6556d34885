// Only one copy of the program runs: the named mutex it holds from start-up
// until its window has closed.
#pragma once

#include <string_view>

#include "platform/non_copyable.h"

namespace vork {

inline constexpr std::string_view INSTANCE_MUTEX_NAME = "VORKTALPUMutex";
inline constexpr std::string_view ALREADY_RUNNING_TEXT = "VORK instance already running.";

// The caption of the program's message boxes: the executable's file name
// without its folder and extension.
std::string_view applicationName(std::string_view executablePath);

}  // namespace vork
