#include "app/linux/desktop_notifications.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>

namespace vork::linux_x11 {

namespace {

constexpr int ANSWER_LIMIT_MS = 2000;  // a hung server never holds a notification for long
constexpr int SHOWN_FOR_MS = -1;       // as long as the server shows its notifications

}  // namespace

void DesktopNotifications::show(const QString& summary, const QString& body, std::function<void()> fallback) {
    QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.Notifications", "/org/freedesktop/Notifications",
                                                       "org.freedesktop.Notifications", "Notify");
    call << QString("Vork") << shown_ << QString("vork") << summary << body << QStringList() << QVariantMap()
         << SHOWN_FOR_MS;
    auto* watcher =
        new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call, ANSWER_LIMIT_MS), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, fallback = std::move(fallback)](QDBusPendingCallWatcher* finished) {
                const QDBusPendingReply<std::uint32_t> reply = *finished;
                finished->deleteLater();
                if (reply.isError()) {
                    fallback();
                    return;
                }
                shown_ = reply.value();
            });
}

}  // namespace vork::linux_x11
