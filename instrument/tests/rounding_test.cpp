#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>

#include "instrument/Rounding.h"
#include "platform/tests/GermanLocale.h"

TEST(RoundTo, Table) {
    struct Case {
        double value, step, expected;
    } cases[] = {
        {0.000015, 0.00001, 0.00002},
        {-0.000015, 0.00001, -0.00002},
        {12.34, 0.1, 12.3},
        {12.35, 0.1, 12.3},  // the double quotient is 123.49999999999999
        {2.5, 1, 3},
        {-2.5, 1, -3},
        {-20.049, 0.01, -20.05},
        {0, 0.1, 0},
        {980.665, 1, 981},
    };
    for (const auto& c : cases) EXPECT_DOUBLE_EQ(RoundTo(c.value, c.step), c.expected) << c.value << " / " << c.step;
}

TEST(RoundTo, OutsideItsDomainTheValueComesBackUnchanged) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_TRUE(std::isnan(RoundTo(nan, 0.1)));
    EXPECT_EQ(RoundTo(1e12, 0.001), 1e12);
    EXPECT_EQ(RoundTo(-1e12, 0.001), -1e12);
    EXPECT_EQ(RoundTo(5.0, 0.0), 5.0);  // infinite quotient
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(RoundTo(inf, 1.0), inf);
    EXPECT_DOUBLE_EQ(RoundTo(2147483646.6, 1.0), 2147483647.0);
}

TEST(RoundSignificant, Table) {
    struct Case {
        double value;
        int digits;
        double expected;
    } cases[] = {
        {1234.5678, 3, 1230},  {0.00123456, 3, 0.00123}, {-1234.5678, 3, -1230}, {1234.5678, 6, 1234.57},
        {0.0, 3, 0.0},         {1234.5678, 64, 0.0},     {1234.5678, 100, 0.0},  {2.6e-7, 1, 3e-7},
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(RoundSignificant(c.value, c.digits), c.expected) << c.value << " " << c.digits;
}

TEST(RoundSignificant, IgnoresTheUserLocale) {
    ASSERT_TRUE(ryxtest::UseGermanLocale());
    EXPECT_DOUBLE_EQ(RoundSignificant(0.00123456, 3), 0.00123);
    std::setlocale(LC_ALL, "C");
}
