// The kernel's random numbers (getrandom), for secrets.
#pragma once

#include <sys/random.h>

#include <cerrno>

#include "platform/random_source.h"

namespace vork::linux_x11 {

class GetrandomSource final : public RandomSource {
public:
    bool fill(std::span<std::uint8_t> bytes) override {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t got = getrandom(bytes.data() + done, bytes.size() - done, 0);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) return false;
            done += static_cast<std::size_t>(got);
        }
        return true;
    }
};

}  // namespace vork::linux_x11
