// Choices the user made in Vork's own windows (the browser remote's switch),
// kept for the next start: under HKCU\Software\Vork on Windows.
#pragma once

#include <optional>
#include <string_view>

#include "platform/non_copyable.h"

namespace vork {

class ChoiceStore : public Interface {
public:
    // None when the choice was never made (or cannot be read).
    virtual std::optional<bool> readFlag(std::string_view name) = 0;
    virtual bool writeFlag(std::string_view name, bool value) = 0;
};

}  // namespace vork
