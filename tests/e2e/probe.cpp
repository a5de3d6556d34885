// vork-probe: looks at and works Vork's window the way a user would, and
// stands in for a media player, for the end-to-end tests under Wine.
//   probe state                       status, notice, address and which images show
//   probe wait-status TEXT [MS]       until the status line reads TEXT
//   probe click ID                    a click on control ID (WM_COMMAND from it)
//   probe key VK                      a key press sent to the window
//   probe close                       the caption's close button
//   probe wait-gone [MS]              until Vork's window is gone
//   probe message-box TEXT [MS]       finds a message box whose text starts with TEXT, prints
//                                     its caption and presses OK
//   probe target TITLE FILE [MS]      a recording window in front: each key,
//                                     character (UTF-16 unit) and button message is
//                                     a line in FILE
//   probe point X Y                   puts the pointer at X, Y
//   probe cursor                      prints the pointer position
//   probe rect                        Vork's window: left top width height
//   probe responsive                  whether Vork's window answers within 1 s
//   probe one-to-one [Y]              pointer speed 1:1, no acceleration, at the left (bottom by default)
//   probe screen                      the screen's width and height
//   probe freeze MS                   holds Vork's window thread still for MS ms
//   probe file-version PATH           the version resource of a program file
//   probe bare-window                 makes and destroys a window, then exits
//   probe bluetooth-error             the error code of creating an RFCOMM socket
//   probe tray MOUSE                  the icon's callback as Explorer sends it: MOUSE is
//                                     left (WM_LBUTTONUP) or right (WM_RBUTTONUP, the menu)
//   probe tray-menu INDEX             opens the icon's menu and chooses its INDEXth item
//                                     (from 0, separators not counted) with the keyboard
//   probe close-menu                  closes an open popup menu (Escape)
//   probe system-menu ID              a choice of the window's system menu (WM_SYSCOMMAND ID)
//   probe balloon [MS]                until a notification balloon shows
// Every command ends by writing "probe: exit N" to the standard error, so a
// caller can tell a probe that failed from a Wine start that never ran it.
#include <winsock2.h>
#include <ws2bth.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr const char* CAPTION = "Pellandra v1.2";

HWND vorkWindow() { return FindWindowA("#32770", CAPTION); }

std::string controlText(HWND dialog, int id) {
    char text[512] = {};
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

bool visible(HWND dialog, int id) { return IsWindowVisible(GetDlgItem(dialog, id)) != FALSE; }

int state() {
    HWND dialog = vorkWindow();
    if (!dialog) {
        std::printf("no window\n");
        return 1;
    }
    std::printf("status=%s\nnotice=%s\naddress=%s\naccept=%d\ndecline=%d\nhide=%d\nminimised=%d\n",
                controlText(dialog, 1001).c_str(), controlText(dialog, 1004).c_str(),
                visible(dialog, 1005) ? controlText(dialog, 1005).c_str() : "", visible(dialog, 1000),
                visible(dialog, 1002), visible(dialog, 1003), IsIconic(dialog) != FALSE);
    return 0;
}

int waitStatus(const std::string& wanted, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    std::string last;
    do {
        if (HWND dialog = vorkWindow()) {
            last = controlText(dialog, 1001);
            if (last == wanted) {
                std::printf("status=%s after %lu ms\n", last.c_str(), GetTickCount() - start);
                return 0;
            }
        }
        Sleep(20);
    } while (GetTickCount() - start < timeoutMs);
    std::printf("status is \"%s\", not \"%s\"\n", last.c_str(), wanted.c_str());
    return 1;
}

int click(int id) {
    HWND dialog = vorkWindow();
    if (!dialog) return 1;
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, STN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
    return 0;
}

int key(int virtualKey) {
    HWND dialog = vorkWindow();
    if (!dialog) return 1;
    PostMessageA(dialog, WM_KEYDOWN, static_cast<WPARAM>(virtualKey), 1);
    PostMessageA(dialog, WM_KEYUP, static_cast<WPARAM>(virtualKey), static_cast<LPARAM>(0xC0000001));
    return 0;
}

int waitGone(DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (vorkWindow()) {
        if (GetTickCount() - start > timeoutMs) return 1;
        Sleep(10);
    }
    return 0;
}

struct BoxSearch {
    std::string text;
    HWND found = nullptr;
};

BOOL CALLBACK findBox(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<BoxSearch*>(context);
    char className[64] = {};
    GetClassNameA(window, className, sizeof className);
    if (std::strcmp(className, "#32770") != 0 || !IsWindowVisible(window)) return TRUE;
    HWND child = nullptr;
    while ((child = FindWindowExA(window, child, "Static", nullptr)) != nullptr) {
        char text[256] = {};
        GetWindowTextA(child, text, sizeof text);
        if (std::string(text).rfind(search->text, 0) == 0) {  // the text, or its first part
            search->found = window;
            return FALSE;
        }
    }
    return TRUE;
}

int messageBox(const std::string& text, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    BoxSearch search{text};
    while (!search.found && GetTickCount() - start < timeoutMs) {
        EnumWindows(findBox, reinterpret_cast<LPARAM>(&search));
        if (!search.found) Sleep(50);
    }
    if (!search.found) {
        std::printf("no message box shows \"%s\"\n", text.c_str());
        return 1;
    }
    char caption[256] = {};
    GetWindowTextA(search.found, caption, sizeof caption);
    std::printf("caption=%s\n", caption);
    std::fflush(stdout);
    PostMessageA(search.found, WM_COMMAND, IDOK, 0);
    return 0;
}

FILE* targetLog = nullptr;

LRESULT CALLBACK targetProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const char* name = nullptr;
    switch (message) {
    case WM_KEYDOWN: name = "KEYDOWN"; break;
    case WM_KEYUP: name = "KEYUP"; break;
    case WM_SYSKEYDOWN: name = "SYSKEYDOWN"; break;
    case WM_SYSKEYUP: name = "SYSKEYUP"; break;
    case WM_LBUTTONDOWN: name = "LBUTTONDOWN"; break;
    case WM_LBUTTONUP: name = "LBUTTONUP"; break;
    case WM_RBUTTONDOWN: name = "RBUTTONDOWN"; break;
    case WM_RBUTTONUP: name = "RBUTTONUP"; break;
    case WM_CHAR: name = "CHAR"; break;
    default: break;
    }
    if (name && targetLog) {
        // A Unicode window: each character as its UTF-16 unit, a surrogate pair as two.
        if (message == WM_CHAR)
            std::fprintf(targetLog, "CHAR %04X\n", static_cast<unsigned>(wParam));
        else if (message >= WM_KEYFIRST && message <= WM_KEYLAST)
            std::fprintf(targetLog, "%s %02X scan %02X%s\n", name, static_cast<unsigned>(wParam),
                         static_cast<unsigned>((lParam >> 16) & 0xFF), ((lParam >> 24) & 1) ? " ext" : "");
        else
            std::fprintf(targetLog, "%s\n", name);
        std::fflush(targetLog);
    }
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcW(window, message, wParam, lParam);
}

int target(const std::string& title, const char* file, DWORD lifetimeMs) {
    targetLog = std::fopen(file, "wb");
    if (!targetLog) return 1;
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = targetProcedure;
    windowClass.lpszClassName = L"VorkProbeTarget";
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    RegisterClassW(&windowClass);
    std::wstring wideTitle(title.size() + 1, L'\0');
    const int units =
        MultiByteToWideChar(CP_UTF8, 0, title.c_str(), -1, wideTitle.data(), static_cast<int>(wideTitle.size()));
    wideTitle.resize(units > 0 ? static_cast<std::size_t>(units - 1) : 0);
    HWND window = CreateWindowExW(0, L"VorkProbeTarget", wideTitle.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 440,
                                  700, 300, nullptr, nullptr, nullptr, nullptr);
    SetForegroundWindow(window);
    SetFocus(window);
    std::fprintf(targetLog, "READY\n");
    std::fflush(targetLog);
    SetTimer(window, 1, lifetimeMs, nullptr);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_TIMER && message.hwnd == window) break;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    std::fclose(targetLog);
    return 0;
}

int cursor() {
    POINT position{};
    GetCursorPos(&position);
    std::printf("%ld %ld\n", position.x, position.y);
    return 0;
}

int rect() {
    HWND dialog = vorkWindow();
    RECT area{};
    if (!dialog || !GetWindowRect(dialog, &area)) return 1;
    std::printf("%ld %ld %ld %ld\n", area.left, area.top, area.right - area.left, area.bottom - area.top);
    return 0;
}

int responsive() {
    HWND dialog = vorkWindow();
    DWORD_PTR result = 0;
    return dialog && SendMessageTimeoutA(dialog, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &result) ? 0 : 1;
}

int oneToOne(int y) {
    int none[3] = {0, 0, 0};
    SystemParametersInfoA(SPI_SETMOUSE, 0, none, SPIF_UPDATEINIFILE | SPIF_SENDCHANGE);
    SystemParametersInfoA(SPI_SETMOUSESPEED, 0, reinterpret_cast<void*>(static_cast<INT_PTR>(10)),
                          SPIF_UPDATEINIFILE | SPIF_SENDCHANGE);
    // Room for a running pointer to the right; by default below every window,
    // as a window under a moving pointer makes its process report stale positions.
    SetCursorPos(20, y);
    return 0;
}

int fileVersion(const char* path) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &ignored);
    std::string data(size, '\0');
    if (size == 0 || !GetFileVersionInfoA(path, 0, size, data.data())) return 1;
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&info), &length) || !info) return 1;
    std::printf("%lu.%lu.%lu.%lu\n", HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS),
                HIWORD(info->dwFileVersionLS), LOWORD(info->dwFileVersionLS));
    return 0;
}

int screen() {
    std::printf("%d %d\n", GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    return 0;
}

// A busy window: its thread is suspended, so posted messages wait in its queue.
int freeze(DWORD milliseconds) {
    HWND dialog = vorkWindow();
    if (!dialog) return 1;
    const DWORD threadId = GetWindowThreadProcessId(dialog, nullptr);
    HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, threadId);
    if (!thread) return 1;
    const bool held = SuspendThread(thread) != static_cast<DWORD>(-1);
    if (held) {
        Sleep(milliseconds);
        ResumeThread(thread);
    }
    CloseHandle(thread);
    return held ? 0 : 1;
}

int bluetoothError() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    const SOCKET socket = ::socket(AF_BTH, SOCK_STREAM, BTHPROTO_RFCOMM);
    std::printf("%d\n", socket == INVALID_SOCKET ? WSAGetLastError() : 0);
    if (socket != INVALID_SOCKET) closesocket(socket);
    WSACleanup();
    return 0;
}

int bareWindow() {
    HWND window = CreateWindowExA(0, "Static", "bare", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 100, 100, nullptr,
                                  nullptr, nullptr, nullptr);
    DestroyWindow(window);
    return 0;
}

// Vork's icon in the notification area sends this to its window.
constexpr UINT TRAY_CALLBACK = WM_APP + 1;
constexpr UINT TRAY_ICON_ID = 1;

int tray(const std::string& mouse) {
    HWND dialog = vorkWindow();
    if (!dialog || (mouse != "left" && mouse != "right")) return 1;
    PostMessageA(dialog, TRAY_CALLBACK, TRAY_ICON_ID, mouse == "left" ? WM_LBUTTONUP : WM_RBUTTONUP);
    return 0;
}

// The open popup menu's window: the system's class "#32768".
HWND waitForMenu(DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    do {
        HWND menu = FindWindowA("#32768", nullptr);
        if (menu && IsWindowVisible(menu)) return menu;
        Sleep(20);
    } while (GetTickCount() - start < timeoutMs);
    return nullptr;
}

int trayMenu(int index) {
    if (tray("right") != 0) return 1;
    HWND menu = waitForMenu(5000);
    if (!menu) {
        std::printf("no menu opened\n");
        return 1;
    }
    // The first Down selects the first item.
    for (int i = 0; i <= index; ++i) PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
    return 0;
}

int closeMenu() {
    HWND menu = waitForMenu(2000);
    if (!menu) return 1;
    PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    return 0;
}

int systemMenu(UINT command) {
    HWND dialog = vorkWindow();
    if (!dialog) return 1;
    PostMessageA(dialog, WM_SYSCOMMAND, command, 0);
    return 0;
}

BOOL CALLBACK findBalloon(HWND window, LPARAM found) {
    char className[64] = {};
    GetClassNameA(window, className, sizeof className);
    const LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
    constexpr LONG_PTR BALLOON_STYLE = 0x40;  // TTS_BALLOON
    if (std::strcmp(className, "tooltips_class32") == 0 && (style & BALLOON_STYLE) != 0 && IsWindowVisible(window)) {
        *reinterpret_cast<bool*>(found) = true;
        return FALSE;
    }
    return TRUE;
}

int balloon(DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    do {
        bool found = false;
        EnumWindows(findBalloon, reinterpret_cast<LPARAM>(&found));
        if (found) {
            std::printf("balloon\n");
            return 0;
        }
        Sleep(50);
    } while (GetTickCount() - start < timeoutMs);
    std::printf("no balloon\n");
    return 1;
}

int run(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    const auto number = [&](int index, long fallback) { return argc > index ? std::strtol(argv[index], nullptr, 0) : fallback; };
    if (command == "state") return state();
    if (command == "wait-status" && argc > 2) return waitStatus(argv[2], static_cast<DWORD>(number(3, 10000)));
    if (command == "click" && argc > 2) return click(static_cast<int>(number(2, 0)));
    if (command == "key" && argc > 2) return key(static_cast<int>(number(2, 0)));
    if (command == "close") return vorkWindow() ? (PostMessageA(vorkWindow(), WM_CLOSE, 0, 0), 0) : 1;
    if (command == "wait-gone") return waitGone(static_cast<DWORD>(number(2, 10000)));
    if (command == "message-box" && argc > 2) return messageBox(argv[2], static_cast<DWORD>(number(3, 10000)));
    if (command == "target" && argc > 3) return target(argv[2], argv[3], static_cast<DWORD>(number(4, 60000)));
    if (command == "cursor") return cursor();
    if (command == "point" && argc > 3)
        return SetCursorPos(static_cast<int>(number(2, 0)), static_cast<int>(number(3, 0))) ? 0 : 1;
    if (command == "rect") return rect();
    if (command == "responsive") return responsive();
    if (command == "one-to-one") return oneToOne(static_cast<int>(number(2, 755)));
    if (command == "screen") return screen();
    if (command == "file-version" && argc > 2) return fileVersion(argv[2]);
    if (command == "freeze" && argc > 2) return freeze(static_cast<DWORD>(number(2, 0)));
    if (command == "bare-window") return bareWindow();
    if (command == "bluetooth-error") return bluetoothError();
    if (command == "tray" && argc > 2) return tray(argv[2]);
    if (command == "tray-menu" && argc > 2) return trayMenu(static_cast<int>(number(2, 0)));
    if (command == "close-menu") return closeMenu();
    if (command == "system-menu" && argc > 2) return systemMenu(static_cast<UINT>(number(2, 0)));
    if (command == "balloon") return balloon(static_cast<DWORD>(number(2, 5000)));
    std::fprintf(stderr, "probe: unknown command (see the comment at the top of probe.cpp)\n");
    return 64;
}

}  // namespace

int main(int argc, char** argv) {
    std::fflush(stdout);
    const int code = run(argc, argv);
    std::fflush(stdout);
    std::fprintf(stderr, "probe: exit %d\n", code);
    return code;
}
