#include "platform/win32/win32_random_source.h"

#include <windows.h>
// windows.h first: bcrypt.h needs its types.
#include <bcrypt.h>

namespace vork::win32 {

bool Win32RandomSource::fill(std::span<std::uint8_t> bytes) {
    // NTSTATUS success is 0; the system generator needs no algorithm handle.
    return BCryptGenRandom(nullptr, bytes.data(), static_cast<ULONG>(bytes.size()), BCRYPT_USE_SYSTEM_PREFERRED_RNG) ==
           0;
}

}  // namespace vork::win32
