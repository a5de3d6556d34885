// The user's own programs that Vork hands things to: the browser for an
// address, the editor for a file.
#pragma once

#include <string>
#include <string_view>

#include "platform/non_copyable.h"

namespace vork {

class DesktopShell : public Interface {
public:
    // False when no browser took it.
    virtual bool openUrl(const std::string& url) = 0;
    // The file is first made (with its folder, and `starter` as its text)
    // when it does not exist; false when it cannot be made or opened.
    virtual bool openForEditing(const std::string& file, std::string_view starter) = 0;
};

}  // namespace vork
