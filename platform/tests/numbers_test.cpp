#include <gtest/gtest.h>

#include <clocale>

#include "platform/Numbers.h"
#include "platform/tests/GermanLocale.h"

using namespace platform;

TEST(Numbers, FormatAndParseIgnoreAGermanProcessLocale) {
    // The user's locale may use a decimal comma; files must not.
    ASSERT_TRUE(ryxtest::UseGermanLocale());
    EXPECT_EQ(FormatC("%.3f", 1234.5), "1234.500");
    double v = 0;
    EXPECT_TRUE(ParseDoubleC("-0.25", v));
    EXPECT_DOUBLE_EQ(v, -0.25);
    EXPECT_DOUBLE_EQ(AtofC("3.5e2xyz"), 350.0);
    std::setlocale(LC_ALL, "C");
}

TEST(Numbers, ParseRejectsJunk) {
    const char* bad[] = {"", "  ", "1.2.3", "12abc", "abc", "1,5"};
    for (const char* text : bad) {
        double v = 42;
        EXPECT_FALSE(ParseDoubleC(text, v)) << text;
        EXPECT_EQ(v, 42) << text;
    }
    double v = 0;
    EXPECT_TRUE(ParseDoubleC(" 7.5 \r\n", v));
    EXPECT_EQ(v, 7.5);
}

TEST(Numbers, ParseLong) {
    long long v = 0;
    EXPECT_TRUE(ParseLong("F830", v, 16));
    EXPECT_EQ(v, 0xF830);
    EXPECT_TRUE(ParseLong(" +12 ", v));
    EXPECT_EQ(v, 12);
    EXPECT_FALSE(ParseLong("12x", v));
    EXPECT_FALSE(ParseLong("99999999999999999999", v));
}

TEST(Numbers, LongOutputIsNotCut) {
    const std::string s = FormatC("%300.1f", 1.0);
    EXPECT_EQ(s.size(), 300u);
}
