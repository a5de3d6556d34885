#include "app/linux/main_window.h"

#include <QApplication>
#include <QEvent>
#include <QGridLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QSocketNotifier>

#include "app/command_router.h"
#include "app/instance_guard.h"
#include "app/linux/desktop_integration.h"
#include "app/linux/queued_notifier.h"
#include "app/tray_texts.h"
#include "input/key_codes.h"

namespace vork::linux_x11 {

namespace {

constexpr int WINDOW_WIDTH = 440;
// The caption the Windows window has, from its resource script.
constexpr const char* WINDOW_CAPTION = "Pellandra v1.2";

QString qt(const std::string& text) { return QString::fromStdString(text); }

QLabel* line(QWidget* parent, const char* style) {
    auto* label = new QLabel(parent);
    label->setStyleSheet(style);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    return label;
}

}  // namespace

MainWindow::MainWindow()
    : status_(line(this, "color: white; font: 22px 'Liberation Sans', Arial;")),
      notice_(line(this, "color: rgb(255, 83, 0); font: bold 16px 'Liberation Sans', Arial;")),
      address_(line(this, "color: rgb(200, 200, 200); font: 15px 'Liberation Sans', Arial;")),
      accept_(imageButton("ACCEPT", ":/vork/accept.bmp", ACCEPT_BUTTON_ID)),
      decline_(imageButton("DECLINE", ":/vork/decline.bmp", DECLINE_BUTTON_ID)),
      hide_(imageButton("HIDE", ":/vork/hide.bmp", HIDE_BUTTON_ID)),
      tray_(QIcon(":/vork/vork.png")) {
    setWindowTitle(WINDOW_CAPTION);
    setWindowIcon(QIcon(":/vork/vork.png"));
    setStyleSheet("MainWindow, QWidget#background { background: black; }");
    setAutoFillBackground(true);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setFixedWidth(WINDOW_WIDTH);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(12, 10, 12, 10);
    grid->setHorizontalSpacing(10);
    grid->addWidget(status_, 0, 0, 1, 3);
    grid->addWidget(notice_, 1, 0);
    grid->addWidget(accept_, 1, 1);
    grid->addWidget(decline_, 1, 2);
    grid->addWidget(hide_, 1, 2);
    grid->addWidget(address_, 2, 0, 1, 3);
    grid->setColumnStretch(0, 1);
    status_->setMinimumHeight(30);
    notice_->setMinimumHeight(36);
    notice_->installEventFilter(this);
    address_->installEventFilter(this);
    address_->hide();
    for (QPushButton* button : {accept_, decline_, hide_}) button->hide();

    repeat_.setInterval(static_cast<int>(REPEAT_PERIOD_MS));
    labelWatch_.setInterval(static_cast<int>(LABEL_WATCH_PERIOD_MS));
    connect(&repeat_, &QTimer::timeout, this, [this] {
        if (app_) app_->handleTimer();
    });
    connect(&labelWatch_, &QTimer::timeout, this, [this] {
        if (app_) app_->handleLabelWatch();
    });

    trayMenu_ = std::make_unique<QMenu>();
    connect(trayMenu_.get(), &QMenu::aboutToShow, this, [this] { fillTrayMenu(); });
    fillTrayMenu();
    tray_.setContextMenu(trayMenu_.get());
    tray_.setToolTip("Vork");
    connect(&tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick) showAgain();
    });
    if (QSystemTrayIcon::isSystemTrayAvailable()) tray_.show();

    // The address line follows the network as it changes.
    if (addressWatch_.descriptor() >= 0) {
        addressNotifier_ = std::make_unique<QSocketNotifier>(addressWatch_.descriptor(), QSocketNotifier::Read);
        connect(addressNotifier_.get(), &QSocketNotifier::activated, this, [this] {
            if (addressWatch_.drain() && app_) app_->addressesChanged();
        });
    }
}

MainWindow::~MainWindow() {
    if (notifier_) notifier_->detach();
    app_.reset();  // stops the links while the window still stands
}

QPushButton* MainWindow::imageButton(const QString& name, const QString& image, ControlId control) {
    auto* button = new QPushButton(this);
    const QPixmap picture(image);
    button->setIcon(QIcon(picture));
    button->setIconSize(picture.size());
    button->setFixedSize(picture.size());
    button->setFlat(true);
    button->setStyleSheet("QPushButton { border: none; background: black; }");
    button->setAccessibleName(name);
    button->setFocusPolicy(Qt::NoFocus);  // Enter and Escape are the window's, not a button's
    connect(button, &QPushButton::clicked, this, [this, control] {
        if (app_) app_->handleClick(control);
    });
    return button;
}

void MainWindow::start(AppPlatform platform, const AppSettings& settings, bool openConnect,
                       const std::optional<std::string>& warning) {
    notifier_ = std::make_shared<QueuedNotifier>(this, [this](unsigned channel) {
        if (app_) app_->handleWake(channel);
    });
    app_ = std::make_unique<VorkApp>(std::move(platform), settings, *this, notifier_);
    app_->start();
    if (warning) app_->warn(*warning);
    if (openConnect) QMetaObject::invokeMethod(this, [this] { openConnectPage(); }, Qt::QueuedConnection);
}

void MainWindow::openConnectPage() {
    if (app_) app_->openConnectPage();
}

void MainWindow::setStatusText(const std::string& text) {
    status_->setText(qt(text));
    status_->setAccessibleName(qt(text));
}

void MainWindow::setNoticeText(const std::string& text) {
    notice_->setText(qt(text));
    notice_->setAccessibleName(qt(text));
}

void MainWindow::showControl(ControlId control, bool visible) {
    switch (control) {
    case ACCEPT_BUTTON_ID: accept_->setVisible(visible); break;
    case DECLINE_BUTTON_ID: decline_->setVisible(visible); break;
    case HIDE_BUTTON_ID: hide_->setVisible(visible); break;
    case NOTICE_LINE_ID: notice_->setVisible(visible); break;
    case STATUS_LINE_ID: status_->setVisible(visible); break;
    case ADDRESS_LINE_ID: address_->setVisible(visible); break;
    }
}

void MainWindow::minimise() { showMinimized(); }

void MainWindow::setRepeatTimer(bool running) {
    if (running && !repeat_.isActive()) repeat_.start();
    if (!running) repeat_.stop();
}

void MainWindow::setLabelWatch(bool running) {
    if (running && !labelWatch_.isActive()) labelWatch_.start();
    if (!running) labelWatch_.stop();
}

void MainWindow::showAddressLine(const std::string& text, std::size_t lines) {
    address_->setText(qt(text));
    address_->setAccessibleName(qt(text));
    address_->setVisible(lines > 0);
    adjustSize();
}

void MainWindow::showTray(DialogMode mode, const std::string& name) { tray_.setToolTip(qt(trayTip(mode, name))); }

void MainWindow::alertRequest(const std::string& name) {
    if (isVisible() && !isMinimized() && isActiveWindow()) return;  // seen already
    QApplication::alert(this);  // the window manager marks it urgent; it never comes to the front by itself
    const QString text = qt(requestNotification(name));
    notifications_.show("Vork", text, [this, text] {
        if (tray_.isVisible()) tray_.showMessage("Vork", text, QSystemTrayIcon::Information);
    });
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const bool escape = event->key() == Qt::Key_Escape;
    if ((enter || escape) && app_ && app_->preTranslateKey(enter ? VK_RETURN_KEY : VK_ESCAPE_KEY)) return;
    QWidget::keyPressEvent(event);
}

void MainWindow::changeEvent(QEvent* event) {
    // Coming back to the window is when its addresses may have changed.
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && app_) app_->addressesChanged();
    QWidget::changeEvent(event);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease && app_) {
        if (watched == notice_) app_->handleClick(NOTICE_LINE_ID);
        if (watched == address_) app_->handleClick(ADDRESS_LINE_ID);
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::showAgain() {
    showNormal();
    raise();
    activateWindow();
    if (app_) app_->addressesChanged();
}

void MainWindow::fillTrayMenu() {
    trayMenu_->clear();
    trayMenu_->addAction("Show Vork", this, [this] { showAgain(); });
    trayMenu_->addAction("Connect a phone\u2026", this, [this] { openConnectPage(); });
    trayMenu_->addSeparator();
    if (app_) {
        const SwitchDecision decision = app_->remoteSwitch();
        QAction* remote = trayMenu_->addAction("Browser remote", this, [this, on = decision.on] {
            if (app_) app_->switchWanted(!on);
        });
        remote->setCheckable(true);
        remote->setChecked(decision.on);
        remote->setEnabled(!decision.locked());  // the command line or the settings file decides
    }
    QAction* signIn = trayMenu_->addAction("Start when I sign in", this, [] { setStartAtSignIn(!startsAtSignIn()); });
    signIn->setCheckable(true);
    signIn->setChecked(startsAtSignIn());
    QAction* keyMaps = trayMenu_->addAction("Open key maps", this, [this] {
        if (app_) app_->openKeyMaps();
    });
    keyMaps->setEnabled(app_ && app_->canOpenKeyMaps());
    trayMenu_->addSeparator();
    trayMenu_->addAction("Quit", qApp, &QApplication::quit);
}

}  // namespace vork::linux_x11
