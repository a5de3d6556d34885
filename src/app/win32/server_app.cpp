#include "app/win32/server_app.h"

#include <string>

#include "app/instance_guard.h"

namespace vork::win32 {

bool ServerApp::start() {
    // Runs without the guard if the mutex cannot be made at all.
    UniqueHandle mutex(CreateMutexA(nullptr, TRUE, std::string(INSTANCE_MUTEX_NAME).c_str()));
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        char path[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, path, MAX_PATH);
        const std::string caption(applicationName(path));
        MessageBoxA(nullptr, std::string(ALREADY_RUNNING_TEXT).c_str(), caption.c_str(), MB_OK | MB_ICONEXCLAMATION);
        return false;
    }

    auto dialog = std::make_unique<MainDialog>(makeSockets_);
    if (dialog->create()) dialog->runModal();
    mutex.reset();
    dialog.reset();  // stops the listener
    return false;
}

}  // namespace vork::win32
