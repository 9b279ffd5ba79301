#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "instrument/CQXCommPort.h"
#include "instrument/CQXRS485Port.h"
#include "instrument/CQXSerialConfig.h"
#include "platform/Paths.h"
#include "platform/PortNames.h"
#include "platform/tests/TempDir.h"
#include "platform/tests/support/PtyPair.h"

namespace {

using platform::CommTimeouts;
using testsupport::PtyPair;

class RS485PortTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(pty.Ok());
        ASSERT_EQ(::tcgetattr(pty.Slave(), &original), 0);
    }
    void OpenPort() { ASSERT_EQ(port.Open(pty.SlaveName()), 0u); }
    // The port's own time-outs wait half a second for nothing; tests wait less.
    void ShortTimeouts(DWORD writeMultiplier = 1, DWORD writeConstant = 5000) {
        CQXSerialConfig config(port);
        ASSERT_EQ(config.SetTimeouts({15, 2, 20, writeMultiplier, writeConstant}), 0u);
    }
    unsigned ReadInto(std::string& out, DWORD wanted) {
        out.assign(wanted, '\0');
        DWORD count = 77;
        const unsigned e = port.Read(out.data(), count, wanted);
        out.resize(count);
        return e;
    }

    PtyPair pty;
    termios original{};
    CQXRS485Port port;
};

TEST_F(RS485PortTest, OpenGivesARawLineWithTheTimeoutsByBaud) {
    OpenPort();
    EXPECT_TRUE(port.IsOpen());
    EXPECT_EQ(port.GetName(), pty.SlaveName());
    EXPECT_TRUE(port.HasSavedSettings());
    termios t{};
    ASSERT_EQ(::tcgetattr(pty.Slave(), &t), 0);
    EXPECT_EQ(::cfgetospeed(&t), static_cast<speed_t>(B9600));
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO), 0u);
    CommTimeouts timeouts;
    ASSERT_EQ(port.Line().GetCommTimeouts(timeouts), 0u);
    EXPECT_EQ(timeouts, (CommTimeouts{15, 2, 500, 1, 5000}));
    platform::LineSettings dcb;
    ASSERT_EQ(port.Line().GetCommState(dcb), 0u);
    EXPECT_EQ(dcb.RtsControl(), platform::kRtsControlToggle);
    EXPECT_EQ(port.GetTerminator(), '\r');
    EXPECT_TRUE(port.HasTerminator());
}

TEST_F(RS485PortTest, OpenOnAnOpenPortReturns0AndKeepsTheLine) {
    OpenPort();
    EXPECT_EQ(port.Open("/nonexistent/other"), 0u);
    EXPECT_EQ(port.GetName(), pty.SlaveName());
    EXPECT_TRUE(port.IsOpen());
}

TEST_F(RS485PortTest, AMissingNameIsFileNotFoundAndLeavesThePortClosed) {
    for (const char* name : {"/nonexistent/ttyQ", "NONE"}) {
        EXPECT_EQ(port.Open(name), platform::kErrorFileNotFound) << name;
        EXPECT_FALSE(port.IsOpen());
        EXPECT_FALSE(port.HasSavedSettings());
    }
    EXPECT_EQ(port.Close(), 0u);
}

TEST_F(RS485PortTest, ASecondPortOnTheSameLineIsRefusedWith5) {
    OpenPort();
    CQXRS485Port other;
    EXPECT_EQ(other.Open(pty.SlaveName()), platform::kErrorAccessDenied);
    EXPECT_FALSE(other.IsOpen());
    EXPECT_EQ(port.Close(), 0u);
    EXPECT_EQ(other.Open(pty.SlaveName()), 0u);
}

TEST_F(RS485PortTest, CloseRestoresTheLineAsItWasFound) {
    // A line left cooked at 1200 baud by something else.
    termios before = original;
    before.c_lflag |= ICANON | ECHO;
    before.c_cflag |= CSTOPB;
    ::cfsetispeed(&before, B1200);
    ::cfsetospeed(&before, B1200);
    ASSERT_EQ(::tcsetattr(pty.Slave(), TCSANOW, &before), 0);
    ASSERT_EQ(::tcgetattr(pty.Slave(), &before), 0);

    OpenPort();
    termios during{};
    ASSERT_EQ(::tcgetattr(pty.Slave(), &during), 0);
    EXPECT_EQ(::cfgetospeed(&during), static_cast<speed_t>(B9600));
    EXPECT_EQ(port.Close(), 0u);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_FALSE(port.HasSavedSettings());
    EXPECT_EQ(port.Close(), 0u);

    termios after{};
    ASSERT_EQ(::tcgetattr(pty.Slave(), &after), 0);
    EXPECT_EQ(after.c_cflag, before.c_cflag);
    EXPECT_EQ(after.c_lflag, before.c_lflag);
    EXPECT_EQ(after.c_iflag, before.c_iflag);
    EXPECT_EQ(after.c_oflag, before.c_oflag);
    EXPECT_EQ(::cfgetospeed(&after), static_cast<speed_t>(B1200));
}

TEST_F(RS485PortTest, TheDestructorClosesAndRestoresToo) {
    {
        CQXRS485Port scoped;
        ASSERT_EQ(scoped.Open(pty.SlaveName()), 0u);
    }
    termios after{};
    ASSERT_EQ(::tcgetattr(pty.Slave(), &after), 0);
    EXPECT_EQ(after.c_lflag, original.c_lflag);
    EXPECT_EQ(after.c_cflag, original.c_cflag);
    CQXRS485Port again;
    EXPECT_EQ(again.Open(pty.SlaveName()), 0u);  // the lock went with it
}

TEST_F(RS485PortTest, ReadResultsFollowTheTerminator) {
    OpenPort();
    ShortTimeouts();
    std::string got;
    // No byte: success with count 0.
    EXPECT_EQ(ReadInto(got, 1), 0u);
    EXPECT_EQ(got, "");

    struct Case {
        char terminator;
        const char* sent;
        DWORD wanted;
        unsigned code;
        const char* read;
    };
    const Case cases[] = {
        {'\r', "ABCD", 4, platform::kErrorMoreData, "ABCD"},  // full, no terminator
        {'\r', "ABC\r", 4, 0, "ABC\r"},                       // full, ends in it
        {'\r', "AB", 4, 0, "AB"},                             // short read
        {'\r', "X", 1, platform::kErrorMoreData, "X"},        // one byte, not CR
        {CQXSerialPort::kNoTerminator, "ABCD", 4, 0, "ABCD"},
        {CQXSerialPort::kNoTerminator, "X", 1, 0, "X"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sent);
        port.SetTerminator(c.terminator);
        EXPECT_EQ(port.HasTerminator(), c.terminator != CQXSerialPort::kNoTerminator);
        ASSERT_TRUE(pty.Send(c.sent));
        ASSERT_TRUE(pty.WaitSlaveReadable());
        EXPECT_EQ(ReadInto(got, c.wanted), c.code);
        EXPECT_EQ(got, c.read);
    }
}

TEST_F(RS485PortTest, AWriteReachesTheFarEnd) {
    OpenPort();
    EXPECT_EQ(port.Write("01E0L\r", 6), 0u);
    EXPECT_EQ(pty.Receive(6), "01E0L\r");
}

TEST_F(RS485PortTest, AShortWriteIs1003) {
    OpenPort();
    ShortTimeouts(0, 30);
    // The far end reads nothing, so the line's buffer fills.
    const std::string big(1 << 20, 'x');
    EXPECT_EQ(port.Write(big.data(), static_cast<DWORD>(big.size())), platform::kErrorCanNotComplete);
    // The port stays usable once the far end reads again.
    pty.Receive(1 << 20, 20);
    EXPECT_EQ(port.Write("Z\r", 2), 0u);
}

TEST_F(RS485PortTest, AReadFailureWithALineErrorIs1117) {
    OpenPort();
    ShortTimeouts();
    pty.CloseMaster();  // the device goes away
    std::string got;
    EXPECT_EQ(ReadInto(got, 1), platform::kErrorIoDevice);
    EXPECT_EQ(port.Write("G\r", 2), platform::kErrorIoDevice);
}

TEST(CommPortBase, TheBaseClassImplementsNoTransfer) {
    CQXCommPort base;
    char b[4];
    DWORD n = 9;
    EXPECT_EQ(base.Read(b, n, 4), platform::kErrorCallNotImplemented);
    EXPECT_EQ(n, 0u);
    EXPECT_EQ(base.Write(b, 4), platform::kErrorCallNotImplemented);
    EXPECT_EQ(base.Purge(15), platform::kErrorCallNotImplemented);
    EXPECT_EQ(base.OnOpen(), 0u);
    EXPECT_EQ(base.OnClose(), 0u);
    EXPECT_EQ(base.Close(), 0u);
    EXPECT_FALSE(base.IsOpen());
}

TEST(CommPortNames, AComNameOpensThroughTheAliasFolder) {
    ryxtest::TempDir config;
    ::setenv("RYX_CONFIG_DIR", config.Path().c_str(), 1);
    PtyPair pty;
    ASSERT_TRUE(pty.Ok());
    ASSERT_EQ(platform::EnsureDirectory(platform::PortAliasDir()), 0u);
    ASSERT_EQ(::symlink(pty.SlaveName().c_str(), platform::PortAliasPath(2).c_str()), 0);
    CQXRS485Port port;
    ASSERT_EQ(port.Open("COM2"), 0u);
    EXPECT_EQ(port.GetName(), "COM2");
    EXPECT_EQ(port.Write("V\r", 2), 0u);
    EXPECT_EQ(pty.Receive(2), "V\r");
    ::unsetenv("RYX_CONFIG_DIR");
}

class SerialConfigTest : public RS485PortTest {};

TEST_F(SerialConfigTest, CharTimeAndTimeoutsFollowTheBaudRate) {
    OpenPort();
    struct Case {
        const char* mode;
        DWORD charTime;
    };
    const Case cases[] = {{"baud=9600 parity=N data=8 stop=1", 1},
                          {"baud=19200 parity=N data=8 stop=1", 1},
                          {"baud=1200 parity=N data=8 stop=1", 7},
                          {"baud=300 parity=N data=8 stop=1", 27},
                          {"baud=110 parity=N data=8 stop=1", 73}};
    CQXRS485Config config(port);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        ASSERT_EQ(config.ApplyCommString(c.mode), 0u);
        EXPECT_EQ(config.CharTime(), c.charTime);
        ASSERT_EQ(config.SetTimeoutsByBaud(), 0u);
        CommTimeouts t;
        ASSERT_EQ(port.Line().GetCommTimeouts(t), 0u);
        const DWORD ct = c.charTime;
        EXPECT_EQ(t, (CommTimeouts{15 * ct, 2 * ct, 500, ct, 5000}));
    }
}

TEST_F(SerialConfigTest, StoredAndDefaultStrings) {
    OpenPort();
    CQXSerialConfig config(port);
    std::string s = "junk";
    EXPECT_EQ(config.GetStoredString(s), platform::kErrorNoData);
    EXPECT_EQ(s, "");
    EXPECT_EQ(config.ApplyStored(), platform::kErrorNoData);
    EXPECT_EQ(config.GetDefaultString(s), 0u);
    EXPECT_EQ(s, "baud=9600 parity=N data=8 stop=1");
    EXPECT_EQ(config.ApplyCommString("baud=9600 parity=Q"), platform::kErrorInvalidParameter);
    // The plain variant leaves RTS alone; the RS-485 one asks for toggling.
    ASSERT_EQ(config.ApplyCommString("baud=9600 parity=N data=8 stop=1"), 0u);
    platform::LineSettings dcb;
    ASSERT_EQ(port.Line().GetCommState(dcb), 0u);
    EXPECT_EQ(dcb.RtsControl(), platform::kRtsControlDisable);
    EXPECT_EQ(config.SetupComm(256, 256), 0u);
    EXPECT_EQ(config.SetCommMask(0), 0u);
    EXPECT_EQ(config.Configure(), 0u);
}

}  // namespace
