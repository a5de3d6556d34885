// The desktop's notifications (org.freedesktop.Notifications on the session
// bus), asked without waiting: a desktop without a notification server gets
// the fallback instead (the tray icon's own balloon).
#pragma once

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>

namespace vork::linux_x11 {

class DesktopNotifications : public QObject {
public:
    using QObject::QObject;

    // Replaces the last one Vork showed, so that requests never pile up.
    void show(const QString& summary, const QString& body, std::function<void()> fallback);

private:
    std::uint32_t shown_ = 0;
};

}  // namespace vork::linux_x11
