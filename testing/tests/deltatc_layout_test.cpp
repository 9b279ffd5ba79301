// The Delta Tc report laid out as data: the two blocks, the file-name row,
// the result rows and Delta Tc, screen and paper, and the empty records of a
// window opened before its document has its tests.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "framework/core/Strings.h"
#include "testing/DeltaTcLayout.h"

namespace report {
namespace {

constexpr int C = 8;    // small font's character width
constexpr int L = 18;   // small font's line height
constexpr int B = 11;   // large font's character width
constexpr int L1 = 24;  // large font's line height
constexpr int CX = 1200;
constexpr int CY = 900;
const DeltaTcMetrics kMetrics{L, C, L1, B};

DeltaTcData Record(const char* name, float target, float s, float m) {
    DeltaTcData d;
    d.m_strFileName.m_data = name;
    d.m_strOperator.m_data = "Op";
    d.m_strSpecimen.m_data = "B1";
    d.m_strTestTime.m_data = " 14:30:05";
    d.m_strTestDate.m_data = " 03/05/24";
    d.m_strProject.m_data = "Proj";
    d.m_strInstrumentId.m_data = "RYX-7";
    d.m_fTargetTemp.m_data = target;
    d.m_fMinTemp.m_data = target - 0.05f;
    d.m_fMaxTemp.m_data = target + 0.05f;
    d.m_fStiffness60.m_data = s;
    d.m_fMValue60.m_data = m;
    return d;
}

fw::Rect RectAt(int left, int top, int width, int height) { return {left, top, left + width, top + height}; }

::testing::AssertionResult Has(const Page& page, const std::string& text, const fw::Rect& rect) {
    for (const Item* i : page.All(Op::Cell))
        if (i->text == text && i->rect == rect) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "no \"" << text << "\" there";
}

ReportTarget Target(bool print) {
    ReportTarget t;
    t.width = CX;
    t.height = CY;
    t.printing = print;
    if (print) {
        t.header = "Title     date";
        t.headerWidth = 200;
    }
    return t;
}

TEST(DeltaTcLayout, TwoTestsSideBySideWithTheirCriticalTemperatures) {
    const DeltaTcData t1 = Record("T1", -12.0f, 200.0f, 0.350f);
    const DeltaTcData t2 = Record("T2", -18.0f, 400.0f, 0.280f);
    const DeltaTcResults r = ComputeDeltaTc(t1, t2);
    for (const bool print : {false, true}) {
        const Page page = LayoutDeltaTc(kMetrics, Target(print), t1, t2, r);
        const int T0 = print ? 8 * L : L;
        const int x0 = (CX - 120 * C) / 2;
        // File names centred over the blocks, large font.
        EXPECT_TRUE(Has(page, "T1", RectAt(x0 + 5 * C + 25 * C / 2, T0, 25 * C, L)));
        EXPECT_TRUE(Has(page, "T2", RectAt(x0 + 65 * C + 25 * C / 2, T0, 25 * C, L)));
        EXPECT_EQ(page.FindCell("T1")->font, Font::Header);
        EXPECT_EQ(page.FindCell("T1")->style.nFormat, 0x25u);
        // Rows: labels of both blocks, then the values.
        const int row0 = T0 + 2 * L;
        EXPECT_TRUE(Has(page, "Operator :  ", RectAt(x0 + 5 * C, row0, 25 * C, L)));
        EXPECT_TRUE(Has(page, "Operator :  ", RectAt(x0 + 65 * C, row0, 25 * C, L)));
        EXPECT_TRUE(Has(page, "Stiffness @ 60s (MPa) :", RectAt(x0 + 65 * C, row0 + 10 * L, 25 * C, L)));
        EXPECT_TRUE(Has(page, " -12.0", RectAt(x0 + 30 * C, row0 + 6 * L, 25 * C, L)));
        EXPECT_TRUE(Has(page, " -18.0", RectAt(x0 + 90 * C, row0 + 6 * L, 25 * C, L)));
        EXPECT_TRUE(Has(page, " 0.350", RectAt(x0 + 30 * C, row0 + 9 * L, 25 * C, L)));
        EXPECT_TRUE(Has(page, "400   ", RectAt(x0 + 90 * C, row0 + 10 * L, 25 * C, L)));
        EXPECT_TRUE(Has(page, " 03/05/24", RectAt(x0 + 30 * C, row0 + 3 * L, 25 * C, L)));
        // Results: -25.5, -26.3 and 0.8 after one blank.
        const int xr = (CX - 58 * C) / 2;
        const int r1 = row0 + 11 * L + 4 * L;
        EXPECT_TRUE(Has(page, fw::LoadString(486), RectAt(xr, r1, 48 * C, L)));
        EXPECT_TRUE(Has(page, " -25.5", RectAt(xr + 48 * C, r1, 10 * C, L)));
        EXPECT_TRUE(Has(page, fw::LoadString(487), RectAt(xr, r1 + L, 48 * C, L)));
        EXPECT_TRUE(Has(page, " -26.3", RectAt(xr + 48 * C, r1 + L, 10 * C, L)));
        const int xd = (CX - 36 * B) / 2;
        EXPECT_TRUE(Has(page, "Delta Critical Temp (°C) :", RectAt(xd, r1 + 4 * L, 26 * B, L1)));
        EXPECT_TRUE(Has(page, " 0.8", RectAt(xd + 26 * B, r1 + 4 * L, 10 * B, L1)));
        EXPECT_EQ(page.FindCell(" 0.8")->font, Font::Header);
        // Screen: edged values on the window colour; paper: white, no edges.
        const Item* value = page.FindCell(" -25.5");
        const Item* label = page.FindCell(fw::LoadString(486));
        EXPECT_EQ(value->style.bDrawEdge, !print);
        EXPECT_FALSE(label->style.bDrawEdge);
        EXPECT_EQ(value->style.crBack, print ? fw::RGB(255, 255, 255) : fw::GetSysColor(fw::COLOR_WINDOW));
        EXPECT_EQ(value->style.nBorderFlags, print ? 0xA00Fu : 0x200Fu);
        EXPECT_EQ(page.items.front().colour,
                  print ? fw::RGB(255, 255, 255) : fw::GetSysColor(fw::COLOR_INACTIVEBORDER));
        // The header and its rule on paper only.
        EXPECT_EQ(page.All(Op::Text).size(), print ? 1u : 0u);
        if (print) {
            EXPECT_EQ(page.All(Op::Text)[0]->rect.left, (CX - 200) / 2);
            EXPECT_EQ(page.All(Op::Text)[0]->rect.top, 3 * L);
            EXPECT_EQ(page.All(Op::Line)[0]->rect, (fw::Rect{5 * C, 5 * L, CX - 5 * C, 5 * L}));
        }
    }
}

TEST(DeltaTcLayout, ResultsThatAreNoNumbersDrawAsEmptyCells) {
    // The records before the document has them: all zero.
    const DeltaTcData empty;
    const DeltaTcResults r = ComputeDeltaTc(empty, empty);
    EXPECT_FALSE(std::isfinite(r.tcStiffness.m_data));
    const Page page = LayoutDeltaTc(kMetrics, Target(false), empty, empty, r);
    const int xr = (CX - 58 * C) / 2;
    const int r1 = L + 2 * L + 11 * L + 4 * L;
    EXPECT_TRUE(Has(page, "", RectAt(xr + 48 * C, r1, 10 * C, L)));
    EXPECT_TRUE(Has(page, "", RectAt(xr + 48 * C, r1 + L, 10 * C, L)));
    for (const Item* i : page.All(Op::Cell)) {
        EXPECT_EQ(i->text.find("inf"), std::string::npos) << i->text;
        EXPECT_EQ(i->text.find("nan"), std::string::npos) << i->text;
    }
    CQXFloatData inf(std::numeric_limits<float>::infinity());
    EXPECT_EQ(DeltaTcResultText(inf), "");
    EXPECT_EQ(DeltaTcResultText(CQXFloatData(-0.04f)), " -0.0");
}

TEST(DeltaTcLayout, ScrollSizesAreHalfAPageAPage) {
    const ScrollSizes s = DeltaTcScrollSizes(kMetrics);
    EXPECT_EQ(s.total, (fw::Size{120 * C - 5, 25 * L}));
    EXPECT_EQ(s.page, (fw::Size{(120 * C - 5) / 2, 25 * L / 2}));
    EXPECT_EQ(s.line, (fw::Size{C, L}));
}

}  // namespace
}  // namespace report
