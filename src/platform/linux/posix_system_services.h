// Pauses and UTF-8 characters; an X desktop has no speaker of its own to sound.
#pragma once

#include "platform/system_services.h"

namespace vork::linux_x11 {

class PosixSystemServices final : public SystemServices {
public:
    void sleep(std::uint32_t milliseconds) override;
    // The pause the tone would have taken, so that what follows keeps its time.
    void beep(std::uint32_t frequencyHz, std::uint32_t durationMs) override;
    // Text here is UTF-8.
    std::size_t characterBytes(std::string_view text) override;
};

}  // namespace vork::linux_x11
