// The Serial Port service where this build cannot offer one (no BlueZ link
// yet): every cycle fails at its first step with "no such device", so the
// window says Bluetooth cannot be found and points to the browser remote.
#pragma once

#include <cerrno>

#include "platform/linux/loopback_serial_service.h"

namespace vork::linux_x11 {

class UnavailableSerialService final : public PosixPhoneSockets {
public:
    ServiceOffer offer() override {
        ServiceOffer offer;
        offer.outcome = ServiceOffer::Outcome::Failed;
        offer.failedStep = 1;
        offer.errorCode = ENODEV;
        return offer;
    }
    std::optional<PhoneConnection> nextPhone() override { return std::nullopt; }
    void withdraw() override {}
    void interrupt() override {}
};

}  // namespace vork::linux_x11
