// The Linux window: the same small black window as on Windows (status and
// notice lines, ACCEPT, DECLINE and HIDE, the browser remote's address
// line), with the icon by the clock, drawn by Qt Widgets. It shows what the
// application object tells it and hands it the user's clicks, keys and timers.
#pragma once

#include <QLabel>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

#include <memory>

#include "app/linux/desktop_notifications.h"
#include "app/vork_app.h"
#include "app/window_view.h"
#include "platform/linux/address_watch.h"

class QMenu;
class QSocketNotifier;

namespace vork::linux_x11 {

class QueuedNotifier;

class MainWindow final : public QWidget, public WindowView {
public:
    MainWindow();
    ~MainWindow() override;

    // Builds and starts the application on the window; openConnectPage: as --connect asks.
    // warning: what this desktop cannot do, for the notice line.
    void start(AppPlatform platform, const AppSettings& settings, bool openConnectPage,
               const std::optional<std::string>& warning);
    // A second `vork --connect` asked for the Connect page.
    void openConnectPage();

    void setStatusText(const std::string& text) override;
    void setNoticeText(const std::string& text) override;
    void showControl(ControlId control, bool visible) override;
    void minimise() override;
    void setRepeatTimer(bool running) override;
    void showAddressLine(const std::string& text, std::size_t lines) override;
    void showTray(DialogMode mode, const std::string& name) override;
    void alertRequest(const std::string& name) override;
    void setLabelWatch(bool running) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPushButton* imageButton(const QString& name, const QString& image, ControlId control);
    void fillTrayMenu();
    void showAgain();

    QLabel* status_;
    QLabel* notice_;
    QLabel* address_;
    QPushButton* accept_;
    QPushButton* decline_;
    QPushButton* hide_;
    QTimer repeat_;
    QTimer labelWatch_;
    QSystemTrayIcon tray_;
    DesktopNotifications notifications_{this};
    std::unique_ptr<QMenu> trayMenu_;
    AddressWatch addressWatch_;
    std::unique_ptr<QSocketNotifier> addressNotifier_;
    std::shared_ptr<QueuedNotifier> notifier_;
    std::unique_ptr<VorkApp> app_;
};

}  // namespace vork::linux_x11
