#include "platform/win32/win32_window_manager.h"

#include <vector>

#include "platform/win32/win32_handles.h"

namespace vork::win32 {

namespace {

template <typename Reader>
std::string readText(std::size_t bufferSize, Reader read) {
    if (bufferSize == 0) return {};
    std::vector<char> buffer(bufferSize, '\0');
    const int length = read(buffer.data(), static_cast<int>(bufferSize));
    if (length <= 0) return {};
    return std::string(buffer.data(), static_cast<std::size_t>(length));
}

BOOL CALLBACK visitWindow(HWND window, LPARAM context) {
    const auto& visit = *reinterpret_cast<const std::function<bool(WindowHandle)>*>(context);
    return visit(fromHwnd(window)) ? TRUE : FALSE;
}

}  // namespace

WindowHandle Win32WindowManager::foregroundWindow() { return fromHwnd(GetForegroundWindow()); }

std::string Win32WindowManager::windowText(WindowHandle window, std::size_t bufferSize) {
    return readText(bufferSize, [&](char* buffer, int size) {
        return GetWindowTextA(toHwnd(window), buffer, size);
    });
}

std::string Win32WindowManager::className(WindowHandle window, std::size_t bufferSize) {
    return readText(bufferSize, [&](char* buffer, int size) {
        return GetClassNameA(toHwnd(window), buffer, size);
    });
}

std::string Win32WindowManager::programFileName(WindowHandle window) {
    DWORD processId = 0;
    if (GetWindowThreadProcessId(toHwnd(window), &processId) == 0) return {};
    // Limited query is all that reading the image name needs, and it is
    // granted for other users' processes too.
    const UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    if (!process) return {};
    char path[MAX_PATH] = {};
    DWORD length = MAX_PATH;
    if (!QueryFullProcessImageNameA(process.get(), 0, path, &length)) return {};
    const std::string_view full(path, length);
    const std::size_t slash = full.find_last_of("\\/");
    return std::string(slash == std::string_view::npos ? full : full.substr(slash + 1));
}

WindowHandle Win32WindowManager::findWindow(const std::optional<std::string>& className,
                                            const std::optional<std::string>& title) {
    return fromHwnd(FindWindowA(className ? className->c_str() : nullptr,
                                title ? title->c_str() : nullptr));
}

void Win32WindowManager::enumerateWindows(const std::function<bool(WindowHandle)>& visit) {
    EnumWindows(visitWindow, reinterpret_cast<LPARAM>(&visit));
}

void Win32WindowManager::activate(WindowHandle window) {
    HWND target = toHwnd(window);
    const auto handle = reinterpret_cast<LPARAM>(target);
    SendMessageA(target, WM_SYSCOMMAND, SC_HOTKEY, handle);
    SendMessageA(target, WM_SYSCOMMAND, SC_RESTORE, handle);
    ShowWindow(target, SW_SHOW);
    SetForegroundWindow(target);
    SetFocus(target);
}

}  // namespace vork::win32
