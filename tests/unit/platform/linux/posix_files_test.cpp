// Linux's small files and text: the owner-only pairings file, the remembered
// choices, UTF-8 characters and which network interfaces are left out.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/linux/file_choice_store.h"
#include "platform/linux/ifaddrs_network_adapters.h"
#include "platform/linux/owner_only_file.h"
#include "platform/linux/posix_system_services.h"

namespace vork::linux_x11 {
namespace {

class Folder : public ::testing::Test {
protected:
    Folder() {
        char pattern[] = "/tmp/vork-files-XXXXXX";
        folder_ = mkdtemp(pattern);
    }
    ~Folder() override { std::filesystem::remove_all(folder_); }
    std::string path(const std::string& name) const { return folder_ + "/" + name; }

private:
    std::string folder_;
};

TEST_F(Folder, OwnerOnlyFile_IsWrittenWholeForItsOwnerAlone_AndOneOthersMayReadIsSetAside) {
    OwnerOnlyFile file(path("data/pairings"));
    std::string contents = "left over";
    EXPECT_EQ(SecretFile::Reading::Missing, file.read(contents));
    EXPECT_TRUE(contents.empty());
    ASSERT_TRUE(file.write("first")) << "its folder is made too";
    ASSERT_TRUE(file.write("second"));
    EXPECT_EQ(SecretFile::Reading::Read, file.read(contents));
    EXPECT_EQ("second", contents);
    struct stat status {};
    ASSERT_EQ(0, stat(path("data/pairings").c_str(), &status));
    EXPECT_EQ(0600u, status.st_mode & 0777);
    EXPECT_FALSE(std::filesystem::exists(path("data/pairings.new")));

    chmod(path("data/pairings").c_str(), 0644);
    EXPECT_EQ(SecretFile::Reading::Damaged, file.read(contents));
    EXPECT_TRUE(contents.empty());
    EXPECT_TRUE(std::filesystem::exists(path("data/pairings.bad")));
    EXPECT_EQ(SecretFile::Reading::Missing, file.read(contents)) << "the next write starts afresh";
}

TEST_F(Folder, Choices_AreKeptByName_AndAChangeReplacesOnlyItsOwn) {
    FileChoiceStore choices(path("choices"));
    EXPECT_FALSE(choices.readFlag("remote"));
    ASSERT_TRUE(choices.writeFlag("remote", true));
    ASSERT_TRUE(choices.writeFlag("remote2", false));
    ASSERT_TRUE(choices.writeFlag("remote", false));
    EXPECT_EQ(std::optional(false), choices.readFlag("remote"));
    EXPECT_EQ(std::optional(false), choices.readFlag("remote2"));
    std::ofstream(path("choices"), std::ios::app) << "broken=x\n";
    EXPECT_FALSE(choices.readFlag("broken"));
}

TEST(PosixText, CharacterBytes_FollowUtf8_AndABrokenSequenceCountsItsLeadAlone) {
    PosixSystemServices system;
    const std::pair<const char*, std::size_t> cases[] = {
        {"", 0}, {"ab", 1}, {"\xC3\xA9x", 2}, {"\xE2\x9C\x93", 3}, {"\xF0\x9F\x98\x80", 4},
        {"\xC3", 1}, {"\xE2\x9C", 1}, {"\xE2x\x93", 1}, {"\x80", 1},
    };
    for (const auto& [text, bytes] : cases) EXPECT_EQ(bytes, system.characterBytes(text)) << text;
}

TEST(NetworkAdapters, VirtualAndLoopbackInterfaces_AreLeftOut) {
    for (const char* name : {"lo", "docker0", "br-1a2b", "virbr0", "veth12ab", "tun0", "tap1", "wg0", "vnet3"})
        EXPECT_TRUE(isVirtualInterface(name)) << name;
    for (const char* name : {"eth0", "enp3s0", "wlan0", "wlp2s0", "bond0"}) EXPECT_FALSE(isVirtualInterface(name)) << name;
}

}  // namespace
}  // namespace vork::linux_x11
