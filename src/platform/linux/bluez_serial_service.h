// The Serial Port service through BlueZ: a profile registered with
// org.bluez.ProfileManager1 on the system bus (the SPP UUID, server role, a
// channel of BlueZ's choosing, authentication and authorisation required).
// BlueZ hands each connected phone over through org.bluez.Profile1's
// NewConnection: the RFCOMM socket and the device, whose Address and Alias
// name the phone. The system bus is $DBUS_SYSTEM_BUS_ADDRESS where set.
#pragma once

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

#include "platform/linux/loopback_serial_service.h"

namespace vork::linux_x11 {

class BluezSerialService final : public PosixPhoneSockets {
public:
    BluezSerialService();
    ~BluezSerialService() override;
    BluezSerialService(const BluezSerialService&) = delete;
    BluezSerialService& operator=(const BluezSerialService&) = delete;

    // Fails, in words, while BlueZ, a powered adapter or the profile is missing.
    ServiceOffer offer() override;
    std::optional<PhoneConnection> nextPhone() override;
    void withdraw() override;
    void interrupt() override;
    void close(SocketHandle socket) override;

    // The phones BlueZ handed over and not yet taken, shared with the
    // profile's object, which may outlive the service by a queued call.
    struct Inbox {
        struct Handed {
            std::string device;  // the device's object path
            int socket = -1;     // Vork's own copy
        };
        void handOver(Handed phone);
        // BlueZ let the profile go (it is stopping or restarting): the wait ends, and the next cycle offers it again.
        void release();
        std::mutex mutex;
        std::condition_variable arrived;
        std::deque<Handed> waiting;
        bool interrupted = false;
        bool letGo = false;
        int serving = -1;  // the phone being served, cut off by an interrupt
    };

private:
    class Profile;
    class Bus;
    // Interrupted: the steps still to come are not taken.
    bool stopping();

    std::shared_ptr<Inbox> inbox_;
    std::unique_ptr<Bus> bus_;
    bool registered_ = false;
};

}  // namespace vork::linux_x11
