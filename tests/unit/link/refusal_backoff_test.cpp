// How long a refused device or address waits before it may ask again.
#include <gtest/gtest.h>

#include <array>

#include "config/remote_switch.h"
#include "memory_store.h"
#include "config/settings_file.h"
#include "config/starter_settings.h"
#include "link/refusal_backoff.h"
#include "link/trusted_devices.h"
#include "web/connect_page.h"
#include "web/page_routes.h"
#include "web/reachable_addresses.h"

namespace vork {
namespace {
using test::MemoryFile;

TEST(RefusalBackoff, AFullTableKeepsTheLongestWaits_SoFreshAddressesCannotResetOne) {
    RefusalBackoff backoff;
    std::uint64_t now = 0;
    for (int failure = 0; failure < 8; ++failure) {
        now += backoff.waitLeftMs("attacker", now);
        backoff.penalise("attacker", now);
    }
    EXPECT_EQ(RefusalBackoff::LONGEST_WAIT_MS, backoff.waitLeftMs("attacker", now));
    now += RefusalBackoff::LONGEST_WAIT_MS;  // waited out, but not forgiven
    for (std::size_t fresh = 0; fresh < RefusalBackoff::PEER_LIMIT; ++fresh)
        backoff.penalise("fresh " + std::to_string(fresh), now);
    backoff.penalise("attacker", now);
    EXPECT_EQ(RefusalBackoff::LONGEST_WAIT_MS, backoff.waitLeftMs("attacker", now));
    EXPECT_EQ(0U, backoff.waitLeftMs("never seen", now));
}

}  // namespace
}  // namespace vork
