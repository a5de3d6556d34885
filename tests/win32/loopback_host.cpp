// A stand-in for the window around the loopback listener, for end-to-end
// tests of the link before the program: it shows nothing and decides at once,
// accepting phones whose name starts with "ok" and declining the others.
//   loopback_host.exe PORT
#include <windows.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "bluetooth/phone_listener.h"
#include "platform/win32/win32_handles.h"
#include "platform/win32/window_notifier.h"
#include "platform/win32/winsock_serial_service.h"
#include "platform/win32/winsock_sockets.h"

namespace {

std::shared_ptr<vork::UiMailbox> mailbox;
std::shared_ptr<vork::ConnectionState> state;

LRESULT CALLBACK hostProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != vork::win32::WM_LINK_WAKE) return DefWindowProcA(window, message, wParam, lParam);
    const std::optional<vork::LinkEvent> event = mailbox->take(static_cast<vork::EventQueue>(wParam));
    const auto* request = event ? std::get_if<vork::RequestEvent>(&*event) : nullptr;
    if (request)
        state->answer(request->number, request->name.rfind("ok", 0) == 0 ? vork::Accepted : vork::Rejected,
                      GetTickCount64());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const int port = argc > 1 ? std::atoi(argv[1]) : 5150;
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = hostProcedure;
    windowClass.lpszClassName = "VorkLoopbackHost";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, "VorkLoopbackHost", "Vork loopback host", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  nullptr, nullptr);
    mailbox = std::make_shared<vork::UiMailbox>(std::make_shared<vork::win32::WindowNotifier>(window));
    state = std::make_shared<vork::ConnectionState>();
    vork::ListenerThread listener(std::make_unique<vork::win32::WinsockSerialService>(
                                      std::make_unique<vork::win32::LoopbackSockets>(static_cast<std::uint16_t>(port))),
                                  mailbox, state);
    listener.start();
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
    return 0;
}
