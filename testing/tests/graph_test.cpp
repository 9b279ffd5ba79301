#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "framework/core/Archive.h"
#include "testing/Graph.h"

namespace {

CQXDataPoint P(float x, float y) { return CQXDataPoint(x, y); }

void ExpectBounds(const CQXDataSeries& s, float minX, float maxX, float minY, float maxY) {
    EXPECT_EQ(s.m_fMinX, minX);
    EXPECT_EQ(s.m_fMaxX, maxX);
    EXPECT_EQ(s.m_fMinY, minY);
    EXPECT_EQ(s.m_fMaxY, maxY);
}

TEST(DataSeries, BoundsFollowThePointsAndStartAfreshAfterRemoveAll) {
    CQXDataSeries s;
    EXPECT_EQ(s.m_nCount, 0);
    ExpectBounds(s, 0, 0, 0, 0);
    CQXDataPoint a = P(2, 5), b = P(1, 7);
    EXPECT_EQ(s.SetAtGrow(0, &a), &a);
    ExpectBounds(s, 2, 2, 5, 5);
    s.SetAtGrow(1, &b);
    ExpectBounds(s, 1, 2, 5, 7);
    EXPECT_EQ(s.m_nCount, 2);
    s.RemoveAll();
    EXPECT_TRUE(s.m_bEmpty);
    CQXDataPoint c = P(10, -3);
    s.SetAtGrow(0, &c);
    ExpectBounds(s, 10, 10, -3, -3);
}

TEST(DataSeries, PresizedSlotsAndCopies) {
    CGraphTrace t(501, fw::RGB(1, 2, 3), true, fw::PS_SOLID, 3, 1);
    EXPECT_EQ(t.m_nCount, 0);
    EXPECT_EQ(t.GetAt(0), nullptr);
    EXPECT_EQ(t.GetAt(501), nullptr);
    EXPECT_EQ(t.GetAt(-1), nullptr);

    CQXDataSeries s;
    s.SetSize(5);
    for (int i : {0, 2, 4}) {
        CQXDataPoint p = P(float(i), float(i * 2));
        s.SetAtGrow(i, &p);
    }
    CQXDataSeries copy;
    copy = s;
    EXPECT_EQ(copy.GetSize(), 5);
    EXPECT_EQ(copy.m_nCount, 3);
    EXPECT_EQ(copy.GetAt(1), nullptr);
    ASSERT_NE(copy.GetAt(4), nullptr);
    EXPECT_EQ(*copy.GetAt(4), P(4, 8));
    EXPECT_NE(copy.GetAt(4), s.GetAt(4));  // a copy, not shared
    copy = copy;
    EXPECT_EQ(copy.m_nCount, 3);

    CGraphTrace tc(t);
    EXPECT_EQ(tc.m_crColor, fw::RGB(1, 2, 3));
    EXPECT_EQ(tc.m_nPenWidth, 3);
    EXPECT_EQ(tc.GetSize(), 501);
}

TEST(DataSeries, StoresCountThenPoints) {
    CQXDataSeries s;
    CQXDataPoint a = P(1.0f, 2.0f), b = P(-0.5f, 4.0f);
    s.SetAtGrow(0, &a);
    s.SetAtGrow(1, &b);
    fw::Archive out;
    s.Serialize(out);
    const std::string expected("\x02\x00"
                               "\x00\x00\x80\x3f"
                               "\x00\x00\x00\x40"
                               "\x00\x00\x00\xbf"
                               "\x00\x00\x80\x40",
                               18);
    EXPECT_EQ(out.Bytes(), expected);

    fw::Archive in(out.Bytes());
    CQXDataSeries back;
    back.Serialize(in);
    EXPECT_EQ(back.m_nCount, 2);
    ExpectBounds(back, -0.5f, 1.0f, 2.0f, 4.0f);
}

TEST(DataSeries, RefusesToStoreWhatTheCountCannotDescribe) {
    CQXDataSeries holes;
    holes.SetSize(3);
    CQXDataPoint a = P(1, 1);
    holes.SetAtGrow(0, &a);
    fw::Archive out1;
    EXPECT_THROW(holes.Serialize(out1), fw::ArchiveException);
    EXPECT_TRUE(out1.Bytes().empty());

    CQXDataSeries big;
    for (int i = 0; i < 65536; ++i) big.SetAtGrow(i, &a);
    fw::Archive out2;
    EXPECT_THROW(big.Serialize(out2), fw::ArchiveException);
    EXPECT_TRUE(out2.Bytes().empty());
}

TEST(DataSeries, TruncatedLoadKeepsThePointsRead) {
    std::string bytes("\x03\x00"
                      "\x00\x00\x80\x3f\x00\x00\x00\x40"
                      "\x00\x00",
                      12);
    fw::Archive in(bytes);
    CQXDataSeries s;
    EXPECT_THROW(s.Serialize(in), fw::ArchiveException);
    EXPECT_EQ(s.m_nCount, 1);
}

struct TickCase {
    float min, max, division;
    std::vector<double> ticks;
};

TEST(GraphAxis, InnerTicks) {
    const TickCase cases[] = {
        {0, 250, 50, {50, 100, 150, 200}},
        {-2.5f, 2.5f, 1, {-1, 0, 1, 2}},
        {2.5f, -2.5f, 1, {-1, 0, 1, 2}},
        {-5, 250, 62.5f, {62.5, 125, 187.5}},
        {0, 5, 1, {1, 2, 3, 4}},
        {0, 1, 1, {}},
        {0, 1e30f, 1, {}},  // too many divisions: none rather than a loop without end
        {1e9f, 1e9f + 1000, 1e-3f, {}},
    };
    for (const TickCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.min << ".." << c.max << " / " << c.division);
        CGraphAxis a;
        ASSERT_TRUE(SetAxisRange(a, c.min, c.max, c.division));
        EXPECT_EQ(InnerTicks(a), c.ticks);
    }
}

TEST(GraphAxis, RefusesAxesThatCannotBeDrawn) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float bad[][3] = {{0, 5, 0}, {0, 5, -1}, {0, 0, 1}, {0, inf, 1}, {nan, 5, 1}, {0, 5, nan},
                            {-3e38f, 3e38f, 1e38f}};
    for (const auto& b : bad) {
        CGraphAxis a;
        a.m_title = "T";
        a.m_format = "%.3f";
        EXPECT_FALSE(SetAxisRange(a, b[0], b[1], b[2])) << b[0] << " " << b[1] << " " << b[2];
        EXPECT_EQ(a.m_fMax, 1.0f);
    }
    CGraphAxis a;
    a.m_title = "T";
    a.m_bGrid = true;
    EXPECT_TRUE(SetAxisRange(a, 0, 5, 1));
    EXPECT_EQ(a.m_title, "T");
    EXPECT_TRUE(a.m_bGrid);
    EXPECT_EQ(a.m_format, "%.2f ");
}

TEST(GraphAxis, InnerLabelsOnlyWhenTheyFit) {
    CGraphAxis a;
    SetAxisRange(a, 0, 250, 50);  // n = 5
    EXPECT_TRUE(InnerLabelsFit(a, 40, 236));   // 200 < 201
    EXPECT_FALSE(InnerLabelsFit(a, 40, 235));  // 200 < 200 fails
    EXPECT_EQ(AxisLabel(a, 62.5), "62.50 ");
    a.m_format = "%s";
    EXPECT_EQ(AxisLabel(a, 2), "2");  // never handed to printf as it is
}

TEST(GraphLayout, FitAndGrow) {
    GraphLayout l;
    l.tickWidth = 4;
    l.tickHeight = 10;
    l.yLabelWidth = 30;
    l.yLabelHeight = 10;
    l.xLabelWidth = 30;
    l.xLabelHeight = 10;
    l.yTitleLength = 80;
    l.xTitleWidth = 50;
    l.xTitleHeight = 10;
    GraphLayout fit = l;
    fit.areaLeft = 100;
    fit.areaTop = 50;
    fit.areaWidth = 400;
    fit.areaHeight = 300;
    FitLayout(fit);
    EXPECT_EQ(fit.plotLeft, 100 + 30 + 24);
    EXPECT_EQ(fit.plotTop, 55);
    EXPECT_EQ(fit.plotRight, 500 - 15);
    EXPECT_EQ(fit.plotBottom, 350 - 20 - 25);
    EXPECT_EQ(fit.plotWidth, fit.plotRight - fit.plotLeft);

    // A tiny area grows to its minimum.
    GraphLayout small = l;
    small.areaWidth = 10;
    small.areaHeight = 10;
    FitLayout(small);
    EXPECT_GE(small.areaWidth, 2 * (30 + 30));
    EXPECT_GE(small.areaHeight, 60);

    GraphLayout grow = l;
    grow.plotLeft = 200;
    grow.plotTop = 100;
    grow.plotWidth = 300;
    grow.plotHeight = 200;
    GrowLayout(grow);
    EXPECT_EQ(grow.areaLeft, std::min(200 - 24 - 30, 200 + 150 - 12 - 25));
    EXPECT_EQ(grow.areaTop, std::min(100 - 5, 100 + 100 - 40));
    EXPECT_EQ(grow.areaRight, std::max(200 + 150 + 25, 500 + 15));
    EXPECT_EQ(grow.areaBottom, std::max(100 + 100 + 40, 300 + 20 + 25));
    // The area grown around a plot lays the same plot out again.
    GraphLayout again = l;
    again.areaLeft = grow.areaLeft;
    again.areaTop = grow.areaTop;
    again.areaRight = grow.areaRight;
    again.areaBottom = grow.areaBottom;
    CalcPlotRect(again);
    EXPECT_EQ(again.plotLeft, grow.plotLeft);
    EXPECT_EQ(again.plotBottom, grow.plotBottom);
}

}  // namespace
