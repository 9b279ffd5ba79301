#include "simulator/Calibration.h"

#include <gtest/gtest.h>

#include <cmath>

namespace ryxsim {
namespace {

TEST(CalibrationTest, DeflectionCountsFollowTheThreeRanges) {
    const Calibration cal;
    const double whiteMm = cal.gage.red - cal.gage.white;
    // Each position goes out as a count and comes back within a count's worth.
    for (double mm : {-2.5, -1.5, -0.0001, 0.0, 0.0001, 1.0, whiteMm, whiteMm + 0.001, 4.0, 7.0}) {
        EXPECT_NEAR(cal.CountToPosition(cal.PositionToCount(mm)), mm, 0.0001) << mm;
    }
    EXPECT_EQ(cal.PositionToCount(0.0), cal.deflectionZero);
    EXPECT_EQ(cal.PositionToCount(whiteMm), cal.DeflectionWhiteCount());
    // The slopes are the ones each range is calibrated with.
    EXPECT_NEAR((cal.PositionToCount(-1.0) - cal.deflectionZero) * cal.topSlope, -1.0, 0.0002);
    EXPECT_NEAR((cal.PositionToCount(1.0) - cal.deflectionZero) * cal.whiteSlope, 1.0, 0.0002);
}

TEST(CalibrationTest, CountsSaturateInsteadOfWrapping) {
    const Calibration cal;
    EXPECT_EQ(cal.PositionToCount(-100.0), 0);
    EXPECT_EQ(cal.PositionToCount(100.0), 65535);
    EXPECT_EQ(cal.ForceToCount(1e9), 65535);
    EXPECT_EQ(cal.ForceToCount(-1e9), 0);
    EXPECT_EQ(ToCount(std::nan("")), 0);
}

TEST(CalibrationTest, TemperatureWords) {
    const Calibration cal;
    EXPECT_EQ(cal.TemperatureToWord(-20.0, true), 0xF830);  // -2000 in two's complement
    EXPECT_EQ(cal.TemperatureToWord(-12.0, true), 0xFB50);
    EXPECT_EQ(cal.TemperatureToWord(25.5, true), 2550);
    double c = 0;
    ASSERT_TRUE(cal.WordToTemperature(0xF830, true, c));
    EXPECT_DOUBLE_EQ(c, -20.0);
    // Old firmware: thermistor counts, monotonic, round trip to a hundredth.
    uint16_t last = 0;
    for (double t = -40; t <= 25; t += 5) {
        const uint16_t w = cal.TemperatureToWord(t, false);
        if (t > -40) {
            EXPECT_LT(w, last) << "a warmer bath lowers the thermistor's resistance";
        }
        last = w;
        ASSERT_TRUE(cal.WordToTemperature(w, false, c));
        EXPECT_NEAR(c, t, 0.01) << t;
    }
}

}  // namespace
}  // namespace ryxsim
