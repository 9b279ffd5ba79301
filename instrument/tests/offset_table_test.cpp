#include <gtest/gtest.h>

#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "framework/core/Exceptions.h"
#include "instrument/TempOffsetTable.h"
#include "platform/Paths.h"
#include "platform/tests/TempDir.h"
#include "settings/CQXRegistry.h"

namespace {

constexpr double kFltMax = static_cast<double>(FLT_MAX);

class OffsetTableTest : public ::testing::Test {
protected:
    void SetUp() override { ::setenv("RYX_CONFIG_DIR", config.Path().c_str(), 1); }
    void TearDown() override {
        platform::SetWriteFailureHook(nullptr);
        ::unsetenv("RYX_CONFIG_DIR");
    }
    // Offsets (hundredths) and dates by degree; other degrees uncalibrated.
    void Store(const std::vector<std::tuple<int, int16_t, Time64>>& entries) {
        std::vector<unsigned char> offsets(CQXRegistry::kOffsetsSize);
        std::vector<unsigned char> dates(CQXRegistry::kOffsetDatesSize);
        for (int i = 0; i < TempOffsetTable::kEntries; ++i) {
            uint16_t v = 0x7FFF;
            uint64_t d = 0;
            for (const auto& [degree, offset, date] : entries)
                if (degree + 40 == i) {
                    v = static_cast<uint16_t>(offset);
                    d = static_cast<uint64_t>(date);
                }
            offsets[2 * i] = static_cast<unsigned char>(v);
            offsets[2 * i + 1] = static_cast<unsigned char>(v >> 8);
            for (int k = 0; k < 8; ++k) dates[8 * i + k] = static_cast<unsigned char>(d >> (8 * k));
        }
        ASSERT_EQ(theRegistry.SetTemperatureOffsets(offsets.data(), CQXRegistry::kOffsetsSize), 0u);
        ASSERT_EQ(theRegistry.SetTemperatureOffsetDates(dates.data(), CQXRegistry::kOffsetDatesSize), 0u);
    }
    ryxtest::TempDir config;
    TempOffsetTable table;
};

TEST_F(OffsetTableTest, WithNothingStoredEveryDegreeIsUncalibrated) {
    ASSERT_TRUE(table.LoadOffsets());
    ASSERT_TRUE(table.LoadDates());
    for (int degree = -40; degree <= 25; ++degree) {
        Time64 date = 99;
        EXPECT_EQ(table.GetOffset(degree, &date), kFltMax) << degree;
        EXPECT_EQ(date, 0);
    }
}

TEST_F(OffsetTableTest, LookupsRoundToTheNearestDegree) {
    Store({{-20, -26, 1700000000}, {-40, 5, 1600000000}, {25, 130, 1650000000}, {0, -1, 0}});
    ASSERT_TRUE(table.LoadOffsets());
    ASSERT_TRUE(table.LoadDates());
    struct Case {
        double t;
        double offset;
        Time64 date;
    };
    const Case cases[] =
        {
            {-20.0, -0.26, 1700000000}, {-20.4, -0.26, 1700000000},
            {-19.5, -0.26, 1700000000},  // half away from 0
            {-19.4, kFltMax, 0},        {-40.4, 0.05, 1600000000},
            {25.4, 1.30, 1650000000},   {0.2, -0.01, 0},
            {-0.5, kFltMax, 0},
        };
    for (const Case& c : cases) {
        Time64 date = -1;
        EXPECT_DOUBLE_EQ(table.GetOffset(c.t, &date), c.offset) << c.t;
        EXPECT_EQ(date, c.date) << c.t;
    }
    EXPECT_DOUBLE_EQ(table.GetOffset(-20.0), -0.26);  // no date asked
}

TEST_F(OffsetTableTest, DatesAreZeroWhenNotLoaded) {
    Store({{-12, 40, 1700000000}});
    ASSERT_TRUE(table.LoadOffsets());
    Time64 date = -1;
    EXPECT_DOUBLE_EQ(table.GetOffset(-12, &date), 0.40);
    EXPECT_EQ(date, 0);
}

TEST_F(OffsetTableTest, OutOfRangeOrUnloadedLookupsThrow) {
    EXPECT_THROW(table.GetOffset(-20.0), fw::InvalidArgException);  // not loaded
    ASSERT_TRUE(table.LoadOffsets());
    for (double t : {-40.5, -41.0, 25.5, 26.0, -1e9, 1e12, std::nan(""), HUGE_VAL})
        EXPECT_THROW(table.GetOffset(t), fw::InvalidArgException) << t;
    EXPECT_NO_THROW(table.GetOffset(-40.49));
    EXPECT_NO_THROW(table.GetOffset(25.49));
}

TEST_F(OffsetTableTest, ADamagedBlockFailsTheLoad) {
    const unsigned char shortBlock[10] = {};
    ASSERT_EQ(theRegistry.SetTemperatureOffsets(shortBlock, sizeof shortBlock), 0u);
    EXPECT_FALSE(table.LoadOffsets());
    EXPECT_FALSE(table.OffsetsLoaded());
    ASSERT_EQ(theRegistry.SetTemperatureOffsetDates(shortBlock, sizeof shortBlock), 0u);
    EXPECT_FALSE(table.LoadDates());
}

TEST_F(OffsetTableTest, SetOffsetStoresTheCorrectionInHundredths) {
    ASSERT_TRUE(table.LoadOffsets());
    ASSERT_TRUE(table.LoadDates());
    const Time64 before = std::time(nullptr);
    auto uncorrected = [](double& u) {
        u = -18.060;
        return TRUE;
    };
    ASSERT_TRUE(table.SetOffset(-18.2, -18.060 + 0.123, uncorrected));
    ASSERT_TRUE(table.SetOffset(-12.0, -12.3, [](double& u) {
        u = -12.0;
        return TRUE;
    }));
    const Time64 after = std::time(nullptr);

    TempOffsetTable fresh;
    ASSERT_TRUE(fresh.LoadOffsets());
    ASSERT_TRUE(fresh.LoadDates());
    EXPECT_EQ(fresh.Offsets()[-18 + 40], 12);
    EXPECT_EQ(fresh.Offsets()[-12 + 40], -30);
    Time64 date = 0;
    EXPECT_DOUBLE_EQ(fresh.GetOffset(-18, &date), 0.12);
    EXPECT_GE(date, before);
    EXPECT_LE(date, after);
    EXPECT_EQ(fresh.GetOffset(-17), kFltMax);
}

TEST_F(OffsetTableTest, SetOffsetRefusals) {
    ASSERT_TRUE(table.LoadOffsets());
    auto at = [](double value) {
        return [value](double& u) {
            u = value;
            return TRUE;
        };
    };
    // No reading to compare with.
    EXPECT_FALSE(table.SetOffset(-18, -18, [](double&) { return FALSE; }));
    // The dates must be loaded too.
    EXPECT_THROW(table.SetOffset(-18, -18, at(-18)), fw::InvalidArgException);
    ASSERT_TRUE(table.LoadDates());
    EXPECT_THROW(table.SetOffset(-45, -45, at(-45)), fw::InvalidArgException);
    // An offset the entry cannot hold is not stored wrapped.
    EXPECT_FALSE(table.SetOffset(-18, 400.0, at(-18)));
    EXPECT_EQ(table.Offsets()[22], TempOffsetTable::kNotCalibrated);
    // A failed write of the settings is a failure.
    platform::SetWriteFailureHook([](const std::string&) { return ENOSPC; });
    EXPECT_FALSE(table.SetOffset(-18, -17.9, at(-18)));
}

}  // namespace
