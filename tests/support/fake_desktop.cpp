#include "fake_desktop.h"

#include <algorithm>
#include <cctype>

namespace vork::test {

namespace {

std::string truncated(const std::string& text, std::size_t bufferSize) {
    if (bufferSize == 0) return {};
    return text.substr(0, bufferSize - 1);
}

bool equalsIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
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
        if (className && !equalsIgnoringCase(w.className, *className)) continue;
        if (title && !equalsIgnoringCase(w.title, *title)) continue;
        return w.handle;
    }
    return {};
}

void FakeDesktop::enumerateWindows(const std::function<bool(WindowHandle)>& visit) {
    ++enumerateCalls;
    if (failLookups) return;
    const std::vector<FakeWindow> snapshot = windows;
    for (const FakeWindow& w : snapshot) {
        ++windowsVisited;
        if (!visit(w.handle)) return;
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
