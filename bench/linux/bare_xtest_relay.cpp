// The latency reference: a bare program that reads a phone's socket and, for
// each message, presses and releases the space bar through XTest. With
// --hop the socket is read on a thread of its own, which wakes the injecting
// thread through an eventfd, as a program with a link thread and a window
// thread must: the cost of that hand-over alone.
//   vork-bare-xtest-relay PORT [--hop]
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "phone_socket.h"

namespace {

void pressSpace(Display* display, KeyCode space) {
    XTestFakeKeyEvent(display, space, True, CurrentTime);
    XTestFakeKeyEvent(display, space, False, CurrentTime);
    XFlush(display);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 64;
    const bool hop = argc > 2 && std::strcmp(argv[2], "--hop") == 0;
    Display* display = XOpenDisplay(nullptr);
    if (!display) return 1;
    const KeyCode space = XKeysymToKeycode(display, XK_space);
    const int phone = acceptPhone(static_cast<unsigned short>(std::atoi(argv[1])));
    if (phone < 0) return 1;
    char buffer[256];
    if (!hop) {
        while (recv(phone, buffer, sizeof buffer, 0) > 0) pressSpace(display, space);
    } else {
        const int wake = eventfd(0, 0);
        std::atomic<bool> ended{false};
        std::thread reader([phone, wake, &buffer, &ended] {
            const std::uint64_t one = 1;
            while (recv(phone, buffer, sizeof buffer, 0) > 0)
                if (write(wake, &one, sizeof one) != sizeof one) break;
            ended = true;
            if (write(wake, &one, sizeof one) != sizeof one) std::abort();
        });
        std::uint64_t count = 0;
        while (!ended && read(wake, &count, sizeof count) == sizeof count)
            for (; count > 0 && !ended; --count) pressSpace(display, space);
        reader.join();
    }
    XCloseDisplay(display);
}
