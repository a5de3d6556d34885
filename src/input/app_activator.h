// Brings a top-level window to the front, found by its exact title or class,
// or else by a fragment of either.
#pragma once

#include <optional>
#include <string>

#include "platform/system_services.h"
#include "platform/window_manager.h"

namespace vork {

class AppActivator {
public:
    static constexpr std::size_t TEXT_BUFFER_SIZE = 300;

    AppActivator(WindowManager& windows, SystemServices& system) : windows_(windows), system_(system) {}

    // True when a window was found and activated. An empty argument counts as
    // absent; a call that gives only empty text activates nothing.
    bool activate(const std::optional<std::string>& title, const std::optional<std::string>& className);
    bool bringToFront(WindowHandle window);

private:
    [[nodiscard]] bool matches(WindowHandle window, const std::optional<std::string>& title,
                               const std::optional<std::string>& className);

    WindowManager& windows_;
    SystemServices& system_;
};

}  // namespace vork
