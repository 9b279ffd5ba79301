#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/SerialLine.h"
#include "platform/tests/support/PtyPair.h"

namespace platform {
namespace {

using testsupport::PtyPair;

class SerialLineTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(pty.Ok());
        ASSERT_EQ(line.Open(pty.SlaveName()), 0u);
    }
    // The line as the station uses it: raw 9600 8N1.
    void MakeRaw() {
        LineSettings s;
        ASSERT_EQ(BuildLineSettings("baud=9600 parity=N data=8 stop=1", s), 0u);
        ASSERT_EQ(line.SetCommState(s), 0u);
    }
    void SetTimeouts(DWORD interval, DWORD mult, DWORD constant, DWORD wmult = 0, DWORD wconst = 0) {
        ASSERT_EQ(line.SetCommTimeouts({interval, mult, constant, wmult, wconst}), 0u);
    }
    std::string ReadString(DWORD wanted, ErrorCode* code = nullptr) {
        std::vector<char> buf(wanted + 1);
        DWORD got = 99;
        const ErrorCode e = line.Read(buf.data(), wanted, got);
        if (code)
            *code = e;
        else
            EXPECT_EQ(e, 0u);
        return std::string(buf.data(), got);
    }

    PtyPair pty;
    SerialLine line;
};

TEST(SerialLineOpen, MissingDeviceOrNonTerminalIsFileNotFound) {
    SerialLine line;
    EXPECT_EQ(line.Open("/nonexistent/ttyX"), kErrorFileNotFound);
    EXPECT_FALSE(line.IsOpen());
    char dir[] = "/tmp/serialline-XXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    const std::string file = std::string(dir) + "/NONE";
    FILE* f = std::fopen(file.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    EXPECT_EQ(line.Open(file), kErrorFileNotFound);
    EXPECT_FALSE(line.IsOpen());
    std::remove(file.c_str());
    ::rmdir(dir);
}

TEST_F(SerialLineTest, SecondOpenOfTheSameDeviceIsRefusedUntilClosed) {
    SerialLine other;
    EXPECT_EQ(other.Open(pty.SlaveName()), kErrorAccessDenied);
    EXPECT_FALSE(other.IsOpen());
    EXPECT_EQ(line.Close(), 0u);
    EXPECT_EQ(line.Close(), 0u);  // closing twice is harmless
    EXPECT_EQ(other.Open(pty.SlaveName()), 0u);
}

TEST_F(SerialLineTest, ModeStringGivesARaw9600Line8N1) {
    MakeRaw();
    termios t{};
    ASSERT_EQ(::tcgetattr(pty.Slave(), &t), 0);
    EXPECT_EQ(::cfgetospeed(&t), static_cast<speed_t>(B9600));
    EXPECT_EQ(::cfgetispeed(&t), static_cast<speed_t>(B9600));
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(t.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(t.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF | ICRNL | INLCR | ISTRIP), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);

    LineSettings back;
    ASSERT_EQ(line.GetCommState(back), 0u);
    EXPECT_EQ(back.BaudRate, 9600u);
    EXPECT_EQ(back.ByteSize, 8);
    EXPECT_EQ(back.Parity, kNoParity);
    EXPECT_EQ(back.StopBits, kOneStopBit);

    // Bytes pass untranslated both ways (CR stays CR, no echo).
    SetTimeouts(0, 0, 200);
    ASSERT_TRUE(pty.Send("A\r\nB"));
    EXPECT_EQ(ReadString(4), "A\r\nB");
    DWORD written = 0;
    ASSERT_EQ(line.Write("G\r", 2, written), 0u);
    EXPECT_EQ(written, 2u);
    EXPECT_EQ(pty.Receive(2), "G\r");
}

TEST_F(SerialLineTest, ASavedStateRestoresTheLineExactly) {
    // The line as some other program left it: 1200 baud, two stop bits,
    // cooked (a pty keeps 8 data bits without parity whatever it is told).
    termios before{};
    ASSERT_EQ(::tcgetattr(pty.Slave(), &before), 0);
    before.c_cflag |= CSTOPB;
    before.c_lflag |= ICANON | ECHO;
    ::cfsetispeed(&before, B1200);
    ::cfsetospeed(&before, B1200);
    ASSERT_EQ(::tcsetattr(pty.Slave(), TCSANOW, &before), 0);
    ASSERT_EQ(::tcgetattr(pty.Slave(), &before), 0);

    LineSettings saved;
    ASSERT_EQ(line.GetCommState(saved), 0u);
    EXPECT_EQ(saved.BaudRate, 1200u);
    EXPECT_EQ(saved.StopBits, kTwoStopBits);
    MakeRaw();
    ASSERT_EQ(line.SetCommState(saved), 0u);

    termios after{};
    ASSERT_EQ(::tcgetattr(pty.Slave(), &after), 0);
    EXPECT_EQ(after.c_cflag, before.c_cflag);
    EXPECT_EQ(after.c_lflag, before.c_lflag);
    EXPECT_EQ(after.c_iflag, before.c_iflag);
    EXPECT_EQ(after.c_oflag, before.c_oflag);
    EXPECT_EQ(::cfgetospeed(&after), static_cast<speed_t>(B1200));
}

TEST_F(SerialLineTest, AChangedFieldOfAReadStateChangesOnlyThatField) {
    MakeRaw();
    LineSettings s;
    ASSERT_EQ(line.GetCommState(s), 0u);
    s.BaudRate = 19200;
    ASSERT_EQ(line.SetCommState(s), 0u);
    termios t{};
    ASSERT_EQ(::tcgetattr(pty.Slave(), &t), 0);
    EXPECT_EQ(::cfgetospeed(&t), static_cast<speed_t>(B19200));
    EXPECT_EQ(t.c_lflag & ICANON, 0u);
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
}

TEST_F(SerialLineTest, ValuesTheLineCannotTakeAreInvalidParameters) {
    LineSettings s;
    ASSERT_EQ(BuildLineSettings("baud=9600 parity=N data=8 stop=1", s), 0u);
    for (auto change : std::vector<void (*)(LineSettings&)>{
             [](LineSettings& x) { x.BaudRate = 12345; },
             [](LineSettings& x) { x.ByteSize = 9; },
             [](LineSettings& x) { x.Parity = 7; },
             [](LineSettings& x) { x.StopBits = kOne5StopBits; },
         }) {
        LineSettings bad = s;
        change(bad);
        EXPECT_EQ(line.SetCommState(bad), kErrorInvalidParameter);
    }
}

TEST(BuildLineSettings, ReadsBothModeStringForms) {
    struct Case {
        const char* mode;
        ErrorCode code;
        DWORD baud;
        BYTE parity, data, stop;
    };
    const Case cases[] = {
        {"baud=9600 parity=N data=8 stop=1", 0, 9600, kNoParity, 8, kOneStopBit},
        {"BAUD=1200 PARITY=e DATA=7 STOP=2", 0, 1200, kEvenParity, 7, kTwoStopBits},
        {"COM1: baud=19200 parity=o data=8 stop=1.5", 0, 19200, kOddParity, 8, kOne5StopBits},
        {"9600,n,8,1", 0, 9600, kNoParity, 8, kOneStopBit},
        {"96,e,7,2", 0, 9600, kEvenParity, 7, kTwoStopBits},
        {"baud=9600 parity=X", kErrorInvalidParameter, 0, 0, 0, 0},
        {"baud=9600 data=9", kErrorInvalidParameter, 0, 0, 0, 0},
        {"baud=fast", kErrorInvalidParameter, 0, 0, 0, 0},
        {"speed=9600", kErrorInvalidParameter, 0, 0, 0, 0},
        {"", kErrorInvalidParameter, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        LineSettings s;
        EXPECT_EQ(BuildLineSettings(c.mode, s), c.code);
        if (c.code != 0) continue;
        EXPECT_EQ(s.BaudRate, c.baud);
        EXPECT_EQ(s.Parity, c.parity);
        EXPECT_EQ(s.ByteSize, c.data);
        EXPECT_EQ(s.StopBits, c.stop);
        EXPECT_TRUE(s.Flags & kDcbBinary);
        EXPECT_FALSE(s.hasNative);
    }
}

TEST_F(SerialLineTest, ReadTimeoutsFollowTheWindowsRules) {
    MakeRaw();
    // Return at once with what has come, also nothing.
    SetTimeouts(kMaxDword, 0, 0);
    EXPECT_EQ(ReadString(8), "");
    ASSERT_TRUE(pty.Send("xyz"));
    ASSERT_TRUE(pty.WaitSlaveReadable());
    EXPECT_EQ(ReadString(8), "xyz");

    // Total time-out with nothing coming: success with no byte.
    SetTimeouts(0, 1, 5);
    EXPECT_EQ(ReadString(1), "");

    // Fewer bytes than wanted: the total time-out ends the read.
    ASSERT_TRUE(pty.Send("AB"));
    ASSERT_TRUE(pty.WaitSlaveReadable());
    EXPECT_EQ(ReadString(5), "AB");

    // Only an interval time-out: the pause after the last byte ends it.
    SetTimeouts(20, 0, 0);
    ASSERT_TRUE(pty.Send("CDE"));
    EXPECT_EQ(ReadString(64), "CDE");

    // Wait for the first byte, then return with what is there.
    SetTimeouts(kMaxDword, kMaxDword, 2000);
    ASSERT_TRUE(pty.Send("F"));
    EXPECT_EQ(ReadString(64), "F");
    SetTimeouts(kMaxDword, kMaxDword, 5);
    EXPECT_EQ(ReadString(64), "");

    // No time-outs at all: the read waits for every byte wanted.
    SetTimeouts(0, 0, 0);
    ASSERT_TRUE(pty.Send("GH"));
    ASSERT_TRUE(pty.Send("IJ"));
    EXPECT_EQ(ReadString(4), "GHIJ");
}

TEST_F(SerialLineTest, AWriteThatRunsIntoItsTimeoutIsShortButSucceeds) {
    MakeRaw();
    SetTimeouts(0, 0, 0, 0, 30);
    // Nobody reads the master: the pty's buffer fills and the write stops.
    const std::string big(1 << 20, 'x');
    DWORD written = 0;
    EXPECT_EQ(line.Write(big.data(), static_cast<DWORD>(big.size()), written), 0u);
    EXPECT_GT(written, 0u);
    EXPECT_LT(written, big.size());
    EXPECT_EQ(line.Purge(kPurgeTxAbort | kPurgeTxClear), 0u);
}

TEST_F(SerialLineTest, PurgeDropsUnreadInput) {
    MakeRaw();
    SetTimeouts(kMaxDword, 0, 0);
    ASSERT_TRUE(pty.Send("stale"));
    ASSERT_TRUE(pty.WaitSlaveReadable());
    DWORD errors = 1;
    CommStat stat;
    ASSERT_EQ(line.ClearCommError(errors, &stat), 0u);
    EXPECT_EQ(errors, 0u);
    EXPECT_EQ(stat.cbInQue, 5u);
    EXPECT_EQ(line.Purge(kPurgeRxAbort | kPurgeRxClear), 0u);
    EXPECT_EQ(ReadString(8), "");
    EXPECT_EQ(line.Flush(), 0u);
}

TEST_F(SerialLineTest, AHangUpIsAFailedReadAndALineError) {
    MakeRaw();
    SetTimeouts(0, 0, 500);
    pty.CloseMaster();
    ErrorCode code = 0;
    ReadString(1, &code);
    EXPECT_NE(code, 0u);
    DWORD errors = 0;
    ASSERT_EQ(line.ClearCommError(errors), 0u);
    EXPECT_TRUE(errors & kCeIoe);
    ASSERT_EQ(line.ClearCommError(errors), 0u);
    EXPECT_EQ(errors, 0u);  // cleared by the call that reported it
}

TEST_F(SerialLineTest, RtsToggleOnADriverWithoutRs485LeavesAPlainLine) {
    LineSettings s;
    ASSERT_EQ(BuildLineSettings("baud=9600 parity=N data=8 stop=1", s), 0u);
    s.SetRtsControl(kRtsControlToggle);
    EXPECT_EQ(s.Flags & kDcbRtsControlMask, 0x3000u);
    ASSERT_EQ(line.SetCommState(s), 0u);
    EXPECT_FALSE(line.RtsToggledByDriver());
    LineSettings back;
    ASSERT_EQ(line.GetCommState(back), 0u);
    EXPECT_EQ(back.RtsControl(), kRtsControlToggle);
    // The line still carries bytes.
    DWORD written = 0;
    ASSERT_EQ(line.Write("Z\r", 2, written), 0u);
    EXPECT_EQ(pty.Receive(2), "Z\r");
}

TEST(SerialLineClosed, EveryOperationOnAClosedLineIsAnInvalidHandle) {
    SerialLine line;
    LineSettings s;
    CommTimeouts t;
    DWORD n = 0;
    char b[1];
    EXPECT_EQ(line.GetCommState(s), kErrorInvalidHandle);
    EXPECT_EQ(line.SetCommState(s), kErrorInvalidHandle);
    EXPECT_EQ(line.GetCommTimeouts(t), kErrorInvalidHandle);
    EXPECT_EQ(line.Read(b, 1, n), kErrorInvalidHandle);
    EXPECT_EQ(line.Write(b, 1, n), kErrorInvalidHandle);
    EXPECT_EQ(line.Purge(kPurgeRxClear), kErrorInvalidHandle);
    EXPECT_EQ(line.Flush(), kErrorInvalidHandle);
    EXPECT_EQ(line.ClearCommError(n), kErrorInvalidHandle);
}

}  // namespace
}  // namespace platform
