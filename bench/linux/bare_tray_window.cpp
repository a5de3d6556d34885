// The idle, memory and start-up reference: a bare Qt window with two lines
// of text and a tray icon, doing nothing.
#include <QApplication>
#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QVBoxLayout>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QWidget window;
    window.setWindowTitle("Bare tray window");
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(new QLabel("Waiting"));
    layout->addWidget(new QLabel("Nothing else"));
    QPixmap picture(32, 32);
    picture.fill(Qt::white);
    QSystemTrayIcon tray{QIcon(picture)};
    tray.show();
    window.show();
    return application.exec();
}
