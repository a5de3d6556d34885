#include "app/win32/server_app.h"

#include <cstdio>
#include <string>

#include "app/instance_guard.h"
#include "config/settings_file.h"

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

int checkConfig(const std::string& file) {
    useParentConsole();
    const std::optional<std::string> text = readWholeFile(file);
    if (!text) {
        std::printf("%s: cannot be read\n", file.c_str());
        return 1;
    }
    const SettingsResult result = parseSettings(*text, file);
    if (!result.settings) {
        std::printf("%s\n", result.error.c_str());
        return 1;
    }
    std::printf("%s: good\n%s", file.c_str(), describeSettings(*result.settings).c_str());
    return 0;
}

// --config, else the user's own file when there is one.
std::optional<std::string> settingsFile(const CommandLine& options) {
    if (options.configFile) return *options.configFile;
    char appData[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableA("APPDATA", appData, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::nullopt;
    std::string file = std::string(appData) + "\\Vork\\vork.toml";
    return GetFileAttributesA(file.c_str()) != INVALID_FILE_ATTRIBUTES ? std::optional(file) : std::nullopt;
}

}  // namespace

int ServerApp::run(const CommandLine& options) {
    if (!options.error.empty()) {
        showMessage(options.error + "\n\n" + USAGE_TEXT, MB_ICONERROR);
        return 2;
    }
    if (options.checkConfigFile) return checkConfig(*options.checkConfigFile);

    // Runs without the guard if the mutex cannot be made at all.
    UniqueHandle mutex(CreateMutexA(nullptr, TRUE, std::string(INSTANCE_MUTEX_NAME).c_str()));
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        showMessage(std::string(ALREADY_RUNNING_TEXT), MB_ICONEXCLAMATION);
        return 0;
    }

    std::unique_ptr<KeyMapSource> keyMaps;
    if (const auto file = settingsFile(options)) {
        keyMaps = std::make_unique<KeyMapSource>(*file);
        // Said before the window comes up; the built-in table holds meanwhile.
        if (const auto problem = keyMaps->load()) showMessage(*problem, MB_ICONWARNING);
    }

    // The command line's --web wins over the settings file's [web].
    std::optional<std::uint16_t> webPort = options.webPort;
    if (!webPort && keyMaps && keyMaps->web().enabled) webPort = keyMaps->web().port;

    auto dialog = std::make_unique<MainDialog>(makeSockets_, keyMaps.get(), webPort);
    if (dialog->create()) {
        if (options.minimized) dialog->minimise();
        dialog->runModal();
    }
    mutex.reset();
    dialog.reset();  // stops the listener
    return 0;
}

}  // namespace vork::win32
