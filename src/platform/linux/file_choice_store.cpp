#include "platform/linux/file_choice_store.h"

#include <fstream>
#include <sstream>

#include "platform/linux/owner_only_file.h"

namespace vork::linux_x11 {

std::optional<bool> FileChoiceStore::readFlag(std::string_view name) {
    std::ifstream file(path_);
    std::string line;
    while (std::getline(file, line)) {
        if (line.size() != name.size() + 2 || line.compare(0, name.size(), name) != 0 || line[name.size()] != '=')
            continue;
        if (line.back() == '1') return true;
        if (line.back() == '0') return false;
    }
    return std::nullopt;
}

bool FileChoiceStore::writeFlag(std::string_view name, bool value) {
    std::ifstream file(path_);
    std::ostringstream kept;
    std::string line;
    while (std::getline(file, line))
        if (!(line.starts_with(name) && line.size() > name.size() && line[name.size()] == '=')) kept << line << '\n';
    kept << name << '=' << (value ? '1' : '0') << '\n';
    return replaceFile(path_, kept.str());
}

}  // namespace vork::linux_x11
