#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "setup/NumEditRules.h"

namespace {

// The gage-block levels' field (2 integer, 3 fraction digits, 0 to 60).
constexpr NumEditLimits kGage{2, 3, 0, 60};
// The bath temperature's (2 integer digits, none after, -45.1 to 25.1).
constexpr NumEditLimits kBath{2, 0, -45.1, 25.1};

struct CharCase {
    const char* what;
    const char* text;
    size_t selStart, selEnd;
    char32_t ch;
    NumEditLimits limits;
    bool accepted;
};

void PrintTo(const CharCase& c, std::ostream* os) {
    *os << c.what;
}

class NumEditCharTest : public ::testing::TestWithParam<CharCase> {};

TEST_P(NumEditCharTest, Decides) {
    const CharCase& c = GetParam();
    EXPECT_EQ(NumEditAcceptsChar(c.text, c.selStart, c.selEnd, c.ch, c.limits, "."), c.accepted) << c.what;
}

const CharCase kCharCases[] = {
    // Digits.
    {"0 into an empty field is not above the open bound 0", "", 0, 0, U'0', kGage, false},
    {"5 into an empty field", "", 0, 0, U'5', kGage, true},
    {"a third integer digit after 12", "12", 2, 2, U'3', kGage, false},
    {"a third integer digit in front of 12", "12", 0, 0, U'3', kGage, false},
    {"an integer digit in front of the separator when two are there", "12.5", 1, 1, U'3', kGage, false},
    {"a second integer digit in front of the separator", "1.5", 1, 1, U'3', kGage, true},
    {"a fourth fraction digit at the end of 12.345", "12.345", 6, 6, U'6', kGage, false},
    {"a third fraction digit", "12.34", 5, 5, U'5', kGage, true},
    {"a fraction digit over a selected fraction digit at the limit", "12.345", 5, 6, U'9', kGage, true},
    {"3 over the selected 1 of 12 gives 32", "12", 0, 1, U'3', kGage, true},
    {"7 over the selected 1 of 12 gives 72, out of range", "12", 0, 1, U'7', kGage, false},
    {"a digit over the selected separator merges the parts: 1 + 2 + 5 digits", "12.5", 2, 3, U'3', kGage,
     false},
    {"a digit over a selected separator and fraction", "1.5", 1, 3, U'3', kGage, true},
    {"a digit in front of the sign", "-5", 0, 0, U'1', kBath, false},
    {"a digit after the sign", "-5", 1, 1, U'1', kBath, true},
    {"a digit after the sign with two digits there", "-12", 1, 1, U'1', kBath, false},
    {"a digit over the selected sign replaces it", "-5", 0, 1, U'1', kBath, true},
    {"a digit that leaves the range", "2", 1, 1, U'6', kBath, false},
    {"0 after the separator gives 0.0, not above 0", ".", 1, 1, U'0', kGage, false},
    {"5 after the separator gives .5", ".", 1, 1, U'5', kGage, true},
    // The minus sign.
    {"minus where the minimum is 0", "", 0, 0, U'-', kGage, false},
    {"minus into an empty field", "", 0, 0, U'-', kBath, true},
    {"minus in front of a number", "12", 0, 0, U'-', kBath, true},
    {"minus not at the front", "12", 1, 1, U'-', kBath, false},
    {"minus in front of an existing sign", "-12", 0, 0, U'-', kBath, false},
    {"minus over the selected existing sign", "-12", 0, 1, U'-', kBath, true},
    {"minus has no range check: -99 is below -45.1", "99", 0, 0, U'-', kBath, true},
    // The separator.
    {"separator into a field without fraction digits", "12", 2, 2, U'.', kBath, false},
    {"separator into an empty field", "", 0, 0, U'.', kGage, true},
    {"a second separator", "1.5", 3, 3, U'.', kGage, false},
    {"a separator over the selected first one", "1.5", 1, 2, U'.', kGage, true},
    {"the separator ignores the fraction limit (OK checks it)", "1234", 1, 1, U'.', kGage, true},
    // Backspace.
    {"backspace out of 12.5 merging into 125 with two integer digits", "12.5", 3, 3, kNumEditBackspace,
     NumEditLimits{2, 3, 0, 200}, false},
    {"backspace out of 12.5 merging into 125 with three", "12.5", 3, 3, kNumEditBackspace,
     NumEditLimits{3, 3, 0, 200}, true},
    {"backspace of the separator giving 125, out of range", "12.5", 3, 3, kNumEditBackspace,
     NumEditLimits{3, 3, 0, 60}, false},
    {"backspace leaving a value at the open bound", "10", 2, 2, kNumEditBackspace, NumEditLimits{2, 0, 1, 60},
     false},
    {"backspace leaving a value in range", "15", 2, 2, kNumEditBackspace, kGage, true},
    {"backspace that empties the field", "5", 1, 1, kNumEditBackspace, NumEditLimits{2, 0, 3, 60}, true},
    {"backspace of a selection that empties the field", "55", 0, 2, kNumEditBackspace,
     NumEditLimits{2, 0, 3, 60}, true},
    {"backspace at the front removes nothing and keeps the value", "5", 0, 0, kNumEditBackspace, kGage, true},
    {"backspace of the sign leaves 12 in range", "-12", 1, 1, kNumEditBackspace, kBath, true},
    {"backspace of the sign leaves 30 out of range", "-30", 1, 1, kNumEditBackspace, kBath, false},
    {"backspace of a digit and the separator, the sign kept", "-1.3", 1, 3, kNumEditBackspace,
     NumEditLimits{2, 2, -99, 99}, true},
    {"backspace of the sign, a digit and the separator leaves three digits", "-1.234", 0, 3,
     kNumEditBackspace, NumEditLimits{2, 3, -999, 999}, false},
    // Every other character.
    {"a letter", "12", 2, 2, U'a', kGage, false},
    {"a blank", "12", 2, 2, U' ', kGage, false},
    {"a comma where the separator is the point", "12", 2, 2, U',', kGage, false},
    {"tab", "12", 2, 2, 9, kGage, false},
    {"enter", "12", 2, 2, 13, kGage, false},
    {"escape", "12", 2, 2, 27, kGage, false},
    {"Ctrl+C", "12", 0, 2, 3, kGage, false},
    {"Ctrl+V", "12", 0, 2, 22, kGage, false},
    {"Ctrl+X", "12", 0, 2, 24, kGage, false},
};

INSTANTIATE_TEST_SUITE_P(Table, NumEditCharTest, ::testing::ValuesIn(kCharCases));

TEST(NumEditRules, TheSeparatorIsTheOneGivenEvenWhenItIsMultibyte) {
    // A comma locale: the point is an ordinary refused character.
    EXPECT_TRUE(NumEditAcceptsChar("12", 2, 2, U',', kGage, ","));
    EXPECT_FALSE(NumEditAcceptsChar("12", 2, 2, U'.', kGage, ","));
    EXPECT_FALSE(NumEditAcceptsChar("12,345", 6, 6, U'6', kGage, ","));
    EXPECT_TRUE(NumEditAcceptsChar(",", 1, 1, U'5', kGage, ","));
    EXPECT_FALSE(NumEditAcceptsChar("12,5", 3, 3, kNumEditBackspace, NumEditLimits{2, 3, 0, 200}, ","));
    // "1.5" read with a comma separator is 1: in range where 1.5 would not be.
    EXPECT_DOUBLE_EQ(NumEditLeadingValue("1.5", ","), 1.0);
    EXPECT_DOUBLE_EQ(NumEditLeadingValue("1,5", ","), 1.5);
    // A separator of two bytes (U+066B): positions are bytes.
    const std::string sep = "\xd9\xab";
    const std::string t = "12" + sep + "34";
    EXPECT_TRUE(NumEditAcceptsChar(t, t.size(), t.size(), U'5', kGage, sep));
    EXPECT_FALSE(NumEditAcceptsChar(t + "5", t.size() + 1, t.size() + 1, U'6', kGage, sep));
    EXPECT_TRUE(NumEditAcceptsChar("12", 2, 2, U'\u066B', kGage, sep));
    EXPECT_FALSE(NumEditAcceptsChar(t, 2 + sep.size(), 2 + sep.size(), kNumEditBackspace,
                                    NumEditLimits{2, 3, 0, 9999}, sep));
    EXPECT_DOUBLE_EQ(NumEditLeadingValue(t, sep), 12.34);
}

struct DeleteCase {
    const char* what;
    const char* text;
    size_t selStart, selEnd;
    NumEditLimits limits;
    NumEditDelete outcome;
};

void PrintTo(const DeleteCase& c, std::ostream* os) {
    *os << c.what;
}

class NumEditDeleteTest : public ::testing::TestWithParam<DeleteCase> {};

TEST_P(NumEditDeleteTest, Decides) {
    const DeleteCase& c = GetParam();
    EXPECT_EQ(NumEditDeleteKey(c.text, c.selStart, c.selEnd, c.limits, "."), c.outcome) << c.what;
}

const DeleteCase kDeleteCases[] = {
    {"the character after the caret", "12.5", 0, 0, kGage, NumEditDelete::Removes},
    {"the separator after the caret merges 12 and 5", "12.5", 2, 2, NumEditLimits{2, 3, 0, 200},
     NumEditDelete::Refused},
    {"the separator with three integer digits allowed", "12.5", 2, 2, NumEditLimits{3, 3, 0, 200},
     NumEditDelete::Removes},
    {"a character whose going leaves the range", "15", 0, 0, NumEditLimits{2, 0, 10, 60},
     NumEditDelete::Refused},
    {"at the end of the text", "12", 2, 2, kGage, NumEditDelete::Nothing},
    {"in an empty field", "", 0, 0, kGage, NumEditDelete::Nothing},
    {"a selection", "12.5", 1, 3, kGage, NumEditDelete::Removes},
    {"a selection whose going leaves the range", "15", 1, 2, NumEditLimits{2, 0, 10, 60},
     NumEditDelete::Refused},
    {"the last character empties the field", "5", 0, 0, NumEditLimits{2, 0, 3, 60}, NumEditDelete::Removes},
};

INSTANTIATE_TEST_SUITE_P(Table, NumEditDeleteTest, ::testing::ValuesIn(kDeleteCases));

// The text that keystrokes leave in a field, each applied as the edit does
// when the rules let it through.
struct Field {
    std::string text;
    size_t caret = 0;
    bool Type(char ch, const NumEditLimits& limits) {
        if (!NumEditAcceptsChar(text, caret, caret, static_cast<unsigned char>(ch), limits, "."))
            return false;
        text.insert(caret++, 1, ch);
        return true;
    }
};

TEST(NumEditRules, TypingAFieldFromEmpty) {
    Field f;
    EXPECT_FALSE(f.Type('0', kGage));
    EXPECT_TRUE(f.Type('.', kGage));
    EXPECT_TRUE(f.Type('5', kGage));
    EXPECT_EQ(f.text, ".5");

    Field thick;  // thickness: 2 and 2 digits, -0.01 to 100
    const NumEditLimits t{2, 2, -0.01, 100};
    for (char ch : std::string("6.357")) thick.Type(ch, t);
    EXPECT_EQ(thick.text, "6.35");
    Field bath;
    for (char ch : std::string("--18.5")) bath.Type(ch, kBath);
    EXPECT_EQ(bath.text, "-18");
}

struct ParseCase {
    const char* text;
    NumEditLimits limits;
    bool valid;
    double value;
};

TEST(NumEditRules, ParseTakesOnlyAWholeNumberInsideTheFourLimits) {
    const NumEditLimits time{3, 0, -1, 1000};
    const NumEditLimits dim{2, 2, -0.01, 100};
    const ParseCase cases[] = {
        {"60", time, true, 60},    {" 60 ", time, true, 60}, {"-0", time, true, 0},
        {"999", time, true, 999},  {"1000", time, false, 0},  // four digits
        {"60.5", time, false, 0},                             // no fraction digits
        {"60.", time, false, 0},   {"-1", time, false, 0},    // the bound itself
        {"-5", time, false, 0},                               // a sign typed in front of 5
        {"", time, false, 0},      {"-", time, false, 0},    {"6 0", time, false, 0},
        {"1e2", time, false, 0},   {"0x10", time, false, 0}, {"inf", time, false, 0},
        {"6.35", dim, true, 6.35}, {".5", dim, true, 0.5},   {"6.", dim, true, 6},
        {"0", dim, true, 0},       // above -0.01: OK's own check wants more than 0
        {"1.234", dim, false, 0},  // the separator typed in front of three digits
        {"123", dim, false, 0},    {"6,35", dim, false, 0},  {"6.3.5", dim, false, 0},
    };
    for (const ParseCase& c : cases) {
        const auto v = NumEditParse(c.text, c.limits, ".");
        EXPECT_EQ(v.has_value(), c.valid) << '"' << c.text << '"';
        if (v && c.valid) {
            EXPECT_DOUBLE_EQ(*v, c.value) << c.text;
        }
    }
    EXPECT_DOUBLE_EQ(NumEditParse("6,35", dim, ",").value_or(-1), 6.35);
    EXPECT_FALSE(NumEditParse("6.35", dim, ",").has_value());
}

TEST(NumEditRules, FormatUsesTheSeparatorGiven) {
    EXPECT_EQ(NumEditFormat(6.35, 2, "."), "6.35");
    EXPECT_EQ(NumEditFormat(6.35, 2, ","), "6,35");
    EXPECT_EQ(NumEditFormat(60.0, 0, ","), "60");
    EXPECT_EQ(NumEditFormat(-18.4, 1, "\xd9\xab"),
              "-18\xd9\xab"
              "4");
}

}  // namespace
