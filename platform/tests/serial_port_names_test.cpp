#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/Paths.h"
#include "platform/PortNames.h"
#include "platform/SerialLine.h"
#include "platform/tests/TempDir.h"
#include "platform/tests/support/PtyPair.h"

namespace platform {
namespace {

class PortNamesTest : public ::testing::Test {
protected:
    void SetUp() override { ::setenv("RYX_CONFIG_DIR", config.Path().c_str(), 1); }
    void TearDown() override { ::unsetenv("RYX_CONFIG_DIR"); }
    void Link(int n, const std::string& target) {
        ASSERT_EQ(EnsureDirectory(PortAliasDir()), 0u);
        ASSERT_EQ(::symlink(target.c_str(), PortAliasPath(n).c_str()), 0);
    }
    ryxtest::TempDir config;
};

TEST(ComPortNumber, AcceptsComNamesInAnyCaseOnly) {
    struct Case {
        const char* name;
        int n;
    };
    const Case cases[] = {{"COM1", 1},   {"com4", 4}, {"Com12", 12},    {"\\\\.\\COM7", 7}, {"COM255", 255},
                          {"COM256", 0}, {"COM0", 0}, {"COM01", 0},     {"COM", 0},         {"COM1x", 0},
                          {"NONE", 0},   {"", 0},     {"/dev/ttyS0", 0}};
    for (const Case& c : cases) EXPECT_EQ(ComPortNumber(c.name), c.n) << c.name;
}

TEST_F(PortNamesTest, WithoutALinkComNMeansTtySOfNMinusOne) {
    EXPECT_EQ(ResolvePortName("COM1"), "/dev/ttyS0");
    EXPECT_EQ(ResolvePortName("com4"), "/dev/ttyS3");
    EXPECT_EQ(ResolvePortName("NONE"), "NONE");
    EXPECT_EQ(ResolvePortName("/dev/pts/3"), "/dev/pts/3");
}

TEST_F(PortNamesTest, ALinkInTheAliasFolderNamesTheDevice) {
    Link(2, "/dev/null");
    EXPECT_EQ(ResolvePortName("COM2"), config.Path() + "/ports/com2");
    EXPECT_EQ(ResolvePortName("com2"), config.Path() + "/ports/com2");
    EXPECT_EQ(ResolvePortName("COM1"), "/dev/ttyS0");  // other numbers keep the fallback
}

TEST_F(PortNamesTest, ADanglingLinkIsUsedAndTheOpenFailsRatherThanFallingBack) {
    Link(1, config.Path() + "/gone");
    EXPECT_EQ(ResolvePortName("COM1"), config.Path() + "/ports/com1");
    SerialLine line;
    EXPECT_EQ(line.Open(ResolvePortName("COM1")), kErrorFileNotFound);
}

TEST_F(PortNamesTest, AComNameOpensThePseudoTerminalItsLinkPointsTo) {
    testsupport::PtyPair pty;
    ASSERT_TRUE(pty.Ok());
    Link(3, pty.SlaveName());
    SerialLine line;
    ASSERT_EQ(line.Open(ResolvePortName("COM3")), 0u);
    LineSettings s;
    ASSERT_EQ(BuildLineSettings("baud=9600 parity=N data=8 stop=1", s), 0u);
    ASSERT_EQ(line.SetCommState(s), 0u);
    DWORD written = 0;
    ASSERT_EQ(line.Write("V\r", 2, written), 0u);
    EXPECT_EQ(pty.Receive(2), "V\r");
    // The lock is on the device, so its own name is refused too.
    SerialLine direct;
    EXPECT_EQ(direct.Open(pty.SlaveName()), kErrorAccessDenied);
}

}  // namespace
}  // namespace platform
