// Says when a window of the given title is shown, from the X server's own
// notices rather than by asking again and again (a poll's own start-up
// would be most of a fast program's time). Prints READY once it listens,
// SHOWN when a viewable window has the title; ends with 1 after the limit.
//   vork-window-watch TITLE [LIMIT_MS]
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <poll.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string textProperty(Display* display, Window window, Atom name) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    std::string text;
    if (XGetWindowProperty(display, window, name, 0, 1024, False, AnyPropertyType, &type, &format, &count, &after,
                           &data) == Success &&
        data && format == 8)
        text.assign(reinterpret_cast<const char*>(data), count);
    if (data) XFree(data);
    return text;
}

bool shownWithTitle(Display* display, Window window, const std::string& title, Atom netName) {
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes) || attributes.map_state != IsViewable) return false;
    return textProperty(display, window, netName) == title || textProperty(display, window, XA_WM_NAME) == title;
}

// The mapped window itself, or a client the window manager framed in it
// (a frame may hold the client a level or two down).
bool holdsTitle(Display* display, Window window, const std::string& title, Atom netName, int depth = 3) {
    if (shownWithTitle(display, window, title, netName)) return true;
    if (depth == 0) return false;
    Window root = None;
    Window parent = None;
    Window* children = nullptr;
    unsigned count = 0;
    bool found = false;
    if (XQueryTree(display, window, &root, &parent, &children, &count))
        for (unsigned i = 0; i < count && !found; ++i)
            found = holdsTitle(display, children[i], title, netName, depth - 1);
    if (children) XFree(children);
    return found;
}

int ignoreErrors(Display*, XErrorEvent*) { return 0; }  // a window may go while it is looked at

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 64;
    const std::string title = argv[1];
    const auto limit = std::chrono::milliseconds(argc > 2 ? std::atoi(argv[2]) : 20000);
    Display* display = XOpenDisplay(nullptr);
    if (!display) return 1;
    XSetErrorHandler(ignoreErrors);
    const Atom netName = XInternAtom(display, "_NET_WM_NAME", False);
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    XSync(display, False);
    std::printf("READY\n");
    std::fflush(stdout);
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == MapNotify && holdsTitle(display, event.xmap.window, title, netName)) {
                std::printf("SHOWN\n");
                std::fflush(stdout);
                return 0;
            }
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return 1;
        pollfd connection{ConnectionNumber(display), POLLIN, 0};
        poll(&connection, 1, static_cast<int>(left.count()));
    }
}
