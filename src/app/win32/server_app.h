// The program's life: its options, one copy at a time, the settings file,
// the main window, then the end.
#pragma once

#include "app/command_line.h"
#include "app/win32/main_dialog.h"

namespace vork::win32 {

class ServerApp {
public:
    explicit ServerApp(SocketsFactory makeSockets) : makeSockets_(std::move(makeSockets)) {}
    // The whole program; its exit code.
    int run(const CommandLine& options);

private:
    SocketsFactory makeSockets_;
};

}  // namespace vork::win32
