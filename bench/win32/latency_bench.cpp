// End-to-end latency under Wine. Plays the phone over TCP and, in the same
// process, a media player in front, so both times come from one clock:
//   latency_bench vork PORT COUNT   "D:1" to Vork: send -> the player's
//                                   WM_KEYDOWN, and send -> the echo reply
//   latency_bench echo PORT COUNT   the round trip to a bare echo server
// Prints one line per measure: NAME median p10 p90 (microseconds).
//   latency_bench player COUNT      only the player: prints "ready", then the
//                                   wall-clock time (microseconds since 1970)
//                                   of each of COUNT WM_KEYDOWNs (a typed
//                                   character's VK_PACKET too), for a sender
//                                   in another process on the same clock
#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

double nowMicroseconds() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1e6 / static_cast<double>(frequency.QuadPart);
}

double keyDownAt = 0;
bool keyUpSeen = false;

LRESULT CALLBACK playerProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_KEYDOWN && keyDownAt == 0) keyDownAt = nowMicroseconds();
    if (message == WM_KEYUP) keyUpSeen = true;
    return DefWindowProcA(window, message, wParam, lParam);
}

void pump() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

SOCKET connectTo(int port) {
    SOCKET link = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    for (int attempt = 0; attempt < 200; ++attempt) {
        if (connect(link, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
            const BOOL noDelay = TRUE;
            setsockopt(link, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof noDelay);
            return link;
        }
        Sleep(100);
    }
    return INVALID_SOCKET;
}

// Bytes available now (non-blocking), appended to reply.
void readAvailable(SOCKET link, std::string& reply) {
    u_long pending = 0;
    ioctlsocket(link, FIONREAD, &pending);
    if (pending == 0) return;
    char buffer[256];
    const int received = recv(link, buffer, sizeof buffer, 0);
    if (received > 0) reply.append(buffer, static_cast<std::size_t>(received));
}

void report(const char* name, std::vector<double> values) {
    if (values.empty()) return;
    std::sort(values.begin(), values.end());
    const auto at = [&](double q) { return values[static_cast<std::size_t>(q * static_cast<double>(values.size() - 1))]; };
    std::printf("%s %.1f %.1f %.1f\n", name, at(0.5), at(0.1), at(0.9));
}

HWND makePlayer();

int measureVork(int port, int count) {
    HWND player = makePlayer();

    const SOCKET link = connectTo(port);
    if (link == INVALID_SOCKET) return 2;
    const std::string login = "LOGIN:1LatencyBench";
    send(link, login.data(), static_cast<int>(login.size()), 0);
    std::string reply;
    for (int i = 0; i < 2000 && reply.size() < 10; ++i) {
        if (HWND vork = FindWindowA("#32770", "Pellandra v1.2"))  // the user accepts
            PostMessageA(vork, WM_COMMAND, MAKEWPARAM(1000, STN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(vork, 1000)));
        Sleep(10);
        readAvailable(link, reply);
    }
    if (reply != "LOGIN OK\n\r") return 3;
    SetForegroundWindow(player);
    SetFocus(player);

    std::vector<double> toKey, toReply;
    for (int i = 0; i < count + 20; ++i) {
        keyDownAt = 0;
        keyUpSeen = false;
        reply.clear();
        const double sentAt = nowMicroseconds();
        send(link, "D:1", 3, 0);
        double repliedAt = 0;
        while (!(keyUpSeen && repliedAt != 0)) {
            pump();
            if (repliedAt == 0) {
                readAvailable(link, reply);
                if (reply.size() >= 3) repliedAt = nowMicroseconds();
            }
            if (nowMicroseconds() - sentAt > 5e6) return 4;
        }
        if (i < 20) continue;  // warm-up
        toKey.push_back(keyDownAt - sentAt);
        toReply.push_back(repliedAt - sentAt);
    }
    report("key", toKey);
    report("echo", toReply);
    closesocket(link);
    return 0;
}

HWND makePlayer() {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = playerProcedure;
    windowClass.lpszClassName = "VorkLatencyPlayer";
    RegisterClassA(&windowClass);
    HWND player = CreateWindowExA(0, "VorkLatencyPlayer", "Latency - VLC media player", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                  20, 440, 400, 200, nullptr, nullptr, nullptr, nullptr);
    SetForegroundWindow(player);
    SetFocus(player);
    pump();
    return player;
}

double wallClockMicroseconds() {
    FILETIME now;
    GetSystemTimePreciseAsFileTime(&now);
    const auto ticks = (static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    constexpr unsigned long long EPOCH_1970 = 116444736000000000ULL;  // in 100 ns ticks since 1601
    return static_cast<double>(ticks - EPOCH_1970) / 10.0;
}

int recordPlayer(int count) {
    makePlayer();
    std::printf("ready\n");
    std::fflush(stdout);
    const double start = nowMicroseconds();
    for (int seen = 0; seen < count;) {
        // The wait wakes only for messages new since the last look, so each
        // wake takes everything queued.
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        MSG message;
        while (seen < count && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_KEYDOWN) {
                // Read before dispatching: the moment the player's procedure would see it.
                std::printf("%.1f\n", wallClockMicroseconds());
                ++seen;
            }
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        // Written once the queue is drained, so that writing does not hold
        // back the next key of a burst (a paste).
        std::fflush(stdout);
        if (nowMicroseconds() - start > 900e6) return 4;  // a quarter of an hour: given up
    }
    return 0;
}

int measureEcho(int port, int count) {
    const SOCKET link = connectTo(port);
    if (link == INVALID_SOCKET) return 2;
    std::vector<double> roundTrips;
    for (int i = 0; i < count + 20; ++i) {
        std::string reply;
        const double sentAt = nowMicroseconds();
        send(link, "D:1", 3, 0);
        while (reply.size() < 3) readAvailable(link, reply);
        if (i >= 20) roundTrips.push_back(nowMicroseconds() - sentAt);
    }
    report("bare-echo", roundTrips);
    closesocket(link);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "player") return recordPlayer(std::atoi(argv[2]));
    if (argc < 4) {
        std::fprintf(stderr, "usage: latency_bench vork|echo PORT COUNT | player COUNT\n");
        return 64;
    }
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    const std::string mode = argv[1];
    const int port = std::atoi(argv[2]);
    const int count = std::atoi(argv[3]);
    return mode == "vork" ? measureVork(port, count) : measureEcho(port, count);
}
