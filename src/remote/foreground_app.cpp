#include "remote/foreground_app.h"

#include <string>

#include "text/fragment_search.h"

namespace vork {

ForegroundApp detectForegroundApp(WindowManager& windows, SystemServices& system) {
    const WindowHandle foreground = windows.foregroundWindow();
    // With no foreground window every class that has no window would "match".
    if (foreground.isNull()) return ForegroundApp::None;

    const std::string title = windows.windowText(foreground, TITLE_BUFFER_SIZE);
    for (const TitleTest& test : TITLE_TESTS) {
        if (!containsFragment(title, test.fragment, system)) continue;
        if (!test.alsoRequired.empty() && !containsFragment(title, test.alsoRequired, system)) continue;
        return test.app;
    }

    // All look-ups first, then the comparisons.
    std::array<WindowHandle, CLASS_TESTS.size()> firstOfClass{};
    for (std::size_t i = 0; i < CLASS_TESTS.size(); ++i)
        firstOfClass[i] = windows.findWindow(std::string(CLASS_TESTS[i].className), std::nullopt);
    for (std::size_t i = 0; i < CLASS_TESTS.size(); ++i)
        if (firstOfClass[i] == foreground) return CLASS_TESTS[i].app;
    return ForegroundApp::None;
}

}  // namespace vork
