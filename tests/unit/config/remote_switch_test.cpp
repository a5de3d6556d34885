// Who decides the browser remote's switch, and what the user's choice keeps.
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

TEST(RemoteSwitch, TheCommandLineWinsOverTheFile_WhichWinsOverTheRemembered) {
    struct Case {
        std::optional<std::uint16_t> commandLine;
        std::optional<bool> file;
        std::optional<bool> remembered;
        SwitchDecision decision;
    };
    const std::vector<Case> cases = {
        {std::nullopt, std::nullopt, std::nullopt, {false, 8700, SwitchSource::Default}},
        {std::nullopt, std::nullopt, true, {true, 8700, SwitchSource::Remembered}},
        {std::nullopt, false, true, {false, 8700, SwitchSource::SettingsFile}},
        {std::nullopt, true, false, {true, 8700, SwitchSource::SettingsFile}},
        {9000, false, false, {true, 9000, SwitchSource::CommandLine}},
    };
    for (const Case& c : cases) EXPECT_EQ(c.decision, decideSwitch({c.commandLine, c.file, 8700}, c.remembered));

    test::MemoryChoices choices;
    RemoteSwitch free({std::nullopt, std::nullopt, 8642}, choices);
    EXPECT_TRUE(free.choose(true));
    EXPECT_TRUE(free.decision().on) << "kept for the next start";
    RemoteSwitch locked({std::nullopt, false, 8642}, choices);
    EXPECT_FALSE(locked.choose(true)) << "the settings file decides";
    EXPECT_FALSE(locked.decision().on);
}

}  // namespace
}  // namespace vork
