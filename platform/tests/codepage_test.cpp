#include <gtest/gtest.h>

#include "platform/CodePage.h"

using namespace platform;

TEST(CodePage, EveryByteRoundTripsThroughUtf8) {
    std::string all;
    for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
    EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(all)), all);
}

TEST(CodePage, HighBytesMapAsWindowsDoes) {
    struct Case {
        unsigned char byte;
        const char* utf8;
    } cases[] = {
        {0x80, "\u20AC"}, {0x81, "\u0081"}, {0x8A, "\u0160"}, {0x8D, "\u008D"}, {0x92, "\u2019"},
        {0x96, "\u2013"}, {0x9F, "\u0178"}, {0xB2, "\u00B2"}, {0xB5, "\u00B5"}, {0xE9, "\u00E9"},
    };
    for (const auto& c : cases) {
        const std::string one(1, static_cast<char>(c.byte));
        EXPECT_EQ(Cp1252ToUtf8(one), c.utf8) << std::hex << int(c.byte);
        EXPECT_EQ(Utf8ToCp1252(c.utf8), one) << std::hex << int(c.byte);
    }
}

TEST(CodePage, WhatWindows1252LacksBecomesQuestionMark) {
    EXPECT_EQ(Utf8ToCp1252("a\u4E2Db"), "a?b");            // CJK
    EXPECT_EQ(Utf8ToCp1252("\U0001F600"), "?");             // outside the BMP
    EXPECT_EQ(Utf8ToCp1252("x\xC3"), "x?");                 // truncated sequence
    EXPECT_EQ(Utf8ToCp1252("\xC0\xAF"), "??");              // overlong form
    EXPECT_EQ(Utf8ToCp1252("\xED\xA0\x80"), "???");         // a lone surrogate
}

TEST(CodePage, LengthCountsCharactersNotBytes) {
    EXPECT_EQ(Utf8Length("abc"), 3u);
    EXPECT_EQ(Utf8Length("\u00B5m\u00B2"), 3u);
    EXPECT_EQ(Utf8Length(""), 0u);
}
