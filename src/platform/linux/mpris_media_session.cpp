#include "platform/linux/mpris_media_session.h"

#include <QBuffer>
#include <QDBusArgument>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QStringList>
#include <QThreadPool>
#include <QUrl>

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <utility>
#include <system_error>

namespace vork::linux_x11 {

namespace {

const QString PREFIX = QStringLiteral("org.mpris.MediaPlayer2.");
const QString PATH = QStringLiteral("/org/mpris/MediaPlayer2");
const QString ROOT = QStringLiteral("org.mpris.MediaPlayer2");
const QString PLAYER = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString PROPERTIES = QStringLiteral("org.freedesktop.DBus.Properties");
const QString BUS = QStringLiteral("org.freedesktop.DBus");
const QString BUS_PATH = QStringLiteral("/org/freedesktop/DBus");
const QString NO_TRACK = QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack");

constexpr int CALL_LIMIT_MS = 1000;                    // a player that hangs its replies costs nothing more
constexpr qint64 ART_FILE_LIMIT = qint64{2} * 1024 * 1024;     // bytes of a picture Vork reads
constexpr qint64 ART_PIXEL_LIMIT = qint64{4096} * 4096;        // a small file may still say it is vast
constexpr int ART_QUALITY = 80;

QVariantMap mapOf(const QVariant& value) {
    if (value.canConvert<QDBusArgument>()) return qdbus_cast<QVariantMap>(value.value<QDBusArgument>());
    return value.toMap();
}

std::string text(const QString& value) { return value.toStdString(); }

std::string programOf(quint32 pid) {
    std::error_code error;
    const auto program = std::filesystem::read_symlink("/proc/" + std::to_string(pid) + "/exe", error);
    return error ? std::string() : program.filename().string();
}

// The picture as a JPEG data: URL of at most side pixels a side; empty when it is no picture.
std::string scaledPicture(QImageReader& reader, int side) {
    const QSize size = reader.size();
    if (size.isValid() && qint64{size.width()} * size.height() > ART_PIXEL_LIMIT) return {};
    if (size.isValid() && (size.width() > side || size.height() > side))
        reader.setScaledSize(size.scaled(side, side, Qt::KeepAspectRatio));  // decoded small where the format can
    QImage image = reader.read();
    if (image.isNull()) return {};
    if (image.width() > side || image.height() > side)
        image = image.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QImage opaque(image.size(), QImage::Format_RGB32);
    opaque.fill(QColor(0x22, 0x22, 0x22));  // the card's own background under a transparent picture
    QPainter(&opaque).drawImage(0, 0, image);
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    if (!opaque.save(&buffer, "JPEG", ART_QUALITY)) return {};
    return "data:image/jpeg;base64," + jpeg.toBase64().toStdString();
}

// A local file or a data: URL's picture, scaled; empty for anything else.
std::string readPicture(const QUrl& url, int side) {
    if (url.isLocalFile()) {
        const QFileInfo file(url.toLocalFile());
        if (!file.isFile() || file.size() > ART_FILE_LIMIT) return {};
        QImageReader reader(file.filePath());
        return scaledPicture(reader, side);
    }
    const QByteArray whole = url.toEncoded();
    const qsizetype comma = whole.indexOf(',');
    if (comma < 0 || whole.size() - comma > ART_FILE_LIMIT * 4 / 3 + 4) return {};
    const QByteArray bytes = QByteArray::fromBase64(whole.mid(comma + 1));
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    return scaledPicture(reader, side);
}

}  // namespace

// Hands a picture read on a pool thread back to the session's thread, for as long as the session is there.
class MprisMediaSession::PictureRelay {
public:
    explicit PictureRelay(MprisMediaSession* session) : session_(session) {}

    void deliver(std::uint64_t asked, std::string picture) {
        const std::lock_guard lock(mutex_);
        if (!session_) return;
        read_ = {asked, std::move(picture)};
        // Queued on the session itself: a call still waiting when it goes is dropped with it.
        QMetaObject::invokeMethod(session_, "takePicture", Qt::QueuedConnection);
    }
    // On the session's thread: the picture read last, and which ask it answers.
    std::pair<std::uint64_t, std::string> take() {
        const std::lock_guard lock(mutex_);
        return std::exchange(read_, {});
    }
    void detach() {
        const std::lock_guard lock(mutex_);
        session_ = nullptr;
    }

private:
    std::mutex mutex_;
    MprisMediaSession* session_;
    std::pair<std::uint64_t, std::string> read_;
};

MprisMediaSession::MprisMediaSession(const Clock& clock)
    : clock_(clock), bus_(QDBusConnection::sessionBus()), pictures_(std::make_shared<PictureRelay>(this)) {
    if (!bus_.isConnected()) return;
    bus_.connect(BUS, BUS_PATH, BUS, "NameOwnerChanged", this,
                 SLOT(nameOwnerChanged(QString, QString, QString)));
    bus_.connect(QString(), PATH, PROPERTIES, "PropertiesChanged", this, SLOT(propertiesChanged(QDBusMessage)));
    bus_.connect(QString(), PATH, PLAYER, "Seeked", this, SLOT(seeked(QDBusMessage)));
    QDBusMessage list = QDBusMessage::createMethodCall(BUS, BUS_PATH, BUS, "ListNames");
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(list, CALL_LIMIT_MS), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* done) {
        const QDBusMessage reply = done->reply();
        done->deleteLater();
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return;
        for (const QString& name : reply.arguments().front().toStringList())
            if (name.startsWith(PREFIX)) add(name);
    });
}

std::vector<MediaPlayer> MprisMediaSession::players() {
    std::vector<MediaPlayer> players;
    for (const QString& name : order_) players.push_back(known_.at(name).player);
    return players;
}

void MprisMediaSession::ask(const QString& name, const QString& interface, const QString& method,
                            const QVariantList& arguments, std::function<void(const QDBusMessage&)> answered) {
    const bool toBus = name == BUS;
    QDBusMessage call = QDBusMessage::createMethodCall(name, toBus ? BUS_PATH : PATH, interface, method);
    call.setArguments(arguments);
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, CALL_LIMIT_MS), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [answered = std::move(answered)](QDBusPendingCallWatcher* done) {
                const QDBusMessage reply = done->reply();
                done->deleteLater();
                if (reply.type() == QDBusMessage::ReplyMessage && answered) answered(reply);
            });
}

void MprisMediaSession::add(const QString& name) {
    if (known_.contains(name)) return;
    order_.push_back(name);
    Known& known = known_[name];
    known.player.id = text(name);
    known.player.name = text(name.mid(PREFIX.size()));
    ask(BUS, BUS, "GetNameOwner", {name}, [this, name](const QDBusMessage& reply) {
        if (const auto found = known_.find(name); found != known_.end())
            found->second.owner = reply.arguments().value(0).toString();
    });
    ask(BUS, BUS, "GetConnectionUnixProcessID", {name}, [this, name](const QDBusMessage& reply) {
        if (const auto found = known_.find(name); found != known_.end()) {
            found->second.player.program = programOf(reply.arguments().value(0).toUInt());
            changed();
        }
    });
    for (const QString& interface : {ROOT, PLAYER})
        ask(name, PROPERTIES, "GetAll", {interface}, [this, name, interface](const QDBusMessage& reply) {
            if (const auto found = known_.find(name); found != known_.end()) {
                take(found->second, interface, mapOf(reply.arguments().value(0)));
                changed();
            }
        });
}

void MprisMediaSession::take(Known& known, const QString& interface, const QVariantMap& properties) {
    MediaPlayer& player = known.player;
    if (interface == ROOT) {
        if (properties.contains("Identity")) player.name = text(properties.value("Identity").toString());
        if (properties.contains("DesktopEntry")) player.desktopEntry = text(properties.value("DesktopEntry").toString());
        return;
    }
    if (interface != PLAYER) return;
    const std::uint64_t now = clock_.nowMs();
    if (properties.contains("PlaybackStatus")) {
        const QString status = properties.value("PlaybackStatus").toString();
        rebasePosition(player, now);
        player.status = status == "Playing"  ? PlaybackStatus::Playing
                        : status == "Paused" ? PlaybackStatus::Paused
                                             : PlaybackStatus::Stopped;
    }
    if (properties.contains("Metadata")) {
        const QVariantMap metadata = mapOf(properties.value("Metadata"));
        const std::string title = text(metadata.value("xesam:title").toString());
        const QVariant track = metadata.value("mpris:trackid");
        // Only an object path will do for SetPosition; some players send a string.
        const QString trackId = track.canConvert<QDBusObjectPath>() ? track.value<QDBusObjectPath>().path() : QString();
        // Another track starts at its beginning until its position is read.
        if (trackId != known.trackId || (trackId.isEmpty() && title != player.title)) {
            player.positionMs = 0;
            player.positionReadMs = now;
        }
        known.trackId = trackId;
        player.title = title;
        const QVariant artists = metadata.value("xesam:artist");
        player.artists = text(artists.canConvert<QStringList>() ? artists.toStringList().join(", ") : artists.toString());
        player.album = text(metadata.value("xesam:album").toString());
        player.artUrl = text(metadata.value("mpris:artUrl").toString());
        player.lengthMs = metadata.value("mpris:length").toLongLong() / 1000;
    }
    const auto flag = [&](const char* name, bool& into) {
        if (properties.contains(name)) into = properties.value(name).toBool();
    };
    flag("CanPlay", known.canPlay);
    flag("CanPause", known.canPause);
    player.canPlayPause = known.canPlay || known.canPause;
    flag("CanGoNext", player.canNext);
    flag("CanGoPrevious", player.canPrevious);
    flag("CanSeek", player.canSeek);
    if (properties.contains("Position")) {
        player.positionMs = properties.value("Position").toLongLong() / 1000;
        player.positionReadMs = now;
    }
}

void MprisMediaSession::askPosition(const QString& name) {
    ask(name, PROPERTIES, "Get", {PLAYER, QStringLiteral("Position")}, [this, name](const QDBusMessage& reply) {
        const auto found = known_.find(name);
        if (found == known_.end()) return;
        QVariant position = reply.arguments().value(0);
        if (position.canConvert<QDBusVariant>()) position = position.value<QDBusVariant>().variant();
        found->second.player.positionMs = position.toLongLong() / 1000;
        found->second.player.positionReadMs = clock_.nowMs();
        changed();
    });
}

MprisMediaSession::Known* MprisMediaSession::byOwner(const QString& owner) {
    for (auto& [name, known] : known_)
        if (known.owner == owner || name == owner) return &known;
    return nullptr;
}

void MprisMediaSession::nameOwnerChanged(const QString& name, const QString&, const QString& newOwner) {
    if (!name.startsWith(PREFIX)) return;
    if (newOwner.isEmpty()) {
        known_.erase(name);
        std::erase(order_, name);
        changed();
        return;
    }
    add(name);
    known_.at(name).owner = newOwner;
}

void MprisMediaSession::propertiesChanged(const QDBusMessage& message) {
    Known* known = byOwner(message.service());
    if (known == nullptr || message.arguments().size() < 2) return;
    const QString interface = message.arguments().at(0).toString();
    const QVariantMap properties = mapOf(message.arguments().at(1));
    take(*known, interface, properties);
    const QString name = QString::fromStdString(known->player.id);
    const QStringList invalidated = message.arguments().value(2).toStringList();
    if (!invalidated.isEmpty())
        ask(name, PROPERTIES, "GetAll", {interface}, [this, name, interface](const QDBusMessage& reply) {
            if (const auto found = known_.find(name); found != known_.end()) {
                take(found->second, interface, mapOf(reply.arguments().value(0)));
                changed();
            }
        });
    // The position is never signalled: it is asked for whenever the playback may have moved.
    if (interface == PLAYER && (properties.contains("PlaybackStatus") || properties.contains("Metadata")))
        askPosition(name);
    changed();
}

void MprisMediaSession::seeked(const QDBusMessage& message) {
    Known* known = byOwner(message.service());
    if (known == nullptr || message.arguments().isEmpty()) return;
    known->player.positionMs = message.arguments().at(0).toLongLong() / 1000;
    known->player.positionReadMs = clock_.nowMs();
    changed();
}

void MprisMediaSession::command(const std::string& id, PlayerCommand command) {
    const QString name = QString::fromStdString(id);
    if (!known_.contains(name)) return;
    const char* method = command == PlayerCommand::Next       ? "Next"
                         : command == PlayerCommand::Previous ? "Previous"
                                                              : "PlayPause";
    ask(name, PLAYER, method, {}, nullptr);
}

void MprisMediaSession::seek(const std::string& id, std::int64_t positionMs) {
    const QString name = QString::fromStdString(id);
    const auto found = known_.find(name);
    if (found == known_.end()) return;
    const Known& known = found->second;
    const auto refresh = [this, name](const QDBusMessage&) { askPosition(name); };
    // SetPosition needs the track's object path; a player without one (or with
    // the "no track" one, which SetPosition ignores) moves by an offset from where it is now.
    if (!known.trackId.isEmpty() && known.trackId != NO_TRACK)
        ask(name, PLAYER, "SetPosition",
            {QVariant::fromValue(QDBusObjectPath(known.trackId)), QVariant::fromValue(qlonglong(positionMs * 1000))},
            refresh);
    else
        ask(name, PLAYER, "Seek",
            {QVariant::fromValue(qlonglong((positionMs - positionAt(known.player, clock_.nowMs())) * 1000))}, refresh);
}

MprisMediaSession::~MprisMediaSession() { pictures_->detach(); }

std::string MprisMediaSession::artwork(const std::string& artUrl, int side) {
    if (artUrl == artUrl_) return art_;
    artUrl_ = artUrl;
    art_.clear();
    const QUrl url(QString::fromStdString(artUrl));
    // A remote address is never fetched: the card shows its placeholder.
    if (!url.isLocalFile() && url.scheme() != "data") return art_;
    // A file may be slow to read and a picture to decode: neither holds the window.
    const std::uint64_t asked = ++artAsked_;
    QThreadPool::globalInstance()->start(
        [relay = pictures_, url, side, asked] { relay->deliver(asked, readPicture(url, side)); });
    return art_;
}

void MprisMediaSession::takePicture() {
    auto [asked, picture] = pictures_->take();
    if (asked != artAsked_) return;  // another picture was asked for since (or this one was taken already)
    art_ = std::move(picture);
    changed();
}

void MprisMediaSession::changed() {
    if (changed_) changed_();
}

}  // namespace vork::linux_x11
