// Vork's entry point on Linux. The loopback build listens on TCP instead of
// offering a Bluetooth service, for tests and the demo.
#include <unistd.h>

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMessageBox>
#include <QRegularExpression>
#include <QSocketNotifier>

#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <memory>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/instance_guard.h"
#include "app/linux/desktop_integration.h"
#include "app/linux/main_window.h"
#include "app/linux/quit_signals.h"
#include "app/start_up.h"
#include "platform/linux/mpris_media_session.h"
#include "platform/linux/ewmh_window_manager.h"
#include "platform/linux/file_choice_store.h"
#include "platform/linux/getrandom_source.h"
#include "platform/linux/ifaddrs_network_adapters.h"
#include "platform/linux/loopback_serial_service.h"
#include "platform/linux/owner_only_file.h"
#include "platform/linux/posix_system_services.h"
#include "platform/linux/pulse_sound.h"
#include "platform/linux/bluez_serial_service.h"
#include "platform/linux/xdg_paths.h"
#include "platform/linux/xtest_input_injector.h"

namespace vork::linux_x11 {

namespace {

constexpr const char* CONNECT_REQUEST = "connect\n";

// The name the running copy of this user's desktop session answers on: one
// copy for each display, as Windows keeps one for each session; in the
// user's own runtime folder where there is one.
QString instanceName() {
    QString display = qEnvironmentVariable("DISPLAY", "none");
    display.replace(QRegularExpression("[^A-Za-z0-9.]"), "_");
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (runtime.startsWith('/')) return QString("%1/vork-%2.socket").arg(runtime, display);
    return QString("vork-%1-%2").arg(getuid()).arg(display);
}

// The pages, built into the program; the bytes live as long as the program.
class PageFiles {
public:
    WebPages pages() {
        WebPages pages;
        pages.remote = files({{"/index.html", "text/html; charset=utf-8", ":/page/index.html"},
                              {"/remote.css", "text/css; charset=utf-8", ":/page/remote.css"},
                              {"/remote.js", "text/javascript; charset=utf-8", ":/page/remote.js"},
                              {"/manifest.webmanifest", "application/manifest+json", ":/page/manifest.webmanifest"},
                              {"/icon-192.png", "image/png", ":/page/icon-192.png"},
                              {"/icon-512.png", "image/png", ":/page/icon-512.png"}});
        pages.connect = files({{"/index.html", "text/html; charset=utf-8", ":/connect/index.html"},
                               {"/connect.css", "text/css; charset=utf-8", ":/connect/connect.css"},
                               {"/connect.js", "text/javascript; charset=utf-8", ":/connect/connect.js"}});
        return pages;
    }

private:
    struct Entry {
        std::string_view path;
        std::string_view contentType;
        const char* resource;
    };
    std::vector<PageFile> files(std::initializer_list<Entry> entries) {
        std::vector<PageFile> files;
        for (const Entry& entry : entries) {
            QFile file(entry.resource);
            if (!file.open(QIODevice::ReadOnly)) continue;
            kept_.push_back(std::make_unique<QByteArray>(file.readAll()));
            files.push_back(PageFile{entry.path, entry.contentType, std::string_view(kept_.back()->constData(),
                                                                                     static_cast<std::size_t>(kept_.back()->size()))});
        }
        return files;
    }
    std::vector<std::unique_ptr<QByteArray>> kept_;
};

// The desktop's side of Vork, alive as long as the window.
struct LinuxPlatform {
    EwmhWindowManager windows;
    XTestInputInjector input;
    PosixSystemServices system;
    PulseSound sound;
    SteadyClock clock;
    std::unique_ptr<FileChoiceStore> choices;
    XdgDesktopShell shell;
    IfaddrsNetworkAdapters adapters;
    std::unique_ptr<OwnerOnlyFile> pairings;
    PageFiles pages;
    MprisMediaSession media{clock};
};

std::function<std::unique_ptr<SerialService>()> serialServiceMaker() {
#ifdef VORK_LOOPBACK_PORT
    return [] { return std::make_unique<LoopbackSerialService>(static_cast<std::uint16_t>(VORK_LOOPBACK_PORT)); };
#else
    return [] { return std::make_unique<BluezSerialService>(); };
#endif
}

// What this session does not let Vork do, said on the notice line.
std::optional<std::string> sessionWarning(const XTestInputInjector& input) {
    const char* type = std::getenv("XDG_SESSION_TYPE");
    if ((type && std::string_view(type) == "wayland") || std::getenv("WAYLAND_DISPLAY"))
        return "Wayland: Vork can control only X11 windows (XWayland)";
    if (!input.usable()) return "This X server cannot take Vork's keys (no XTest)";
    return std::nullopt;
}

void showMessage(const std::string& text, QMessageBox::Icon icon) {
    std::fprintf(stderr, "%s\n", text.c_str());
    QMessageBox box(icon, "Vork", QString::fromStdString(text), QMessageBox::Ok);
    box.exec();
}

}  // namespace

int run(int argc, char** argv) {
    const CommandLine options = parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (options.version) {
        std::printf("Vork %s\n", VORK_VERSION);
        return 0;
    }
    if (options.checkConfigFile) {
        const ConfigCheck check = checkConfig(*options.checkConfigFile);
        std::fputs(check.report.c_str(), stdout);
        return check.exitCode;
    }
    if (!options.error.empty()) {
        std::fprintf(stderr, "%s\n\n%s\n", options.error.c_str(), USAGE_TEXT);
        return 2;
    }

    QApplication application(argc, argv);
    application.setApplicationName("Vork");
    application.setDesktopFileName("vork");
    application.setQuitOnLastWindowClosed(true);
    bool quitAsked = false;
    QuitSignals quitSignals([&quitAsked] {
        quitAsked = true;
        // A message box's own loop (a key map's problem at start) ends first.
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) dialog->reject();
        QCoreApplication::quit();
    });

    // A running copy answers on its name: it opens its Connect page, or a plain second start is told why nothing happens.
    QLocalSocket running;
    running.connectToServer(instanceName());
    if (running.waitForConnected(1000)) {
        if (options.connect) {
            running.write(CONNECT_REQUEST);
            running.waitForBytesWritten(1000);
            return 0;
        }
        showMessage(std::string(ALREADY_RUNNING_TEXT), QMessageBox::Warning);
        return 0;
    }
    QLocalServer instance;
    QLocalServer::removeServer(instanceName());  // left by a copy that crashed
    instance.listen(instanceName());

    const auto config = configFolder();
    const std::optional<std::string> settings =
        options.configFile ? options.configFile : config ? std::optional(*config + "/vork.toml") : std::nullopt;
    std::unique_ptr<KeyMapSource> keyMaps;
    if (settings) {
        keyMaps = std::make_unique<KeyMapSource>(*settings);
        if (const auto problem = keyMaps->load(options.configFile.has_value()))
            showMessage(*problem, QMessageBox::Warning);
    }
    if (quitAsked) return 0;

    LinuxPlatform desktop;
    desktop.choices = std::make_unique<FileChoiceStore>(config ? *config + "/choices" : std::string("/dev/null"));
    if (const auto data = dataFolder()) desktop.pairings = std::make_unique<OwnerOnlyFile>(*data + "/pairings");

    MainWindow window;
    AppPlatform platform{
        Desktop{desktop.windows, desktop.input, desktop.system, desktop.sound},
        desktop.clock,
        *desktop.choices,
        desktop.shell,
        desktop.adapters,
        desktop.pairings.get(),
        serialServiceMaker(),
        []() -> std::unique_ptr<RandomSource> { return std::make_unique<GetrandomSource>(); },
        []() -> std::unique_ptr<NetworkAdapters> { return std::make_unique<IfaddrsNetworkAdapters>(); },
        desktop.pages.pages(),
        ownHostNames(),
        &desktop.media,
    };
    QObject::connect(&instance, &QLocalServer::newConnection, &window, [&instance, &window] {
        while (QLocalSocket* other = instance.nextPendingConnection()) {
            QObject::connect(other, &QLocalSocket::readyRead, &window, [other, &window] {
                if (other->readAll().contains("connect")) window.openConnectPage();
            });
            QObject::connect(other, &QLocalSocket::disconnected, other, &QObject::deleteLater);
        }
    });
    std::unique_ptr<QSocketNotifier> rootChanges;
    if (desktop.windows.eventDescriptor() >= 0) {
        rootChanges = std::make_unique<QSocketNotifier>(desktop.windows.eventDescriptor(), QSocketNotifier::Read);
        QObject::connect(rootChanges.get(), &QSocketNotifier::activated, &window,
                         [&desktop] { desktop.windows.followRoot(); });
    }
    window.show();
    if (options.minimized) window.minimise();
    window.start(std::move(platform), appSettings(options, keyMaps.get(), settings), options.connect,
                 sessionWarning(desktop.input));
    return application.exec();
}

}  // namespace vork::linux_x11

int main(int argc, char** argv) { return vork::linux_x11::run(argc, argv); }
