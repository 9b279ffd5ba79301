// The default test name of the day: the date stamp, the sequence read back
// from Test\Last Default, and its advance after a saved test.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "data/DefaultTestName.h"
#include "platform/Hive.h"
#include "platform/Paths.h"
#include "platform/tests/TempDir.h"
#include "settings/CQXRegistry.h"

namespace {

std::time_t LocalNoon(int year, int month, int day) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = 12;
    t.tm_isdst = -1;
    return std::mktime(&t);
}

class DefaultTestNameTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("RYX_CONFIG_DIR", dir.Path().c_str(), 1);
        ASSERT_EQ(theRegistry.SetTestBath(-18.0), 0u);
        SetDateStampClock([] { return LocalNoon(2024, 3, 5); });
    }
    void TearDown() override {
        SetDateStampClock(nullptr);
        unsetenv("RYX_CONFIG_DIR");
    }
    void Raw(const char* section, const char* name, const std::string& text) {
        ASSERT_EQ(
            platform::Hive::ForPath(dir.File("registry.reg"))
                ->SetValue(theRegistry.KeyPath(section), name, platform::RegValue{platform::kRegSz, text}),
            0u);
    }
    ryxtest::TempDir dir;
};

TEST_F(DefaultTestNameTest, AdvancingRemembersTheDefaultNameTheOperatorKept) {
    ASSERT_EQ(theRegistry.SetTestLastDefault("24030502"), 0u);
    ASSERT_EQ(theRegistry.SetTestFileName("24030503 -18"), 0u);
    AdvanceDefaultTestName();
    std::string last;
    ASSERT_EQ(theRegistry.GetTestLastDefault(last), 0u);
    EXPECT_EQ(last, "24030503");
    // The next proposal starts after it.
    MakeDateStamp();
    EXPECT_EQ(DefaultTestNameState::s_nSequence, 3);

    // A name of the operator's own leaves the last default alone.
    ASSERT_EQ(theRegistry.SetTestFileName("my test"), 0u);
    AdvanceDefaultTestName();
    ASSERT_EQ(theRegistry.GetTestLastDefault(last), 0u);
    EXPECT_EQ(last, "24030503");

    // The day's first default, with no last default stored.
    Raw("Test", "Last Default", "");
    ASSERT_EQ(theRegistry.SetTestFileName("24030501 -18"), 0u);
    AdvanceDefaultTestName();
    ASSERT_EQ(theRegistry.GetTestLastDefault(last), 0u);
    EXPECT_EQ(last, "24030501");

    // Past 99 nothing is remembered (a typed "240305100 -18" is no default).
    ASSERT_EQ(theRegistry.SetTestLastDefault("24030599"), 0u);
    ASSERT_EQ(theRegistry.SetTestFileName("240305100 -18"), 0u);
    AdvanceDefaultTestName();
    ASSERT_EQ(theRegistry.GetTestLastDefault(last), 0u);
    EXPECT_EQ(last, "24030599");
}

TEST_F(DefaultTestNameTest, MakeDateStampReadsTheSequenceOfTheSameDayOnly) {
    MakeDateStamp();
    EXPECT_EQ(DefaultTestNameState::s_strDateStamp, "240305");
    EXPECT_EQ(DefaultTestNameState::s_nSequence, 0);
    ASSERT_EQ(theRegistry.SetTestLastDefault("24030517"), 0u);
    MakeDateStamp();
    EXPECT_EQ(DefaultTestNameState::s_nSequence, 17);
    SetDateStampClock([] { return LocalNoon(2025, 12, 31); });
    MakeDateStamp();
    EXPECT_EQ(DefaultTestNameState::s_strDateStamp, "251231");
    EXPECT_EQ(DefaultTestNameState::s_nSequence, 0);
}

TEST_F(DefaultTestNameTest, TheNameHasTheTargetWithoutDecimals) {
    MakeDateStamp();
    EXPECT_EQ(DefaultTestName(3), "24030503 -18");
    EXPECT_EQ(DefaultTestName(3, 0.4), "24030503 0");
    EXPECT_EQ(DefaultTestName(12, std::nullopt), "24030512");
}

}  // namespace
