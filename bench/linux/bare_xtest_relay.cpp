// The latency reference: a bare program that reads a phone's socket and, for
// each message, presses and releases the space bar through XTest.
//   vork-bare-xtest-relay PORT
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc < 2) return 64;
    Display* display = XOpenDisplay(nullptr);
    if (!display) return 1;
    const KeyCode space = XKeysymToKeycode(display, XK_space);
    const int listening = socket(AF_INET, SOCK_STREAM, 0);
    const int reuse = 1;
    setsockopt(listening, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<unsigned short>(std::atoi(argv[1])));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(listening, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(listening, 1) != 0) return 1;
    std::printf("READY\n");
    std::fflush(stdout);
    const int phone = accept(listening, nullptr, nullptr);
    char buffer[256];
    while (recv(phone, buffer, sizeof buffer, 0) > 0) {
        XTestFakeKeyEvent(display, space, True, CurrentTime);
        XTestFakeKeyEvent(display, space, False, CurrentTime);
        XFlush(display);
    }
    XCloseDisplay(display);
}
