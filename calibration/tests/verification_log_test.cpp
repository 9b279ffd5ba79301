// The verification log as the file holds it: the header and rows byte for
// byte, appending, decimal points whatever the locale, and a log that cannot
// be written left as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <ctime>

#include "calibration/VerificationLog.h"
#include "platform/Paths.h"
#include "platform/tests/GermanLocale.h"
#include "platform/tests/TempDir.h"

namespace {

const std::string kHeader =
    "Date/Time of Verfication,Target Temp (\xB0"
    "C),Current Temp (\xB0"
    "C),Certified Reference Temp (\xB0"
    "C),Pre-tare Force (mN),Air Bearing Movement w/2g,Air Bearing Return to Steel Beam,"
    "Top Gauge Deflection (mm),Red Gauge Deflection (mm),White Gauge Deflection (mm),"
    "Blue Gauge Deflection (mm),2g Increase (mN),4g Increase (mN),100g Increase (mN),"
    "Free Float (mN),Overall Pass/Fail\r\n";

class VerificationLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("TZ", "UTC", 1);
        tzset();
        path = dir.File("verificationFile.csv");
        // Values away from exact halves, so that no rounding rule decides.
        record.when = 1700000000;  // 2023-11-14 22:13:20 UTC
        record.target = -12.0f;
        record.current = -12.04f;
        record.reference = -11.93f;
        record.preTareForce = 0.4f;
        record.top = -1.0024f;
        record.red = 0.0031f;
        record.white = 2.0113f;
        record.blue = 4.9897f;
        record.force2g = 39.9f;
        record.force4g = 59.4f;
        record.force100g = 1000.9f;
        record.zeroLoadCell = -0.7f;
    }
    std::string File() {
        std::string s;
        EXPECT_EQ(platform::ReadWholeFile(path, s), 0u);
        return s;
    }

    ryxtest::TempDir dir;
    std::string path;
    VerificationRecord record;
};

const std::string kRow =
    "2023/11/14 22:13:20, -12.0, -12.0, -11.9, 0 ,Pass,Pass,-1.002, 0.003, 2.011, 4.990, 40, 59, 1001,-1 "
    ",Pass\r\n";

TEST_F(VerificationLogTest, ANewLogGetsTheHeaderThenTheRowInWindows1252WithCrLf) {
    ASSERT_EQ(AppendVerificationRow(path, record), 0u);
    EXPECT_EQ(File(), kHeader + kRow);
    // 16 fields in the header and in the row.
    EXPECT_EQ(std::count(kHeader.begin(), kHeader.end(), ','), 15);
    EXPECT_EQ(std::count(kRow.begin(), kRow.end(), ','), 15);
}

TEST_F(VerificationLogTest, VerdictsAndWideValuesKeepTheirFormats) {
    record.freeFloatFailed = true;
    record.overallFailed = true;
    record.preTareForce = 1234.2f;
    record.top = -12.3456f;
    record.zeroLoadCell = 5.3f;
    EXPECT_EQ(
        VerificationLogRow(record),
        "2023/11/14 22:13:20, -12.0, -12.0, -11.9, 1234,Fail,Pass,-12.346, 0.003, 2.011, 4.990, 40, 59, "
        "1001, 5 ,Fail");
    record.freeFloatFailed = false;
    record.steelBeamFailed = true;
    EXPECT_NE(VerificationLogRow(record).find(",Pass,Fail,"), std::string::npos);
}

TEST_F(VerificationLogTest, ASecondVerificationAppendsWithoutAHeader) {
    ASSERT_EQ(AppendVerificationRow(path, record), 0u);
    record.when += 3600;
    record.reference = -12.07f;
    ASSERT_EQ(AppendVerificationRow(path, record), 0u);
    const std::string second =
        "2023/11/14 23:13:20, -12.0, -12.0, -12.1, 0 ,Pass,Pass,-1.002, 0.003, 2.011, 4.990, 40, 59, 1001,-1 "
        ",Pass\r\n";
    EXPECT_EQ(File(), kHeader + kRow + second);
}

// Earlier logs are never rewritten or read: whatever a log holds stays, and
// a failure to write (here injected before anything is written, as a log
// that cannot be opened would fail) leaves it whole.
TEST_F(VerificationLogTest, AnExistingLogIsNeverTruncatedAndAFailedWriteLeavesItWhole) {
    const std::string earlier =
        kHeader + "2019/01/02 03:04:05, -24.0, -24.0, -24.0, 12 ,Pass,Pass,-0.5,...\r\n";
    ASSERT_EQ(platform::WriteFileAtomic(path, earlier), 0u);
    platform::SetWriteFailureHook([&](const std::string& target) { return target == path ? EACCES : 0; });
    EXPECT_NE(AppendVerificationRow(path, record), 0u);
    platform::SetWriteFailureHook({});
    EXPECT_EQ(File(), earlier);
    // The same row goes in when the log can be written again.
    ASSERT_EQ(AppendVerificationRow(path, record), 0u);
    EXPECT_EQ(File(), earlier + kRow);
}

TEST_F(VerificationLogTest, ADirectoryInTheWayIsAFailure) {
    ASSERT_EQ(platform::EnsureDirectory(path), 0u);
    EXPECT_NE(AppendVerificationRow(path, record), 0u);
    EXPECT_TRUE(platform::IsDirectory(path));
}

TEST_F(VerificationLogTest, AGermanLocaleStillWritesDecimalPoints) {
    ASSERT_TRUE(ryxtest::UseGermanLocale()) << "localedef could not build de_DE.UTF-8";
    const bool ok = AppendVerificationRow(path, record) == 0;
    std::setlocale(LC_ALL, "C");
    ASSERT_TRUE(ok);
    EXPECT_EQ(File(), kHeader + kRow);
}

}  // namespace
