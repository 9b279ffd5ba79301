#include <gtest/gtest.h>

#include <cfloat>

#include "data/CQXDataObject.h"

namespace {

std::string Stored(fw::Object& cell) {
    fw::Archive ar;
    cell.Serialize(ar);
    return ar.Bytes();
}

struct RecordingWindow : fw::TextWindow {
    void SetWindowText(const std::string& text) override { texts.push_back(text); }
    std::vector<std::string> texts;
};

TEST(FloatCellTest, SerialisesAsFourRawBytes) {
    CQXFloatData zero;
    EXPECT_EQ(Stored(zero), std::string(4, '\0'));
    CQXFloatData half(1.5f);
    EXPECT_EQ(Stored(half), std::string("\x00\x00\xC0\x3F", 4));
    std::string bytes = Stored(half);
    fw::Archive in(bytes);
    CQXFloatData back;
    back.Serialize(in);
    EXPECT_EQ(back.m_data, 1.5f);
    EXPECT_TRUE(in.AtEnd());
}

TEST(FloatCellTest, TruncatedInputThrowsAndLeavesValue) {
    std::string bytes("\x00\x00\xC0", 3);
    fw::Archive in(bytes);
    CQXFloatData cell(7.0f);
    EXPECT_THROW(cell.Serialize(in), fw::ArchiveException);
    EXPECT_EQ(cell.m_data, 7.0f);
}

TEST(FloatCellTest, FormatsWithPrintfFormats) {
    struct Case {
        float value;
        const char* fmt;
        const char* text;
    };
    const Case cases[] = {
        {0.0f, "%.1f", "0.0"},          {-12.34f, " %-.1f", " -12.3"},
        {273.6f, "%-6.3g", "274   "},   {0.3f, "%- #3.3f", " 0.300"},
        {5.0f, "%- 3.0f", " 5 "},       {2.5f, "%+6.1f", "  +2.5"},
        {1.0f, "100%% %.0f", "100% 1"}, {FLT_MAX, "%.0f", "340282346638528859811704183484516925440"},
    };
    for (const Case& c : cases) EXPECT_EQ(CQXFloatData(c.value).Format(c.fmt), c.text) << c.fmt;
}

TEST(FloatCellTest, FormatRefusesFormatsItCannotFeed) {
    // Anything but one floating conversion would read an argument that is not there.
    for (const char* fmt : {"%s", "%d", "%.1f %.1f", "no conversion", "%*f", "%n", "%", "%.1"})
        EXPECT_EQ(CQXFloatData(1.0f).Format(fmt), "") << fmt;
}

TEST(FloatCellTest, LongTextIsCutAt63Characters) {
    std::string text = CQXFloatData(1.0f).Format("%070.1f");
    EXPECT_EQ(text.size(), 63u);
    EXPECT_EQ(text, std::string(63, '0'));
}

TEST(StringCellTest, SerialisesAsCountedString) {
    CQXStringData empty;
    EXPECT_EQ(Stored(empty), std::string(1, '\0'));
    CQXStringData text(
        "T1 \xC2\xB0"
        "C");  // UTF-8 inside, Windows-1252 in the archive
    EXPECT_EQ(Stored(text), std::string("\x05T1 \xB0"
                                        "C",
                                        6));
    std::string bytes = Stored(text);
    fw::Archive in(bytes);
    CQXStringData back("old");
    back.Serialize(in);
    EXPECT_EQ(back.m_data,
              "T1 \xC2\xB0"
              "C");
}

TEST(CellTextTest, SetTextWritesFormattedValueOrString) {
    RecordingWindow wnd;
    CQXStringData fmt(" %-.1f");
    CQXFloatData(-12.34f).SetText(&wnd, fmt);
    CQXStringData("Project").SetText(&wnd, fmt);
    CQXFloatData(1.0f).SetText(nullptr, fmt);
    EXPECT_EQ(wnd.texts, (std::vector<std::string>{" -12.3", "Project"}));
}

TEST(CellTest, CopiesAreIndependent) {
    CQXStringData a("one");
    CQXStringData b = a;
    b.m_data = "two";
    EXPECT_EQ(a.m_data, "one");
    CQXFloatData f(1.0f), g = f;
    g.m_data = 2.0f;
    EXPECT_EQ(f.m_data, 1.0f);
}

}  // namespace
