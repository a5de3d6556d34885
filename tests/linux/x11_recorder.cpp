// A plain X11 window that writes down what reaches it, for the end-to-end
// tests: each key press and release with its keysym as the server's map
// reads it (Shift applied) and the character it types, and each button.
//   vork-x11-recorder TITLE CLASS
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

namespace {

// The Unicode character a keysym types: Latin-1 keysyms are their code points, Unicode ones carry it.
unsigned long codePointOf(KeySym keysym) {
    if ((keysym >= 0x20 && keysym <= 0x7E) || (keysym >= 0xA0 && keysym <= 0xFF)) return keysym;
    if ((keysym & 0xFF000000UL) == 0x01000000UL) return keysym & 0x00FFFFFFUL;
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: vork-x11-recorder TITLE CLASS\n");
        return 64;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) return 1;
    const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 640, 400, 0, 0, 0xFFFFFF);
    XStoreName(display, window, argv[1]);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    XChangeProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False), utf8, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(argv[1]), static_cast<int>(std::string(argv[1]).size()));
    std::string instance = argv[2];
    XClassHint hint{instance.data(), argv[2]};
    XSetClassHint(display, window, &hint);
    XSelectInput(display, window, KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask | ExposureMask |
                                      FocusChangeMask);
    // Xlib reads the keyboard map only when it first needs it; toolkits (Qt,
    // GTK) read it at start and follow its changes from then on: so does this.
    XkbKeycodeToKeysym(display, 8, 0, 0);
    XMapRaised(display, window);
    XFlush(display);
    bool ready = false;
    const bool times = std::getenv("VORK_RECORDER_TIMES") != nullptr;
    for (;;) {
        XEvent event;
        XNextEvent(display, &event);
        // The keyboard map may change under the keys (a character put on a spare key): read it again.
        if (event.type == MappingNotify) XRefreshKeyboardMapping(&event.xmapping);
        if (event.type == Expose && !ready) {
            XSetInputFocus(display, window, RevertToParent, CurrentTime);
            ready = true;
            std::printf("READY\n");
        }
        if (event.type == KeyPress || event.type == KeyRelease) {
            char text[16];
            KeySym keysym = NoSymbol;
            XLookupString(&event.xkey, text, sizeof text, &keysym, nullptr);
            const char* name = XKeysymToString(keysym);
            std::printf("%s %s U+%04lX", event.type == KeyPress ? "KEYDOWN" : "KEYUP", name ? name : "none",
                        codePointOf(keysym));
            if (times) {
                timespec now{};
                clock_gettime(CLOCK_MONOTONIC, &now);
                std::printf(" %lld", static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
            }
            std::printf("\n");
        }
        if (event.type == ButtonPress || event.type == ButtonRelease)
            std::printf("BUTTON %u %s\n", event.xbutton.button, event.type == ButtonPress ? "down" : "up");
        std::fflush(stdout);
    }
}
