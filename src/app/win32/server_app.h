// The program's life: one copy at a time, the main window, then the end.
#pragma once

#include "app/win32/main_dialog.h"

namespace vork::win32 {

class ServerApp {
public:
    explicit ServerApp(SocketsFactory makeSockets) : makeSockets_(std::move(makeSockets)) {}
    // The whole program; false: no message loop follows, the program ends.
    bool start();

private:
    SocketsFactory makeSockets_;
};

}  // namespace vork::win32
