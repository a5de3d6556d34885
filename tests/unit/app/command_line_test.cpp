// Vork's command-line options.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "app/command_line.h"

namespace vork {
namespace {

TEST(CommandLine, WebOption_TakesTheDefaultPortOrAGivenOne) {
    const std::vector<std::tuple<std::string, std::optional<std::uint16_t>, bool>> cases = {
        {"--web", 8642, true},         {"--web=9000", 9000, true}, {"--web=65535", 65535, true},
        {"--web=0", std::nullopt, false}, {"--web=65536", std::nullopt, false}, {"--web=", std::nullopt, false},
        {"--web=-1", std::nullopt, false}, {"--web=80a", std::nullopt, false},  {"--webb", std::nullopt, false},
    };
    for (const auto& [argument, port, good] : cases) {
        const CommandLine line = parseCommandLine({argument});
        EXPECT_EQ(port, line.webPort) << argument;
        EXPECT_EQ(good, line.error.empty()) << argument;
    }
    EXPECT_FALSE(parseCommandLine({}).webPort) << "off unless asked for";
    const CommandLine others = parseCommandLine({"--minimised", "--connect"});
    EXPECT_TRUE(others.minimized && others.connect && !others.version && others.error.empty());
    EXPECT_TRUE(parseCommandLine({"--version"}).version);
}

}  // namespace
}  // namespace vork
