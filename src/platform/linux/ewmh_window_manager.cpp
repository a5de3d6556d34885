#include "platform/linux/ewmh_window_manager.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "text/ascii_case.h"

namespace vork::linux_x11 {

namespace {

// An X error (a window that closed meanwhile) is an empty answer, not the end of the program.
int ignoreError(Display*, XErrorEvent*) { return 0; }

std::string truncated(std::string text, std::size_t bufferSize) {
    if (bufferSize == 0) return {};
    if (text.size() > bufferSize - 1) text.resize(bufferSize - 1);
    return text;
}

Window windowOf(WindowHandle handle) { return static_cast<Window>(handle.value); }

}  // namespace

EwmhWindowManager::EwmhWindowManager() : display_(openDisplay()) {
    if (!display_) return;
    XSetErrorHandler(&ignoreError);
    // The window manager's changes to the client list and the active window come as events.
    XSelectInput(display_.get(), DefaultRootWindow(display_.get()), PropertyChangeMask);
}

void EwmhWindowManager::followRoot() {
    if (!display_) return;
    // Only what has already arrived: no round trip.
    while (XPending(display_.get()) > 0) {
        XEvent event;
        XNextEvent(display_.get(), &event);
        if (event.type != PropertyNotify) continue;
        const Atom changed = event.xproperty.atom;
        if (changed == atom("_NET_CLIENT_LIST")) clientsKnown_ = false;
        if (changed == atom("_NET_ACTIVE_WINDOW")) activeKnown_ = false;
        if (changed == atom("_NET_WM_NAME") || changed == XA_WM_NAME) titles_.erase(event.xproperty.window);
        if (changed == XA_WM_CLASS) classes_.erase(event.xproperty.window);
        if (changed == atom("_NET_WM_PID")) programs_.erase(event.xproperty.window);
    }
}

void EwmhWindowManager::catchUp() {
    constexpr auto CATCH_UP_INTERVAL = std::chrono::milliseconds(1);
    const auto now = std::chrono::steady_clock::now();
    if (now - caughtUpAt_ < CATCH_UP_INTERVAL) return;
    caughtUpAt_ = now;
    followRoot();
}

const std::vector<Window>& EwmhWindowManager::clients() {
    catchUp();
    if (!clientsKnown_) {
        clients_ = windowList(atom("_NET_CLIENT_LIST"));
        clientsKnown_ = true;
        const auto gone = [this](const auto& known) {
            return std::find(clients_.begin(), clients_.end(), known.first) == clients_.end();
        };
        std::erase_if(classes_, gone);
        std::erase_if(titles_, gone);
        std::erase_if(programs_, gone);
    }
    return clients_;
}

Atom EwmhWindowManager::atom(const char* name) { return XInternAtom(display_.get(), name, False); }

std::optional<std::vector<unsigned char>> EwmhWindowManager::property(Window window, Atom name, Atom type, int format) {
    Atom actualType = None;
    int actualFormat = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display_.get(), window, name, 0, 1 << 16, False, type, &actualType, &actualFormat, &count,
                           &remaining, &data) != Success)
        return std::nullopt;
    const XData<unsigned char> owned(data);
    if (!data || actualFormat != format || (type != AnyPropertyType && actualType != type)) return std::nullopt;
    // Format 32 comes as longs, whatever their size.
    const std::size_t unit = format == 32 ? sizeof(long) : static_cast<std::size_t>(format / 8);
    return std::vector<unsigned char>(data, data + count * unit);
}

std::vector<Window> EwmhWindowManager::windowList(Atom name) {
    std::vector<Window> windows;
    if (!display_) return windows;
    const auto data = property(DefaultRootWindow(display_.get()), name, XA_WINDOW, 32);
    if (!data) return windows;
    windows.resize(data->size() / sizeof(long));
    for (std::size_t i = 0; i < windows.size(); ++i) {
        long value = 0;
        std::memcpy(&value, data->data() + i * sizeof(long), sizeof value);
        windows[i] = static_cast<Window>(value);
    }
    return windows;
}

WindowHandle EwmhWindowManager::foregroundWindow() {
    if (!display_) return {};
    catchUp();
    if (!activeKnown_) {
        const std::vector<Window> active = windowList(atom("_NET_ACTIVE_WINDOW"));
        active_ = active.empty() ? None : active.front();
        activeKnown_ = true;
    }
    return WindowHandle{static_cast<std::uintptr_t>(active_)};
}

std::string EwmhWindowManager::windowText(WindowHandle window, std::size_t bufferSize) {
    if (!display_ || window.isNull()) return {};
    catchUp();
    if (const auto known = titles_.find(windowOf(window)); known != titles_.end())
        return truncated(known->second, bufferSize);
    // Watched before it is read, so that a change after the reading is heard of.
    XSelectInput(display_.get(), windowOf(window), PropertyChangeMask);
    std::string title;
    if (const auto name = property(windowOf(window), atom("_NET_WM_NAME"), atom("UTF8_STRING"), 8)) {
        title.assign(name->begin(), name->end());
    } else if (const auto old = property(windowOf(window), XA_WM_NAME, AnyPropertyType, 8)) {
        title.assign(old->begin(), old->end());  // old clients name themselves in WM_NAME alone
    }
    // Only a client's is kept: the client list's change forgets it when the window goes.
    const std::vector<Window>& known = clients();
    if (std::find(known.begin(), known.end(), windowOf(window)) != known.end()) titles_[windowOf(window)] = title;
    return truncated(title, bufferSize);
}

std::string EwmhWindowManager::className(WindowHandle window, std::size_t bufferSize) {
    if (!display_ || window.isNull()) return {};
    if (const auto known = classes_.find(windowOf(window)); known != classes_.end())
        return truncated(known->second, bufferSize);
    XClassHint hint{};
    if (XGetClassHint(display_.get(), windowOf(window), &hint) == 0) return {};
    const XData<char> instance(hint.res_name);
    const XData<char> windowClass(hint.res_class);
    const std::string name = windowClass ? windowClass.get() : "";
    classes_[windowOf(window)] = name;
    return truncated(name, bufferSize);
}

std::string EwmhWindowManager::programFileName(WindowHandle window) {
    if (!display_ || window.isNull()) return {};
    if (const auto known = programs_.find(windowOf(window)); known != programs_.end()) return known->second;
    XSelectInput(display_.get(), windowOf(window), PropertyChangeMask);
    std::string program = readProgramFileName(windowOf(window));
    // No answer is kept too, so a window without a PID costs one round trip,
    // not one a key; a PID set later is heard of.
    const std::vector<Window>& known = clients();
    if (std::find(known.begin(), known.end(), windowOf(window)) != known.end()) programs_[windowOf(window)] = program;
    return program;
}

std::string EwmhWindowManager::readProgramFileName(Window window) {
    const auto pid = property(window, atom("_NET_WM_PID"), XA_CARDINAL, 32);
    if (!pid || pid->size() < sizeof(long)) return {};
    long value = 0;
    std::memcpy(&value, pid->data(), sizeof value);
    std::error_code error;
    const auto program = std::filesystem::read_symlink("/proc/" + std::to_string(value) + "/exe", error);
    return error ? std::string() : program.filename().string();
}

WindowHandle EwmhWindowManager::findWindow(const std::optional<std::string>& wantedClass,
                                           const std::optional<std::string>& title) {
    if (!display_) return {};
    for (const Window window : clients()) {
        const WindowHandle handle{static_cast<std::uintptr_t>(window)};
        if (wantedClass && !equalIgnoringAsciiCase(className(handle, 256), *wantedClass)) continue;
        if (title && !equalIgnoringAsciiCase(windowText(handle, 512), *title)) continue;
        return handle;
    }
    return {};
}

void EwmhWindowManager::enumerateWindows(const std::function<bool(WindowHandle)>& visit) {
    std::vector<Window> windows = windowList(atom("_NET_CLIENT_LIST_STACKING"));
    std::reverse(windows.begin(), windows.end());
    for (const Window window : windows)
        if (!visit(WindowHandle{static_cast<std::uintptr_t>(window)})) return;
}

void EwmhWindowManager::activate(WindowHandle window) {
    if (!display_ || window.isNull()) return;
    // The window manager restores, raises and focuses it; a pager's request (2) is obeyed at once.
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = windowOf(window);
    event.xclient.message_type = atom("_NET_ACTIVE_WINDOW");
    event.xclient.format = 32;
    event.xclient.data.l[0] = 2;
    event.xclient.data.l[1] = CurrentTime;
    XMapRaised(display_.get(), windowOf(window));
    XSendEvent(display_.get(), DefaultRootWindow(display_.get()), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XFlush(display_.get());
}

}  // namespace vork::linux_x11
