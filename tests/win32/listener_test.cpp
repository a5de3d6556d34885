// The listener over the real Winsock Bluetooth implementation: under Wine the
// RFCOMM socket cannot be created, which is the program's "no Bluetooth" path.
#include "bluetooth/phone_listener.h"

#include <winsock2.h>
#include <ws2bth.h>
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/win32/win32_handles.h"
#include "platform/win32/win32_window_manager.h"
#include "platform/win32/window_notifier.h"
#include "platform/win32/winsock_serial_service.h"
#include "platform/win32/winsock_sockets.h"
#include "test_window.h"

namespace vork {
namespace {

int bluetoothSocketError() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    const SOCKET socket = ::socket(AF_BTH, SOCK_STREAM, BTHPROTO_RFCOMM);
    const int error = socket == INVALID_SOCKET ? WSAGetLastError() : 0;
    if (socket != INVALID_SOCKET) closesocket(socket);
    WSACleanup();
    return error;
}

TEST(ListenerOnWine, NoBluetooth_ShowsTheSocketErrorAndSearchesAgain) {
    const int error = bluetoothSocketError();
    ASSERT_NE(0, error) << "this machine has Bluetooth; the no-Bluetooth path cannot be shown";

    test::TestWindow window("Listener status target");
    win32::Win32WindowManager windows;
    win32::WindowNotifier notifier(window.handle());
    auto mailbox = std::make_shared<UiMailbox>(notifier);
    auto state = std::make_shared<ConnectionState>();
    ListenerThread thread(std::make_unique<win32::WinsockSerialService>(std::make_unique<win32::BluetoothSockets>()),
                          mailbox, state);
    const DWORD start = GetTickCount();
    ASSERT_TRUE(thread.start());

    std::vector<std::string> statuses;
    std::vector<DWORD> times;
    std::size_t seen = 0;
    window.pumpUntil(
        [&] {
            for (; seen < window.received().size(); ++seen) {
                const auto& received = window.received()[seen];
                if (received.message != win32::WM_LINK_WAKE || received.wParam != static_cast<WPARAM>(EventQueue::Status))
                    continue;
                const std::optional<LinkEvent> status = mailbox->take(EventQueue::Status);
                statuses.push_back(status ? std::get<StatusEvent>(*status).text : "");
                times.push_back(GetTickCount() - start);
            }
            return statuses.size() >= 3;
        },
        15000);
    EXPECT_TRUE(thread.stop());

    const std::string cannot = "Cannot find bluetooth (1 #" + std::to_string(error) + ")";
    ASSERT_EQ((std::vector<std::string>{"Searching for bluetooth device..", cannot, "Searching for bluetooth device.."}),
              statuses);
    EXPECT_GE(times[1] - times[0], 1900U) << "2 s search pause";
    EXPECT_GE(times[2] - times[1], 2900U) << "3 s failure pause";
}

TEST(LoopbackOnWine, NoOtherProgramCanBindTheListeningPort) {
    constexpr std::uint16_t PORT = 5197;
    win32::LoopbackSockets sockets(PORT);
    ASSERT_TRUE(sockets.startup());
    const auto listening = sockets.createSocket();
    ASSERT_TRUE(listening);
    ASSERT_TRUE(sockets.bindAnyChannel(*listening));
    ASSERT_TRUE(sockets.listen(*listening, win32::LISTEN_BACKLOG));
    BOOL exclusive = FALSE;
    int length = sizeof exclusive;
    ASSERT_EQ(0, getsockopt(static_cast<SOCKET>(*listening), SOL_SOCKET, SO_EXCLUSIVEADDRUSE,
                            reinterpret_cast<char*>(&exclusive), &length));
    EXPECT_TRUE(exclusive);

    // Another program asks to share the address, as SO_REUSEADDR allows.
    const SOCKET intruder = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    const BOOL reuse = TRUE;
    setsockopt(intruder, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&reuse), sizeof reuse);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(PORT);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_NE(0, bind(intruder, reinterpret_cast<sockaddr*>(&address), sizeof address));
    closesocket(intruder);
    sockets.close(*listening);
    sockets.cleanup();
}

}  // namespace
}  // namespace vork
