#include "input/key_names.h"

#include <gtest/gtest.h>

#include <string>

namespace vork {
namespace {

TEST(KeyNames, EveryName_IsFound_InAnyCase) {
    for (const KeyNameEntry& entry : KEY_NAME_TABLE) {
        std::string lower(entry.name);
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        const auto upperHit = findKeyName(entry.name);
        const auto lowerHit = findKeyName(lower);
        ASSERT_TRUE(upperHit && lowerHit) << entry.name;
        EXPECT_EQ(entry.value, lowerHit->value) << entry.name;
    }
}

TEST(KeyNames, OnlyANameOfTheSameLength_Matches) {
    EXPECT_EQ(0x70, findKeyName("F1")->value);
    EXPECT_EQ(0x79, findKeyName("f10")->value);
    EXPECT_FALSE(findKeyName("F"));
    EXPECT_FALSE(findKeyName("F1 "));
    EXPECT_FALSE(findKeyName("ESCA"));
    EXPECT_FALSE(findKeyName(""));
    EXPECT_FALSE(findKeyName("SHIFT"));
    EXPECT_FALSE(findKeyName("ZZZ"));
}

TEST(KeyNames, CharacterEntries_AreMarked) {
    EXPECT_TRUE(findKeyName("PLUS")->isCharacter);
    EXPECT_EQ('+', findKeyName("plus")->value);
    EXPECT_FALSE(findKeyName("WIN")->isCharacter);
    EXPECT_EQ(0x5B, findKeyName("WIN")->value);
    EXPECT_EQ(0x08, findKeyName("BS")->value);
}

}  // namespace
}  // namespace vork
