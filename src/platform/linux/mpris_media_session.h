// The media session of a Linux desktop: the players that publish themselves
// on the session bus over MPRIS (org.mpris.MediaPlayer2.*), followed by their
// own signals, never polled. Every call is asked without waiting on the
// window's thread, with a time limit; pictures are read and scaled off it.
#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/media_session.h"

namespace vork::linux_x11 {

class MprisMediaSession final : public QObject, public MediaSession {
    Q_OBJECT

public:
    explicit MprisMediaSession(const Clock& clock);
    ~MprisMediaSession() override;

    std::vector<MediaPlayer> players() override;
    void command(const std::string& id, PlayerCommand command) override;
    void seek(const std::string& id, std::int64_t positionMs) override;
    std::string artwork(const std::string& artUrl, int side) override;
    void onChange(std::function<void()> changed) override { changed_ = std::move(changed); }

private Q_SLOTS:
    void nameOwnerChanged(const QString& name, const QString& oldOwner, const QString& newOwner);
    void propertiesChanged(const QDBusMessage& message);
    void seeked(const QDBusMessage& message);
    // A picture read on a pool thread has come (PictureRelay).
    void takePicture();

private:
    struct Known {
        QString owner;  // the player's unique name, which its signals come from
        MediaPlayer player;
        QString trackId;
        bool canPlay = false;  // either is play/pause's
        bool canPause = false;
    };
    void add(const QString& name);
    void take(Known& known, const QString& interface, const QVariantMap& properties);
    void askPosition(const QString& name);
    // The answer to a call to the player, handed to `answered` on the window's thread.
    void ask(const QString& name, const QString& interface, const QString& method, const QVariantList& arguments,
             std::function<void(const QDBusMessage&)> answered);
    Known* byOwner(const QString& owner);
    class PictureRelay;
    void changed();

    const Clock& clock_;
    QDBusConnection bus_;
    std::vector<QString> order_;  // the players' names, as they appeared
    std::map<QString, Known> known_;
    std::function<void()> changed_;
    std::string artUrl_;  // the picture asked for last, and what it became
    std::string art_;
    std::uint64_t artAsked_ = 0;
    std::shared_ptr<PictureRelay> pictures_;
};

}  // namespace vork::linux_x11
