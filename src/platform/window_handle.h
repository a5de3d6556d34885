// An opaque top-level window identifier, free of any platform header.
#pragma once

#include <cstdint>

namespace vork {

struct WindowHandle {
    std::uintptr_t value = 0;

    [[nodiscard]] constexpr bool isNull() const { return value == 0; }
    friend constexpr bool operator==(WindowHandle, WindowHandle) = default;
};

}  // namespace vork
