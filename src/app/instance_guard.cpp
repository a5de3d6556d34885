#include "app/instance_guard.h"

namespace vork {

std::string_view applicationName(std::string_view executablePath) {
    const std::size_t slash = executablePath.find_last_of("\\/");
    std::string_view name = slash == std::string_view::npos ? executablePath : executablePath.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    if (dot != std::string_view::npos && dot > 0) name = name.substr(0, dot);
    return name;
}

}  // namespace vork
