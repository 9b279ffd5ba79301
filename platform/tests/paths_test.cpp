#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "platform/Paths.h"
#include "platform/tests/TempDir.h"

using namespace platform;

TEST(Paths, ConfigDirFollowsTheEnvironment) {
    setenv("RYX_CONFIG_DIR", "/tmp/cfg-a", 1);
    EXPECT_EQ(ConfigDir(), "/tmp/cfg-a");
    unsetenv("RYX_CONFIG_DIR");
    setenv("XDG_CONFIG_HOME", "/tmp/xdg", 1);
    EXPECT_EQ(ConfigDir(), "/tmp/xdg/TarvokInstrument");
    unsetenv("XDG_CONFIG_HOME");
    setenv("HOME", "/home/lab", 1);
    EXPECT_EQ(ConfigDir(), "/home/lab/.config/TarvokInstrument");
}

TEST(Paths, NameParts) {
    EXPECT_EQ(BaseName("/data/T1.RYX"), "T1.RYX");
    EXPECT_EQ(DirName("/data/T1.RYX"), "/data");
    EXPECT_EQ(DirName("/T1"), "/");
    EXPECT_EQ(DirName("T1"), "");
    EXPECT_EQ(Extension("/data/T1.RYX"), ".RYX");
    EXPECT_EQ(Extension("/da.ta/T1"), "");
    EXPECT_EQ(JoinPath("/data/", "T1"), "/data/T1");
    EXPECT_EQ(JoinPath("/data", "T1"), "/data/T1");
    EXPECT_TRUE(EqualsNoCase(".ryx", ".RYX"));
    EXPECT_FALSE(EqualsNoCase(".ryx", ".RYXX"));
}

TEST(AtomicWrite, ReplacesTheWholeFile) {
    ryxtest::TempDir dir;
    const std::string f = dir.File("sub/a.txt");
    ASSERT_EQ(EnsureDirectory(DirName(f)), 0u);
    ASSERT_EQ(WriteFileAtomic(f, "first"), 0u);
    ASSERT_EQ(WriteFileAtomic(f, "second"), 0u);
    std::string got;
    ASSERT_EQ(ReadWholeFile(f, got), 0u);
    EXPECT_EQ(got, "second");
    // No temporary file stays behind.
    int n = 0;
    for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir.File("sub"))) ++n;
    EXPECT_EQ(n, 1);
}

TEST(AtomicWrite, AFailedWriteKeepsTheOldFile) {
    ryxtest::TempDir dir;
    const std::string f = dir.File("a.txt");
    ASSERT_EQ(WriteFileAtomic(f, "old"), 0u);
    SetWriteFailureHook([](const std::string&) { return ENOSPC; });
    EXPECT_EQ(WriteFileAtomic(f, "new"), kErrorDiskFull);
    SetWriteFailureHook(nullptr);
    std::string got;
    ASSERT_EQ(ReadWholeFile(f, got), 0u);
    EXPECT_EQ(got, "old");
    int n = 0;
    for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir.Path())) ++n;
    EXPECT_EQ(n, 1);
}

TEST(AtomicWrite, ADirectoryInTheWayIsAnError) {
    ryxtest::TempDir dir;
    ASSERT_EQ(EnsureDirectory(dir.File("taken")), 0u);
    EXPECT_NE(WriteFileAtomic(dir.File("taken"), "x"), 0u);
    EXPECT_TRUE(IsDirectory(dir.File("taken")));
    EXPECT_NE(WriteFileAtomic(dir.File("missing/dir/x"), "x"), 0u);
}

TEST(Paths, FreeDiskSpace) {
    uint64_t bytes = 0;
    EXPECT_EQ(FreeDiskSpace("/", bytes), 0u);
    EXPECT_GT(bytes, 0u);
    EXPECT_NE(FreeDiskSpace("/no/such/folder", bytes), 0u);
}
