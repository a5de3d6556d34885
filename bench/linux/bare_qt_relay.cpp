// The latency reference of a Qt program's shape: a shown Qt window whose
// thread presses and releases the space bar through XTest for each message
// of a phone's socket. The socket is read on a thread of its own, which hands
// each message to the window's thread as a queued call, as Vork's link
// thread does; with --direct the window's thread reads it itself, woken by a
// socket notifier: Qt's event loop alone, without the hand-over.
//   vork-bare-qt-relay PORT [--direct]
#include <QApplication>
#include <QSocketNotifier>
#include <QWidget>
// Xlib's macros (Bool, Status) must come after Qt's headers.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "phone_socket.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc < 2) return 64;
    const bool direct = argc > 2 && std::strcmp(argv[2], "--direct") == 0;
    Display* display = XOpenDisplay(nullptr);
    if (!display) return 1;
    const KeyCode space = XKeysymToKeycode(display, XK_space);
    const auto pressSpace = [display, space] {
        XTestFakeKeyEvent(display, space, True, CurrentTime);
        XTestFakeKeyEvent(display, space, False, CurrentTime);
        XFlush(display);
    };
    QWidget window;
    window.setWindowTitle("Bare Qt relay");
    window.resize(200, 80);
    window.show();

    const int phone = acceptPhone(static_cast<unsigned short>(std::atoi(argv[1])));
    if (phone < 0) return 1;
    char buffer[256];

    std::thread reader;
    QSocketNotifier readable(phone, QSocketNotifier::Read);
    readable.setEnabled(direct);
    if (direct) {
        QObject::connect(&readable, &QSocketNotifier::activated, &window, [&] {
            if (recv(phone, buffer, sizeof buffer, 0) > 0)
                pressSpace();
            else
                QApplication::quit();
        });
    } else {
        reader = std::thread([&] {
            while (recv(phone, buffer, sizeof buffer, 0) > 0)
                QMetaObject::invokeMethod(&window, pressSpace, Qt::QueuedConnection);
            QMetaObject::invokeMethod(
                &application, [] { QApplication::quit(); }, Qt::QueuedConnection);
        });
    }
    const int status = application.exec();
    if (reader.joinable()) reader.join();
    XCloseDisplay(display);
    return status;
}
