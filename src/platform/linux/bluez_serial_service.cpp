#include "platform/linux/bluez_serial_service.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusUnixFileDescriptor>
#include <QDBusVariant>
#include <QDBusVirtualObject>

#include <atomic>
#include <cerrno>

namespace vork::linux_x11 {

namespace {

constexpr const char* BLUEZ = "org.bluez";
constexpr const char* PROFILE_PATH = "/org/vork/serial_port";
constexpr const char* SERIAL_PORT_UUID = "00001101-0000-1000-8000-00805f9b34fb";
// A stop waits for the call under way and the withdrawal's one, well within the listener's join limit.
constexpr int CALL_TIMEOUT_MS = 500;

using Interfaces = QMap<QString, QVariantMap>;
using ManagedObjects = QMap<QDBusObjectPath, Interfaces>;

// Each connection a name of its own: a service made again is a new client to BlueZ.
QString connectionName() {
    static std::atomic<int> next{0};
    return QString("vork-bluez-%1").arg(next++);
}

ServiceOffer failedOffer(int step, const std::string& why) {
    ServiceOffer offer;
    offer.outcome = ServiceOffer::Outcome::Failed;
    offer.failedStep = step;
    offer.errorCode = 0;
    offer.failureText = "Cannot find bluetooth: " + why;
    return offer;
}

}  // namespace

// The profile's object: BlueZ calls it; it hands each phone to the service and answers at once.
class BluezSerialService::Profile final : public QDBusVirtualObject {
public:
    explicit Profile(std::shared_ptr<Inbox> inbox) : inbox_(std::move(inbox)) {}

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.interface() != "org.bluez.Profile1") return false;
        const QList<QVariant> arguments = message.arguments();
        if (message.member() == "NewConnection" && arguments.size() >= 2) {
            const auto device = qvariant_cast<QDBusObjectPath>(arguments[0]);
            const auto socket = qvariant_cast<QDBusUnixFileDescriptor>(arguments[1]);
            const int copy = socket.isValid() ? ::dup(socket.fileDescriptor()) : -1;
            if (copy < 0) {
                connection.send(message.createErrorReply("org.bluez.Error.Rejected", "no socket"));
                return true;
            }
            // BlueZ accepted it non-blocking, and the copy shares that: the listener's reads wait.
            const int flags = ::fcntl(copy, F_GETFL);
            if (flags >= 0 && (flags & O_NONBLOCK) != 0) ::fcntl(copy, F_SETFL, flags & ~O_NONBLOCK);
            inbox_->handOver(Inbox::Handed{device.path().toStdString(), copy});
        }
        if (message.member() == "Release") inbox_->release();
        // RequestDisconnection and Cancel need nothing of Vork: the phone's socket tells.
        connection.send(message.createReply());
        return true;
    }

    [[nodiscard]] QString introspect(const QString&) const override {
        return "<interface name=\"org.bluez.Profile1\">"
               "<method name=\"Release\"/>"
               "<method name=\"NewConnection\"><arg type=\"o\" direction=\"in\"/><arg type=\"h\" direction=\"in\"/>"
               "<arg type=\"a{sv}\" direction=\"in\"/></method>"
               "<method name=\"RequestDisconnection\"><arg type=\"o\" direction=\"in\"/></method>"
               "</interface>";
    }

private:
    std::shared_ptr<Inbox> inbox_;
};

class BluezSerialService::Bus {
public:
    explicit Bus(std::shared_ptr<Inbox> inbox)
        : name_(connectionName()),
          connection_(QDBusConnection::connectToBus(QDBusConnection::SystemBus, name_)),
          profile_(new Profile(std::move(inbox))) {
        // Qt delivers an object's calls on its thread: the window's, whose loop always runs.
        if (QCoreApplication::instance()) profile_->moveToThread(QCoreApplication::instance()->thread());
    }
    ~Bus() {
        connection_.unregisterObject(PROFILE_PATH);
        QDBusConnection::disconnectFromBus(name_);
        profile_->deleteLater();  // on its own thread, after any call still queued for it
    }
    Bus(const Bus&) = delete;
    Bus& operator=(const Bus&) = delete;

    QDBusConnection& connection() { return connection_; }
    bool exportProfile() {
        return connection_.registerVirtualObject(PROFILE_PATH, profile_, QDBusConnection::SingleNode);
    }

private:
    QString name_;
    QDBusConnection connection_;
    Profile* profile_;
};

BluezSerialService::BluezSerialService() : inbox_(std::make_shared<Inbox>()) {
    qDBusRegisterMetaType<Interfaces>();
    qDBusRegisterMetaType<ManagedObjects>();
}

BluezSerialService::~BluezSerialService() { withdraw(); }

ServiceOffer BluezSerialService::offer() {
    {
        const std::lock_guard lock(inbox_->mutex);
        if (inbox_->interrupted) return failedOffer(1, "stopping");
        inbox_->letGo = false;
    }
    bus_ = std::make_unique<Bus>(inbox_);
    QDBusConnection& bus = bus_->connection();
    if (!bus.isConnected()) return failedOffer(1, "no system bus");
    QDBusMessage owner = QDBusMessage::createMethodCall("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                        "org.freedesktop.DBus", "NameHasOwner");
    owner << QString(BLUEZ);
    const QDBusReply<bool> running = bus.call(owner, QDBus::Block, CALL_TIMEOUT_MS);
    if (!running.isValid() || !running.value()) return failedOffer(2, "BlueZ is not running");
    if (stopping()) return failedOffer(2, "stopping");

    // A powered adapter: the first one BlueZ lists.
    QDBusMessage list = QDBusMessage::createMethodCall(BLUEZ, "/", "org.freedesktop.DBus.ObjectManager",
                                                       "GetManagedObjects");
    const QDBusReply<ManagedObjects> objects = bus.call(list, QDBus::Block, CALL_TIMEOUT_MS);
    if (!objects.isValid()) return failedOffer(3, "BlueZ does not answer");
    if (stopping()) return failedOffer(3, "stopping");
    bool adapter = false;
    bool powered = false;
    for (const Interfaces& interfaces : objects.value()) {
        const auto found = interfaces.find("org.bluez.Adapter1");
        if (found == interfaces.end()) continue;
        adapter = true;
        powered = powered || found->value("Powered").toBool();
    }
    if (!adapter) return failedOffer(4, "no adapter");
    if (!powered) return failedOffer(5, "the adapter is off");

    if (!bus_->exportProfile()) return failedOffer(6, "the profile cannot be offered");
    if (stopping()) return failedOffer(6, "stopping");
    QVariantMap options;
    options["Name"] = "Vork";
    options["Role"] = "server";
    options["RequireAuthentication"] = true;
    options["RequireAuthorization"] = true;
    QDBusMessage registration = QDBusMessage::createMethodCall(BLUEZ, "/org/bluez", "org.bluez.ProfileManager1",
                                                               "RegisterProfile");
    registration << QVariant::fromValue(QDBusObjectPath(PROFILE_PATH)) << QString(SERIAL_PORT_UUID) << options;
    const QDBusMessage answer = bus.call(registration, QDBus::Block, CALL_TIMEOUT_MS);
    if (answer.type() == QDBusMessage::ErrorMessage)
        return failedOffer(7, "BlueZ refused the Serial Port profile (" + answer.errorName().toStdString() + ")");
    registered_ = true;
    ServiceOffer offer;
    offer.outcome = ServiceOffer::Outcome::Offered;
    offer.secured = true;  // BlueZ lets only paired devices on an authenticated link through
    return offer;
}

void BluezSerialService::Inbox::handOver(Handed phone) {
    {
        const std::lock_guard lock(mutex);
        if (!interrupted) {
            waiting.push_back(std::move(phone));
            arrived.notify_all();
            return;
        }
    }
    ::close(phone.socket);
}

bool BluezSerialService::stopping() {
    const std::lock_guard lock(inbox_->mutex);
    return inbox_->interrupted;
}

void BluezSerialService::Inbox::release() {
    const std::lock_guard lock(mutex);
    letGo = true;
    arrived.notify_all();
}

std::optional<PhoneConnection> BluezSerialService::nextPhone() {
    Inbox::Handed phone;
    {
        std::unique_lock lock(inbox_->mutex);
        inbox_->arrived.wait(lock, [this] { return inbox_->interrupted || inbox_->letGo || !inbox_->waiting.empty(); });
        if (inbox_->interrupted || inbox_->letGo) return std::nullopt;
        phone = std::move(inbox_->waiting.front());
        inbox_->waiting.pop_front();
        inbox_->serving = phone.socket;
    }
    // The device's address and the name its user gave it (or it gave itself).
    PhoneConnection connection{static_cast<SocketHandle>(phone.socket), {}, {}};
    if (bus_) {
        for (const auto& [property, field] : {std::pair{"Address", &connection.address}, std::pair{"Alias", &connection.name}}) {
            if (stopping()) break;
            QDBusMessage get = QDBusMessage::createMethodCall(BLUEZ, QString::fromStdString(phone.device),
                                                              "org.freedesktop.DBus.Properties", "Get");
            get << QString("org.bluez.Device1") << QString(property);
            const QDBusReply<QDBusVariant> value = bus_->connection().call(get, QDBus::Block, CALL_TIMEOUT_MS);
            if (value.isValid()) *field = value.value().variant().toString().toStdString();
        }
    }
    return connection;
}

void BluezSerialService::withdraw() {
    if (bus_ && registered_) {
        QDBusMessage unregister = QDBusMessage::createMethodCall(BLUEZ, "/org/bluez", "org.bluez.ProfileManager1",
                                                                 "UnregisterProfile");
        unregister << QVariant::fromValue(QDBusObjectPath(PROFILE_PATH));
        bus_->connection().call(unregister, QDBus::Block, CALL_TIMEOUT_MS);
    }
    registered_ = false;
    bus_.reset();
    const std::lock_guard lock(inbox_->mutex);
    for (const Inbox::Handed& phone : inbox_->waiting) ::close(phone.socket);
    inbox_->waiting.clear();
    if (inbox_->serving >= 0) ::close(inbox_->serving);
    inbox_->serving = -1;
}

void BluezSerialService::interrupt() {
    const std::lock_guard lock(inbox_->mutex);
    inbox_->interrupted = true;
    inbox_->arrived.notify_all();
    if (inbox_->serving >= 0) ::shutdown(inbox_->serving, SHUT_RDWR);  // ends a read on it at once
}

void BluezSerialService::close(SocketHandle socket) {
    {
        const std::lock_guard lock(inbox_->mutex);
        if (inbox_->serving == static_cast<int>(socket)) inbox_->serving = -1;
    }
    PosixPhoneSockets::close(socket);
}

}  // namespace vork::linux_x11
