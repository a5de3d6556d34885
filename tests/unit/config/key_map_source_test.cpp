// Following the settings file as it changes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "config/built_in_rules.h"
#include "config/key_map_source.h"
#include "config/settings_file.h"
#include "simulated_desktop.h"

namespace vork {
namespace {
using test::EventLog;

TEST(KeyMapSource, FollowsTheFile_KeepsTheLastGoodMap_LooksAtMostOnceASecond) {
    const std::filesystem::path file = std::filesystem::temp_directory_path() / "vork-key-map-test.toml";
    const auto write = [&file](const std::string& text, int secondsLater) {
        std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
        std::filesystem::last_write_time(file, std::filesystem::file_time_type::clock::now() +
                                                   std::chrono::seconds(secondsLater));
    };
    write("[fallback.keys]\n\"5\" = \"a\"\n", 0);
    KeyMapSource source(file.string());
    EXPECT_FALSE(source.load());
    EXPECT_EQ("a", source.keyMap()->fallbackKeys.at("5"));

    write("[fallback.keys]\n\"5\" = \"b\"\n", 10);
    EXPECT_FALSE(source.refresh(10'000));
    EXPECT_EQ("b", source.keyMap()->fallbackKeys.at("5"));

    write("[fallback.keys]\n\"5\" = \"c\"\n", 20);
    EXPECT_FALSE(source.refresh(10'500)) << "within a second of the last look";
    EXPECT_EQ("b", source.keyMap()->fallbackKeys.at("5"));
    EXPECT_FALSE(source.refresh(11'000));
    EXPECT_EQ("c", source.keyMap()->fallbackKeys.at("5"));

    write("[fallback.keys]\n\"Q\" = \"d\"\n", 30);
    const auto problem = source.refresh(12'000);
    ASSERT_TRUE(problem);
    EXPECT_EQ("vork-key-map-test.toml, line 2: unknown phone key \"Q\"", *problem) << "the name alone, for the status line";
    EXPECT_EQ("c", source.keyMap()->fallbackKeys.at("5")) << "the last good map holds";
    EXPECT_FALSE(source.refresh(13'000)) << "an unchanged broken file is not reported again";
    std::filesystem::remove(file);
    EXPECT_FALSE(source.refresh(14'000)) << "a file that went away keeps the map too";
    EXPECT_EQ("c", source.keyMap()->fallbackKeys.at("5"));

    // The user's own file need not exist at start: made later, it is read then.
    KeyMapSource later(file.string());
    EXPECT_FALSE(later.load(false));
    EXPECT_FALSE(later.keyMap());
    write("[fallback.keys]\n\"5\" = \"e\"\n", 40);
    EXPECT_FALSE(later.refresh(20'000));
    ASSERT_TRUE(later.keyMap());
    EXPECT_EQ("e", later.keyMap()->fallbackKeys.at("5"));
    std::filesystem::remove(file);
    EXPECT_EQ(file.string() + ": cannot be read", KeyMapSource(file.string()).load().value_or(""))
        << "a file named on the command line must be there";
}

}  // namespace
}  // namespace vork
