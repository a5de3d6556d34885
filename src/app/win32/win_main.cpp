// Vork's entry point. The loopback build listens on TCP instead of offering
// a Bluetooth service, for tests and the demo.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/win32/server_app.h"
#include "platform/win32/winsock_sockets.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    const std::vector<std::string> arguments(__argv + 1, __argv + __argc);
    vork::win32::ServerApp app([]() -> std::unique_ptr<vork::win32::WinsockCalls> {
#ifdef VORK_LOOPBACK_PORT
        return std::make_unique<vork::win32::LoopbackSockets>(static_cast<std::uint16_t>(VORK_LOOPBACK_PORT));
#else
        return std::make_unique<vork::win32::BluetoothSockets>();
#endif
    });
    return app.run(vork::parseCommandLine(arguments));
}
