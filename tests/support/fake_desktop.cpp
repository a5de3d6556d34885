#include "fake_desktop.h"

#include <algorithm>

#include "text/ascii_case.h"

namespace vork::test {

namespace {

std::string truncated(const std::string& text, std::size_t bufferSize) {
    if (bufferSize == 0) return {};
    return text.substr(0, bufferSize - 1);
}


}  // namespace

WindowHandle FakeDesktop::addWindow(std::string title, std::string className) {
    const WindowHandle handle{nextHandle_++};
    windows.push_back(FakeWindow{handle, std::move(title), std::move(className)});
    return handle;
}

FakeWindow* FakeDesktop::window(WindowHandle handle) {
    const auto found = std::find_if(windows.begin(), windows.end(),
                                    [handle](const FakeWindow& w) { return w.handle == handle; });
    return found == windows.end() ? nullptr : &*found;
}

void FakeDesktop::clear() {
    windows.clear();
    foreground_ = WindowHandle{};
    findWindowCalls = enumerateCalls = windowsVisited = 0;
}

std::string FakeDesktop::windowText(WindowHandle handle, std::size_t bufferSize) {
    if (failLookups) return {};
    const FakeWindow* found = window(handle);
    return found ? truncated(found->title, bufferSize) : std::string();
}

std::string FakeDesktop::className(WindowHandle handle, std::size_t bufferSize) {
    if (failLookups) return {};
    const FakeWindow* found = window(handle);
    return found ? truncated(found->className, bufferSize) : std::string();
}

std::string FakeDesktop::programFileName(WindowHandle handle) {
    ++programLookups;
    if (failLookups) return {};
    const FakeWindow* found = window(handle);
    return found ? found->program : std::string();
}

WindowHandle FakeDesktop::findWindow(const std::optional<std::string>& className,
                                     const std::optional<std::string>& title) {
    ++findWindowCalls;
    if (failLookups) return {};
    // Like the platform: class names and titles compare without regard to case.
    for (const FakeWindow& w : windows) {
        if (className && !equalIgnoringAsciiCase(w.className, *className)) continue;
        if (title && !equalIgnoringAsciiCase(w.title, *title)) continue;
        return w.handle;
    }
    return {};
}

void FakeDesktop::enumerateWindows(const std::function<bool(WindowHandle)>& visit) {
    ++enumerateCalls;
    if (failLookups) return;
    // By position and handle: a visit may add windows, which this walk leaves out.
    const std::size_t count = windows.size();
    for (std::size_t i = 0; i < count && i < windows.size(); ++i) {
        ++windowsVisited;
        if (!visit(windows[i].handle)) return;
    }
}

void FakeDesktop::activate(WindowHandle handle) {
    if (!log_.quiet) log_.push_back("activate " + hex(static_cast<unsigned>(handle.value)));
    foreground_ = handle;
    if (FakeWindow* w = window(handle)) {
        w->minimised = false;
        w->visible = true;
    }
}

}  // namespace vork::test
