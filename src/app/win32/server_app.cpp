#include "app/win32/server_app.h"

#include <cstdio>
#include <string>

#include "app/instance_guard.h"
#include "app/win32/shell.h"
#include "app/start_up.h"

namespace vork::win32 {

namespace {

std::string applicationCaption() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return std::string(applicationName(path));
}

void showMessage(const std::string& text, UINT icon) {
    MessageBoxA(nullptr, text.c_str(), applicationCaption().c_str(), MB_OK | icon);
}

// A Windows program has no console of its own; write to the one it was
// started from, if any (under Wine the standard output is already there).
void useParentConsole() {
    if (AttachConsole(ATTACH_PARENT_PROCESS) == FALSE) return;
    std::FILE* console = nullptr;
    if (freopen_s(&console, "CONOUT$", "w", stdout) != 0) return;  // then the output goes nowhere
}

int printConfigCheck(const std::string& file) {
    useParentConsole();
    const ConfigCheck check = checkConfig(file);
    std::fputs(check.report.c_str(), stdout);
    return check.exitCode;
}

}  // namespace

int ServerApp::run(const CommandLine& options) {
    if (!options.error.empty()) {
        showMessage(options.error + "\n\n" + USAGE_TEXT, MB_ICONERROR);
        return 2;
    }
    if (options.checkConfigFile) return printConfigCheck(*options.checkConfigFile);
    if (options.version) {
        useParentConsole();
        std::printf("Vork %s\n", VORK_VERSION);
        return 0;
    }

    // Runs without the guard if the mutex cannot be made at all.
    UniqueHandle mutex(CreateMutexA(nullptr, TRUE, std::string(INSTANCE_MUTEX_NAME).c_str()));
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        // The running copy opens its Connect page; a plain second start is told why nothing happens.
        if (options.connect) {
            PostMessageA(HWND_BROADCAST, RegisterWindowMessageA(OPEN_CONNECT_PAGE_MESSAGE), 0, 0);
            return 0;
        }
        showMessage(std::string(ALREADY_RUNNING_TEXT), MB_ICONEXCLAMATION);
        return 0;
    }

    // --config, else the user's own file, followed even when it is made later.
    const std::optional<std::string> settings = options.configFile ? options.configFile : profileFile("vork.toml");
    std::unique_ptr<KeyMapSource> keyMaps;
    if (settings) {
        keyMaps = std::make_unique<KeyMapSource>(*settings);
        // Said before the window comes up; the built-in table holds meanwhile.
        if (const auto problem = keyMaps->load(options.configFile.has_value())) showMessage(*problem, MB_ICONWARNING);
    }

    MainDialogSetup setup;
    setup.makeSockets = makeSockets_;
    setup.settings = appSettings(options, keyMaps.get(), settings);
    setup.pairingsFile = profileFile("pairings.dat");
    setup.openConnectPage = options.connect;

    auto dialog = std::make_unique<MainDialog>(std::move(setup));
    if (dialog->create()) {
        if (options.minimized) dialog->minimise();
        dialog->runModal();
    }
    mutex.reset();
    dialog.reset();  // stops the links
    return 0;
}

}  // namespace vork::win32
