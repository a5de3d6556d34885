#include "input/app_activator.h"

#include "text/fragment_search.h"

namespace vork {

namespace {

std::optional<std::string> nonEmpty(const std::optional<std::string>& text) {
    return (text && !text->empty()) ? text : std::nullopt;
}

}  // namespace

bool AppActivator::activate(const std::optional<std::string>& title,
                            const std::optional<std::string>& className) {
    const auto titleFragment = nonEmpty(title);
    const auto classFragment = nonEmpty(className);
    // Looking up empty text would match windows that have no title at all.
    if ((title || className) && !titleFragment && !classFragment) return false;

    if (const WindowHandle exact = windows_.findWindow(classFragment, titleFragment); !exact.isNull())
        return bringToFront(exact);
    if (!titleFragment && !classFragment) return false;

    WindowHandle match;
    windows_.enumerateWindows([&](WindowHandle window) {
        if (!matches(window, titleFragment, classFragment)) return true;
        match = window;
        return false;
    });
    return !match.isNull() && bringToFront(match);
}

bool AppActivator::matches(WindowHandle window, const std::optional<std::string>& title,
                           const std::optional<std::string>& className) {
    if (className) {
        const std::string windowClass = windows_.className(window, TEXT_BUFFER_SIZE);
        if (!windowClass.empty() && containsFragment(windowClass, *className, system_)) return true;
    }
    if (title) {
        const std::string windowTitle = windows_.windowText(window, TEXT_BUFFER_SIZE);
        if (!windowTitle.empty() && containsFragment(windowTitle, *title, system_)) return true;
    }
    return false;
}

bool AppActivator::bringToFront(WindowHandle window) {
    if (window.isNull()) return false;
    windows_.activate(window);
    return true;
}

}  // namespace vork
