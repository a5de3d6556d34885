// The settings file Vork makes for a user who has none.
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

TEST(StarterSettings, AreAGoodFileThatChangesNothing) {
    const SettingsResult result = parseSettings(STARTER_SETTINGS, "vork.toml");
    ASSERT_TRUE(result.settings) << result.error;
    EXPECT_TRUE(result.settings->keyMap.empty());
    EXPECT_FALSE(result.settings->web.enabled);
}

}  // namespace
}  // namespace vork
