// Pauses, the speaker, and how the system's text splits into characters.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/non_copyable.h"

namespace vork {

class SystemServices : public Interface {
public:
    virtual void sleep(std::uint32_t milliseconds) = 0;
    // Sounds the speaker, if there is one; returns when the sound has ended.
    virtual void beep(std::uint32_t frequencyHz, std::uint32_t durationMs) = 0;
    // The bytes of the character that `text` starts with in the system's
    // text encoding (at least 1, at most text.size()); 0 for empty text.
    virtual std::size_t characterBytes(std::string_view text) = 0;
};

}  // namespace vork
