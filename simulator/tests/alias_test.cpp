#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "simulator/Pty.h"
#include "simulator/tests/support/PtyPeer.h"

namespace ryxsim {
namespace {

std::string Target(const std::string& link) {
    std::error_code ec;
    return std::filesystem::read_symlink(link, ec).string();
}

TEST(PortAliasTest, PublishesAndRemovesItsOwnLink) {
    testing::TempDir dir;
    PseudoTerminal pty;
    ASSERT_EQ(pty.Open(), 0u);
    {
        PortAlias alias;
        ASSERT_EQ(alias.Publish(dir.Path(), "Com2", pty.DevicePath()), 0u);
        EXPECT_EQ(alias.LinkPath(), dir.Path() + "/ports/com2");
        EXPECT_EQ(Target(alias.LinkPath()), pty.DevicePath());
    }
    EXPECT_FALSE(std::filesystem::is_symlink(dir.Path() + "/ports/com2"));
}

TEST(PortAliasTest, ReplacesADanglingLinkButNotALiveOne) {
    testing::TempDir dir;
    std::filesystem::create_directories(dir.Path() + "/ports");
    const std::string link = dir.Path() + "/ports/com1";
    std::filesystem::create_symlink(dir.Path() + "/gone", link);
    PortAlias alias;
    ASSERT_EQ(alias.Publish(dir.Path(), "COM1", "/dev/null"), 0u);
    EXPECT_EQ(Target(link), "/dev/null");

    PortAlias second;
    std::string error;
    EXPECT_NE(second.Publish(dir.Path(), "COM1", "/dev/zero", &error), 0u);
    EXPECT_NE(error.find("in use"), std::string::npos) << error;
    EXPECT_EQ(Target(link), "/dev/null");
}

TEST(PortAliasTest, LeavesALinkSomebodyElseMadeMeanwhile) {
    testing::TempDir dir;
    PortAlias alias;
    ASSERT_EQ(alias.Publish(dir.Path(), "COM4", "/dev/null"), 0u);
    const std::string link = alias.LinkPath();
    std::filesystem::remove(link);
    std::filesystem::create_symlink("/dev/zero", link);
    alias.Remove();
    EXPECT_EQ(Target(link), "/dev/zero");
}

TEST(PortAliasTest, RefusesBadNamesAndPlaces) {
    testing::TempDir dir;
    PortAlias alias;
    for (const char* name : {"COM0", "COM5", "COM10", "TTY1", "", "COM"})
        EXPECT_NE(alias.Publish(dir.Path(), name, "/dev/null"), 0u) << name;
    // A file where the ports folder should be.
    const std::string blocked = dir.Path() + "/blocked";
    std::filesystem::create_directories(blocked);
    {
        FILE* f = std::fopen((blocked + "/ports").c_str(), "w");
        std::fclose(f);
    }
    std::string error;
    EXPECT_NE(alias.Publish(blocked, "COM1", "/dev/null", &error), 0u);
    EXPECT_FALSE(error.empty());
}

TEST(PseudoTerminalTest, FarEndSurvivesTheStationClosingIt) {
    PseudoTerminal pty;
    ASSERT_EQ(pty.Open(), 0u);
    for (int i = 0; i < 2; ++i) {
        testing::PtyPeer peer(pty.DevicePath());
        ASSERT_TRUE(peer.IsOpen());
        ASSERT_EQ(write(pty.MasterFd(), "V2.000\r", 7), 7);
        EXPECT_EQ(peer.ReadFrame(), "V2.000\r") << "open " << i;
    }
}

}  // namespace
}  // namespace ryxsim
