#include "platform/win32/num_lock_path.h"

#include <gtest/gtest.h>

namespace vork::win32 {
namespace {

TEST(NumLockPath, FollowsTheSystemFamily_AndTheOlderFamilysMinorVersion) {
    struct Case {
        std::uint32_t version;
        NumLockPath path;
    };
    for (const Case& c : {Case{0x1DB10106, NumLockPath::KeyEvents}, Case{0x0A000000, NumLockPath::KeyEvents},
                          Case{0x80000A04, NumLockPath::SendInput}, Case{0x8000FF04, NumLockPath::SendInput},
                          Case{0x80000904, NumLockPath::KeyboardState}, Case{0x80000004, NumLockPath::KeyboardState}}) {
        EXPECT_EQ(c.path, numLockPath(c.version)) << std::hex << c.version;
    }
}

}  // namespace
}  // namespace vork::win32
