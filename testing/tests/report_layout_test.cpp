// The test report laid out as data, without a display: positions in lh, a
// and e, the formats, unknown dates, the DOS-version variant, the warnings,
// the screen and paper variants, and a short test file.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "data/CQXRYXTestDoc.h"
#include "data/ExportFormats.h"
#include "data/ExportText.h"
#include "data/tests/support/DocFixture.h"
#include "testing/tests/support/KnownTest.h"
#include "framework/core/Strings.h"
#include "platform/tests/GermanLocale.h"
#include "testing/ReportLayout.h"

namespace report {
namespace {

constexpr int A = 7;    // label font's character width
constexpr int E = 9;    // table font's character width
constexpr int LH = 20;  // line height
constexpr int W = 1400;
constexpr int H = 1000;

const ReportMetrics kMetrics{A, E, LH};

using testingtest::FillKnownTest;
using testingtest::kJan2024;

ReportTarget Screen(bool decimals = false) {
    ReportTarget t;
    t.width = W;
    t.height = H;
    t.forceDecimals = decimals;
    return t;
}

ReportTarget Paper(bool decimals = false) {
    ReportTarget t = Screen(decimals);
    t.printing = true;
    t.header = "Title     Mon Jan  1 10:00:00 2024";
    t.headerWidth = 300;
    return t;
}

fw::Rect RectAt(int left, int top, int width, int height) { return {left, top, left + width, top + height}; }

class ReportLayoutTest : public DocFixture {
protected:
    void SetUp() override {
        DocFixture::SetUp();
        setenv("TZ", "UTC", 1);
        tzset();
        FillKnownTest(doc);
    }
    Page Lay(const ReportTarget& t) {
        model.Fill(doc);
        return model.Layout(kMetrics, t);
    }
    // Whether a cell of this text has this rectangle (texts may repeat).
    static ::testing::AssertionResult Has(const Page& page, const std::string& text, const fw::Rect& rect) {
        std::string seen;
        for (const Item* i : page.All(Op::Cell)) {
            if (i->text != text) continue;
            if (i->rect == rect) return ::testing::AssertionSuccess();
            seen += " (" + std::to_string(i->rect.left) + "," + std::to_string(i->rect.top) + "," +
                    std::to_string(i->rect.right) + "," + std::to_string(i->rect.bottom) + ")";
        }
        return ::testing::AssertionFailure() << "\"" << text << "\" at" << (seen.empty() ? " nowhere" : seen);
    }
    const Item& Cell(const Page& page, const std::string& text) {
        const Item* i = page.FindCell(text);
        EXPECT_NE(i, nullptr) << "no cell \"" << text << "\"";
        static const Item none;
        return i ? *i : none;
    }
    CQXRYXTestDoc doc;
    ReportModel model;
};

TEST_F(ReportLayoutTest, TheDataBlockSitsInItsColumnsOnScreenAndOnPaper) {
    for (const bool print : {false, true}) {
        const Page page = Lay(print ? Paper() : Screen());
        const int T0 = print ? 8 * LH : LH;
        const int X0 = (W - 127 * A) / 2 + 5 * A;
        struct Case {
            std::string text;
            fw::Rect rect;
        };
        const Case cases[] = {
            {"Project :  ", RectAt(X0, T0, 12 * A, LH)},
            {" Proj", RectAt(X0 + 12 * A, T0, 31 * A, LH)},
            {"RYX ID : ", RectAt(X0, T0 + 6 * LH, 12 * A, LH)},
            {" RYX-7", RectAt(X0 + 12 * A, T0 + 6 * LH, 31 * A, LH)},
            {" T1", RectAt(X0 + 12 * A, T0 + 5 * LH, 31 * A, LH)},
            {"Target Temp (°C)  :  ", RectAt(X0 + 45 * A, T0, 20 * A, LH)},
            {" -18.0", RectAt(X0 + 65 * A, T0, 13 * A, LH)},
            {"Min. Temp (°C)  :  ", RectAt(X0 + 45 * A, T0 + LH, 20 * A, LH)},
            {" -18.1", RectAt(X0 + 65 * A, T0 + LH, 13 * A, LH)},  // -18.08f
            {" -17.9", RectAt(X0 + 65 * A, T0 + 2 * LH, 13 * A, LH)},
            {" 60.0", RectAt(X0 + 65 * A, T0 + 4 * LH, 13 * A, LH)},
            {" 12.70", RectAt(X0 + 65 * A, T0 + 5 * LH, 13 * A, LH)},
            {" 6.35", RectAt(X0 + 65 * A, T0 + 6 * LH, 13 * A, LH)},
            {"Conf Test (GPa) :  ", RectAt(X0 + 80 * A, T0, 23 * A, LH)},
            {" 200", RectAt(X0 + 103 * A, T0, 14 * A, LH)},
            {" 0.5", RectAt(X0 + 103 * A, T0 + 2 * LH, 14 * A, LH)},
            {" 0.1", RectAt(X0 + 103 * A, T0 + 3 * LH, 14 * A, LH)},
            {" 20", RectAt(X0 + 103 * A, T0 + 4 * LH, 14 * A, LH)},
            {" 2.0", RectAt(X0 + 103 * A, T0 + 6 * LH, 14 * A, LH)},
            // Times and dates in the locale in force (C here).
            {" 12/30/23", RectAt(X0 + 103 * A, T0 + LH, 14 * A, LH)},
            {" 12/29/23", RectAt(X0 + 103 * A, T0 + 5 * LH, 14 * A, LH)},
            {" 12/31/23", RectAt(X0 + 65 * A, T0 + 3 * LH, 13 * A, LH)},
            {" 10:00:00", RectAt(X0 + 12 * A, T0 + 3 * LH, 31 * A, LH)},
            {" 01/01/24", RectAt(X0 + 12 * A, T0 + 4 * LH, 31 * A, LH)},
        };
        for (const Case& c : cases) EXPECT_TRUE(Has(page, c.text, c.rect)) << " print " << print;

        // Labels without edge on the page colour, values edged on the window
        // colour on screen; everything white and unedged on paper.
        const Item& label = Cell(page, "Project :  ");
        const Item& value = Cell(page, " Proj");
        EXPECT_FALSE(label.style.bDrawEdge);
        EXPECT_EQ(label.style.nFormat, 0x24u);
        EXPECT_EQ(value.style.nFormat, 0x24u);
        EXPECT_EQ(value.style.nEdge, fw::EDGE_SUNKEN);
        if (print) {
            EXPECT_FALSE(value.style.bDrawEdge);
            EXPECT_EQ(value.style.crBack, fw::RGB(255, 255, 255));
            EXPECT_EQ(label.style.crBack, fw::RGB(255, 255, 255));
            EXPECT_EQ(value.style.nBorderFlags, 0xA00Fu);
            EXPECT_EQ(value.colour, fw::RGB(0, 0, 0));
        } else {
            EXPECT_TRUE(value.style.bDrawEdge);
            EXPECT_EQ(value.style.crBack, fw::GetSysColor(fw::COLOR_WINDOW));
            EXPECT_EQ(label.style.crBack, fw::GetSysColor(fw::COLOR_INACTIVEBORDER));
            EXPECT_EQ(value.style.nBorderFlags, 0x200Fu);
        }
        // The page is filled first, one pixel past its size.
        ASSERT_FALSE(page.items.empty());
        EXPECT_EQ(page.items.front().op, Op::Fill);
        EXPECT_EQ(page.items.front().rect, (fw::Rect{0, 0, W + 1, H + 1}));
        EXPECT_EQ(page.items.front().colour,
                  print ? fw::RGB(255, 255, 255) : fw::GetSysColor(fw::COLOR_INACTIVEBORDER));
    }
}

TEST_F(ReportLayoutTest, PaperHasTheHeaderLineAndTheRule) {
    const Page paper = Lay(Paper());
    const auto texts = paper.All(Op::Text);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0]->text, "Title     Mon Jan  1 10:00:00 2024");
    EXPECT_EQ(texts[0]->font, Font::Header);
    EXPECT_EQ(texts[0]->rect.left, (W - 300) / 2);
    EXPECT_EQ(texts[0]->rect.top, 3 * LH);
    const auto lines = paper.All(Op::Line);
    ASSERT_GE(lines.size(), 1u);
    EXPECT_EQ(lines[0]->rect, (fw::Rect{5 * A, 5 * LH, W - 5 * A, 5 * LH}));
    EXPECT_TRUE(Lay(Screen()).All(Op::Text).empty());
}

TEST_F(ReportLayoutTest, UnsetDatesReadUnknownAndTheTemperatureCalibrationOneWarns) {
    doc.m_tempCalibrationDate = 0;
    doc.m_confidenceDate = 63072000 - 1;  // the last second of 1971
    const Page page = Lay(Screen());
    const int T0 = LH;
    const int X0 = (W - 127 * A) / 2 + 5 * A;
    int unknown = 0;
    for (const Item* i : page.All(Op::Cell)) {
        if (i->text != " Unknown") continue;
        ++unknown;
        EXPECT_TRUE(i->rect == RectAt(X0 + 65 * A, T0 + 3 * LH, 13 * A, LH) ||
                    i->rect == RectAt(X0 + 103 * A, T0 + LH, 14 * A, LH));
    }
    EXPECT_EQ(unknown, 2);
    EXPECT_FALSE(model.Warning541());
    EXPECT_TRUE(model.Warning542());
    const Item& w = Cell(page, fw::LoadString(542));
    EXPECT_EQ(w.rect, RectAt((W - 71 * E) / 2, T0 + 9 * LH, 71 * E, LH));
    EXPECT_EQ(w.style.nFormat, 0x25u);
    EXPECT_TRUE(w.style.bDrawEdge);
    EXPECT_EQ(w.style.crBack, fw::RGB(255, 0, 0));
}

// The user's locale gives the report's times and dates their form; the
// exports of the same test stay in English (United States).
TEST_F(ReportLayoutTest, AGermanLocaleDatesTheReportButNotTheExports) {
    ASSERT_TRUE(ryxtest::UseGermanLocale()) << "localedef could not build de_DE.UTF-8";
    const Page page = Lay(Paper());
    const std::string header = exporttext::LocaleTimeText(kJan2024, "     %c");
    const std::string lims = exportformat::LimsFile(doc);
    const std::string csv = exportformat::CsvFile(doc);
    std::setlocale(LC_ALL, "C");

    const int T0 = 8 * LH;
    const int X0 = (W - 127 * A) / 2 + 5 * A;
    struct Case {
        const char* text;
        fw::Rect rect;
    };
    const Case report[] = {
        {" 10:00:00", RectAt(X0 + 12 * A, T0 + 3 * LH, 31 * A, LH)},     // test time
        {" 01.01.2024", RectAt(X0 + 12 * A, T0 + 4 * LH, 31 * A, LH)},   // test date
        {" 31.12.2023", RectAt(X0 + 65 * A, T0 + 3 * LH, 13 * A, LH)},   // temperature calibration
        {" 30.12.2023", RectAt(X0 + 103 * A, T0 + LH, 14 * A, LH)},      // confidence test
        {" 29.12.2023", RectAt(X0 + 103 * A, T0 + 5 * LH, 14 * A, LH)},  // calibration
    };
    for (const Case& c : report) EXPECT_TRUE(Has(page, c.text, c.rect));
    EXPECT_EQ(header, "     Mo 01 Jan 2024 10:00:00 UTC");

    const char* const exported[] = {
        "Timestamp,1/1/2024 10:00:00 AM\r\n",
        "Temp Cal Date,12/31/2023\r\n",
        "Conf Date,12/30/2023\r\n",
        "Cal Date,12/29/2023\r\n",
    };
    for (const char* line : exported) EXPECT_NE(lims.find(line), std::string::npos) << line << "\n" << lims;
    EXPECT_NE(csv.find(exported[0]), std::string::npos) << csv;
}

// The times in the force labels and the tolerance of warning 541 take the
// decimal separator of the values beside them.
TEST_F(ReportLayoutTest, AGermanLocaleGivesTheLabelsTheValuesDecimalComma) {
    doc.m_minTemperature.m_data = -18.3f;
    ASSERT_TRUE(ryxtest::UseGermanLocale()) << "localedef could not build de_DE.UTF-8";
    const Page page = Lay(Screen(true));
    const std::string force0 = doc.GetForce(0)->Format("%- 3.1f");
    std::setlocale(LC_ALL, "C");

    ASSERT_NE(force0.find(','), std::string::npos) << force0;
    const int F0 = LH + 7 * LH + 2 * LH + 2 * LH + 9 * LH + 2 + LH + 2 * LH;  // below warning 541
    const int Xv = (W - 66 * A) / 2;
    EXPECT_TRUE(Has(page, force0, RectAt(Xv + 16 * A, F0, 7 * A, LH)));
    EXPECT_TRUE(Has(page, "Force (t=0,0s) =", RectAt(Xv, F0, 16 * A, LH)));
    EXPECT_TRUE(Has(page, "  mN    Deflection (t=0,0s) =", RectAt(Xv + 23 * A, F0, 28 * A, LH)));
    EXPECT_TRUE(Has(page, "Force (t=0,5s) =", RectAt(Xv, F0 + LH, 16 * A, LH)));
    EXPECT_TRUE(Has(page, "  mN    Deflection (t=0,5s) =", RectAt(Xv + 23 * A, F0 + LH, 28 * A, LH)));
    EXPECT_TRUE(model.Warning541());
    EXPECT_EQ(model.WarningText541(), "WARNING! - Temperature out of tolerance (± 0,1 °C)");
    EXPECT_NE(page.FindCell(model.WarningText541()), nullptr);
}

TEST_F(ReportLayoutTest, TheToleranceWarningAndTheTableMoveDownTwoLinesEach) {
    struct Case {
        float min, max;
        bool tempCal;
        bool w541, w542;
    };
    // -18.1f - -18.0f is 0.1 as floats: no warning; -18.2f is out.
    const Case cases[] = {
        {-18.1f, -17.9f, true, false, false},
        {-18.2f, -18.0f, true, true, false},
        {-18.0f, -17.8f, true, true, false},
        {-18.0f, -18.0f, false, false, true},
        {-18.3f, -18.0f, false, true, true},
    };
    const std::string text541 = "WARNING! - Temperature out of tolerance (± 0.1 °C)";
    for (const Case& c : cases) {
        doc.m_minTemperature.m_data = c.min;
        doc.m_maxTemperature.m_data = c.max;
        doc.m_tempCalibrationDate = c.tempCal ? kJan2024 : 0;
        for (const bool print : {false, true}) {
            const Page page = Lay(print ? Paper() : Screen());
            EXPECT_EQ(model.Warning541(), c.w541) << c.min << " " << c.max;
            EXPECT_EQ(model.Warning542(), c.w542) << c.min << " " << c.max;
            const int B = (print ? 8 : 1) * LH + 7 * LH;
            const int warnings = (c.w541 ? 1 : 0) + (c.w542 ? 1 : 0);
            if (c.w541) {
                EXPECT_EQ(model.WarningText541(), text541);
                EXPECT_EQ(Cell(page, text541).rect.top, B + 2 * LH);
                EXPECT_EQ(Cell(page, text541).style.bDrawEdge, !print);
            }
            if (c.w542) {
                EXPECT_EQ(Cell(page, fw::LoadString(542)).rect.top, B + 2 * LH * warnings);
            }
            // The table frame: 2 lh (screen) or 4 lh (paper) below the last.
            const int Ty = B + 2 * LH * warnings + (print ? 4 : 2) * LH;
            const auto edges = page.All(Op::Edge);
            ASSERT_EQ(edges.size(), 1u);
            const int Lt = (W - 71 * E) / 2;
            EXPECT_EQ(edges[0]->rect, (fw::Rect{Lt, Ty, Lt + 71 * E, Ty + 9 * LH + 4}));
            EXPECT_EQ(edges[0]->flags, print ? 0x800Fu : 0x000Fu);
        }
    }
}

TEST_F(ReportLayoutTest, TheResultsTableRowsColumnsAndThe60SecondRow) {
    for (const bool print : {false, true}) {
        const Page page = Lay(print ? Paper() : Screen());
        const int Ty = (print ? 8 : 1) * LH + 7 * LH + (print ? 4 : 2) * LH;
        const int Lt = (W - 71 * E) / 2;
        // Headings, centred and broken at their line feeds, in the label font.
        const Item& t = Cell(page, "t\nTime\n(s)");
        EXPECT_EQ(t.rect, RectAt(Lt + 2, Ty + 2, 7 * E, 3 * LH));
        EXPECT_EQ(t.style.nFormat, 0x15u);
        EXPECT_TRUE(Has(page, "\nm-value", RectAt(Lt + 2 + 61 * E, Ty + 2, 8 * E, 3 * LH)));
        // The rows: times, forces and deflections of points 16 ... 480.
        const char* times[6] = {"8.0", "15.0", "30.0", "60.0", "120.0", "240.0"};
        for (int i = 0; i < 6; ++i) {
            const Item& row = Cell(page, times[i]);
            EXPECT_EQ(row.rect, RectAt(Lt + 2, Ty + 3 * LH + 2 + i * LH, 7 * E, LH)) << times[i];
            EXPECT_EQ(row.style.nFormat, 0x25u);
            EXPECT_EQ(row.font, i == 3 ? Font::Highlight : Font::Table) << times[i];
            EXPECT_EQ(row.colour, i == 3 && !print ? fw::GetSysColor(fw::COLOR_ACTIVECAPTION)
                                                   : fw::GetSysColor(fw::COLOR_WINDOWTEXT));
        }
        const int k60 = CQXRYXTestDoc::kReportPoints[3];
        const std::string d60 = doc.GetDeflection(k60)->Format("%- #5.5f");
        const Item* d = nullptr;
        for (const Item* i : page.All(Op::Cell))
            if (i->text == d60 && i->rect.left == Lt + 2 + 14 * E) d = i;
        ASSERT_NE(d, nullptr) << d60;
        EXPECT_EQ(d->rect.top, Ty + 3 * LH + 2 + 3 * LH);
        // Measured stiffness at 60 s, three significant digits, left-justified.
        const std::string s60 = doc.m_measuredStiffness[3].Format("%-6.3g");
        EXPECT_EQ(s60.size(), 6u);
        bool found = false;
        for (const Item* i : page.All(Op::Cell))
            found |= i->text == s60 && i->rect.left == Lt + 2 + 26 * E && i->rect.top == Ty + 3 * LH + 2 + 3 * LH;
        EXPECT_TRUE(found) << s60;
        // Body filled on screen only; the 60 s row boxed on paper only.
        const auto fills = page.All(Op::Fill);
        EXPECT_EQ(fills.size(), print ? 1u : 2u);
        if (!print) {
            EXPECT_EQ(fills[1]->rect, (fw::Rect{Lt, Ty + 3 * LH + 2, Lt + 71 * E, Ty + 9 * LH + 4}));
        }
        const auto outlines = page.All(Op::Outline);
        ASSERT_EQ(outlines.size(), print ? 1u : 0u);
        if (print) {
            EXPECT_EQ(outlines[0]->rect, (fw::Rect{Lt + 2, Ty + 6 * LH + 2, Lt + 71 * E - 2, Ty + 7 * LH + 2}));
        }
        // The heading rule.
        const auto lines = page.All(Op::Line);
        EXPECT_EQ(lines.back()->rect, (fw::Rect{Lt, Ty + 3 * LH + 1, Lt + 71 * E - 1, Ty + 3 * LH + 1}));
    }
}

TEST_F(ReportLayoutTest, FitForceDeviationAndStatisticsRowsAndTheirFormats) {
    doc.m_negDeviationEarly.m_data = -1.25f;
    doc.m_posDeviationEarly.m_data = 2.5f;
    doc.m_negDeviationLate.m_data = -0.4f;
    doc.m_posDeviationLate.m_data = 0.75f;
    struct Case {
        bool print;
        bool decimals;
        std::string early;
        std::string late;
        std::string average;
    };
    const Case cases[] = {
        {false, false, "    -1,     +2", "    -0,     +1", " 981"},
        {false, true, "  -1.2,   +2.5", "  -0.4,   +0.8", " 980.7"},
        {true, false, " -1,  +2", " -0,  +1", " 981"},
        {true, true, "-1.2, +2.5", "-0.4, +0.8", " 980.7"},
    };
    for (const Case& c : cases) {
        const Page page = Lay(c.print ? Paper(c.decimals) : Screen(c.decimals));
        const int Ty = (c.print ? 8 : 1) * LH + 7 * LH + (c.print ? 4 : 2) * LH;
        const int fitTop = Ty + 9 * LH + 2 + LH;
        const int Xf = (W - 86 * A) / 2;
        EXPECT_TRUE(Has(page, "A =  ", RectAt(Xf, fitTop, 6 * A, LH)));
        EXPECT_EQ(Cell(page, "A =  ").style.nFormat, 0x26u);
        EXPECT_TRUE(Has(page, "R² = ", RectAt(Xf + 63 * A, fitTop, 6 * A, LH)));
        EXPECT_TRUE(Has(page, doc.m_fitA.Format(" %.3g"), RectAt(Xf + 6 * A, fitTop, 15 * A, LH)));
        EXPECT_TRUE(Has(page, doc.m_rSquared.Format(" %.6f"), RectAt(Xf + 69 * A, fitTop, 15 * A, LH)));

        const int F0 = fitTop + 2 * LH;
        const int Xv = (W - 66 * A) / 2;
        EXPECT_TRUE(Has(page, "Force (t=0.0s) =", RectAt(Xv, F0, 16 * A, LH)));
        EXPECT_TRUE(Has(page, "  mN    Deflection (t=0.5s) =", RectAt(Xv + 23 * A, F0 + LH, 28 * A, LH)));
        const std::string f0 = doc.GetForce(0)->Format(c.decimals ? "%- 3.1f" : "%- 3.0f");
        EXPECT_TRUE(Has(page, f0, RectAt(Xv + 16 * A, F0, 7 * A, LH)));
        for (const Item* i : page.All(Op::Cell))
            if (i->rect.left == Xv + 16 * A) {
                EXPECT_EQ(i->style.nFormat, 0x26u);
            }
        EXPECT_TRUE(Has(page, doc.GetDeflection(1)->Format("%- #5.5f"), RectAt(Xv + 51 * A, F0 + LH, 9 * A, LH)));

        const int D0 = F0 + 3 * LH;
        const int Xd = (W - 58 * A) / 2;
        EXPECT_TRUE(Has(page, "Max Force Deviation (t=0.5   -   5.0s) =", RectAt(Xd, D0, 39 * A, LH)));
        EXPECT_TRUE(Has(page, c.early, RectAt(Xd + 39 * A, D0, 14 * A, LH))) << c.early;
        EXPECT_TRUE(Has(page, c.late, RectAt(Xd + 39 * A, D0 + LH, 14 * A, LH))) << c.late;

        const int S0 = D0 + 3 * LH;
        const int Xs = (W - 46 * A) / 2;
        EXPECT_TRUE(Has(page, "Average Force  (t=0.5 - 240.0s) =", RectAt(Xs, S0, 34 * A, LH)));
        EXPECT_TRUE(Has(page, "Maximum Force (t=0.5 - 240.0s) =", RectAt(Xs, S0 + LH, 34 * A, LH)));
        EXPECT_TRUE(Has(page, "Minimum Force  (t=0.5 - 240.0s) =", RectAt(Xs, S0 + 2 * LH, 34 * A, LH)));
        EXPECT_TRUE(Has(page, c.average, RectAt(Xs + 34 * A, S0, 7 * A, LH))) << c.average;
        int mN = 0;
        for (const Item* i : page.All(Op::Cell)) mN += i->text == "  mN";
        EXPECT_EQ(mN, 5);
    }
}

// Each force figure beside its own label: average, maximum, minimum.
TEST_F(ReportLayoutTest, TheForceStatisticsStandBesideTheirOwnLabels) {
    doc.m_averageForce.m_data = 980.74f;
    doc.m_maxForce.m_data = 985.21f;
    doc.m_minForce.m_data = 976.12f;
    struct Case {
        bool print;
        bool decimals;
        const char* average;
        const char* maximum;
        const char* minimum;
    };
    const Case cases[] = {
        {false, true, " 980.7", " 985.2", " 976.1"},
        {true, true, " 980.7", " 985.2", " 976.1"},
        {false, false, " 981", " 985", " 976"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.print ? "paper" : "screen") + (c.decimals ? ", decimals" : ""));
        const Page page = Lay(c.print ? Paper(c.decimals) : Screen(c.decimals));
        const int Ty = (c.print ? 8 : 1) * LH + 7 * LH + (c.print ? 4 : 2) * LH;
        const int S0 = Ty + 9 * LH + 2 + LH + 2 * LH + 3 * LH + 3 * LH;
        const int Xs = (W - 46 * A) / 2;
        const struct {
            const char* label;
            const char* value;
        } rows[] = {{"Average Force  (t=0.5 - 240.0s) =", c.average},
                    {"Maximum Force (t=0.5 - 240.0s) =", c.maximum},
                    {"Minimum Force  (t=0.5 - 240.0s) =", c.minimum}};
        for (int i = 0; i < 3; ++i) {
            EXPECT_TRUE(Has(page, rows[i].label, RectAt(Xs, S0 + i * LH, 34 * A, LH)));
            // The one value cell of the row, and what it reads.
            std::vector<std::string> values;
            for (const Item* cell : page.All(Op::Cell))
                if (cell->rect == RectAt(Xs + 34 * A, S0 + i * LH, 7 * A, LH)) values.push_back(cell->text);
            EXPECT_EQ(values, std::vector<std::string>{rows[i].value}) << rows[i].label;
        }
    }
}

TEST_F(ReportLayoutTest, ADosImportShowsActualTempAndMovesSoakWidthAndThicknessUp) {
    doc.m_bImported = TRUE;
    doc.m_tempCalibrationDate = 0;
    const Page page = Lay(Screen());
    const int T0 = LH;
    const int X0 = (W - 127 * A) / 2 + 5 * A;
    EXPECT_TRUE(Has(page, "Actual Temp (°C)  :  ", RectAt(X0 + 45 * A, T0 + LH, 20 * A, LH)));
    EXPECT_EQ(page.FindCell("Min. Temp (°C)  :  "), nullptr);
    EXPECT_EQ(page.FindCell("Max. Temp (°C)  :  "), nullptr);
    EXPECT_EQ(page.FindCell("Temp Cal Date  :  "), nullptr);
    EXPECT_EQ(page.FindCell(" -17.9"), nullptr);
    EXPECT_TRUE(Has(page, "Soak Time (min)  :  ", RectAt(X0 + 45 * A, T0 + 2 * LH, 20 * A, LH)));
    EXPECT_TRUE(Has(page, " 60.0", RectAt(X0 + 65 * A, T0 + 2 * LH, 13 * A, LH)));
    EXPECT_TRUE(Has(page, " 12.70", RectAt(X0 + 65 * A, T0 + 3 * LH, 13 * A, LH)));
    EXPECT_TRUE(Has(page, " 6.35", RectAt(X0 + 65 * A, T0 + 4 * LH, 13 * A, LH)));
    // Nothing else in column 2 below row 4, and no calibration warning.
    for (const Item* i : page.All(Op::Cell)) {
        if (i->rect.left == X0 + 45 * A || i->rect.left == X0 + 65 * A) {
            EXPECT_LT(i->rect.top, T0 + 5 * LH) << i->text;
        }
    }
    EXPECT_FALSE(model.Warning542());
    EXPECT_EQ(page.FindCell(fw::LoadString(542)), nullptr);
}

TEST_F(ReportLayoutTest, AShortTestFileDrawsEmptyForceAndDeflectionCells) {
    for (const int points : {0, 1, 20}) {
        CQXRYXTestDoc shortDoc;
        FillCreepTest(shortDoc, points);
        model.Fill(shortDoc);
        const Page page = model.Layout(kMetrics, Screen());
        const int Ty = LH + 7 * LH + 2 * LH + 2 * LH;  // warning 542: no temperature calibration date
        const int Lt = (W - 71 * E) / 2;
        for (int i = 0; i < 6; ++i) {
            const int top = Ty + 3 * LH + 2 + i * LH;
            const bool there = CQXRYXTestDoc::kReportPoints[i] < points;
            for (const Item* c : page.All(Op::Cell)) {
                if (c->rect.top != top) continue;
                if (c->rect.left == Lt + 2 + 7 * E || c->rect.left == Lt + 2 + 14 * E) {
                    EXPECT_EQ(c->text.empty(), !there) << points << " row " << i;
                }
            }
        }
        const int Xv = (W - 66 * A) / 2;
        int emptyForces = 0;
        for (const Item* c : page.All(Op::Cell))
            emptyForces += c->rect.left == Xv + 16 * A && c->text.empty();
        EXPECT_EQ(emptyForces, points == 0 ? 2 : points == 1 ? 1 : 0) << points;
    }
}

TEST_F(ReportLayoutTest, FillingAgainTakesTheDocumentAsItIsNow) {
    doc.m_minTemperature.m_data = -18.0f;
    doc.m_maxTemperature.m_data = -18.0f;
    Page page = Lay(Screen());
    EXPECT_FALSE(model.Warning541());
    // The test goes on and the bath drifts.
    doc.m_minTemperature.m_data = -18.5f;
    doc.m_project.m_data = "Later";
    page = Lay(Screen());
    EXPECT_TRUE(model.Warning541());
    EXPECT_NE(page.FindCell(" Later"), nullptr);
}

TEST(ReportScroll, SizesFollowTheMetrics) {
    const ScrollSizes s = ReportScrollSizes({7, 9, 20});
    EXPECT_EQ(s.total, (fw::Size{127 * 7 - 5, 700}));
    EXPECT_EQ(s.page, (fw::Size{(127 * 7 - 5) / 4, 175}));
    EXPECT_EQ(s.line, (fw::Size{9, 20}));
}

}  // namespace
}  // namespace report
