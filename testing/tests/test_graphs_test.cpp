// The live view's y scales: the automatic rule and the settings.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>

#include "settings/CQXRegistry.h"
#include "testing/TestGraphs.h"

namespace {

struct AutoCase {
    const char* name;
    std::vector<float> ys;
    double scale;
    bool idle;
    bool changed;
    double newScale;
    float axisMax;  // 0: the axis as it was (1.0)
};

TEST(AutoScale, Table) {
    std::vector<float> many(25, 0.1f);
    const AutoCase cases[] = {
        {"idle 0.8 mm", {0.2f, 0.8f}, 1.0, true, true, 0.2, 1.0f},
        {"running, force past 5 x 300", {100, 1600}, 300, false, true, 800, 4000},
        {"running, within the axis", {100, 900}, 300, false, false, 300, 0},
        {"running, below one division after 20 points", many, 1.0, false, true, 0.05, 0.25f},
        {"running, below one division, few points", {0.1f}, 1.0, false, false, 1.0, 0},
        {"largest y 0", {0, 0}, 1.0, true, false, 0, 0},
        {"largest y negative", {-2, -1}, 1.0, true, false, -0.25, 0},
        {"no points", {}, 1.0, true, false, 1.0, 0},
        {"scale not a number", {1}, std::numeric_limits<double>::quiet_NaN(), false, false, -1, 0},
        {"huge maximum", {3e38f}, 1.0, true, false, 1.0, 0},
    };
    for (const AutoCase& c : cases) {
        SCOPED_TRACE(c.name);
        CGraphTrace t(501, 0, true, fw::PS_SOLID, 3, 1);
        for (size_t i = 0; i < c.ys.size(); ++i) {
            CQXDataPoint p(static_cast<float>(i) * 0.5f, c.ys[i]);
            t.SetAtGrow(static_cast<int>(i), &p);
        }
        CGraph g;
        double scale = c.scale;
        EXPECT_EQ(TestGraphs::AutoScale(g, t, scale, c.idle), c.changed);
        if (std::isfinite(c.scale)) {
            EXPECT_NEAR(scale, c.newScale, 1e-6);
        }
        EXPECT_FLOAT_EQ(g.m_yAxis.m_fMax, c.axisMax == 0 ? 1.0f : c.axisMax);
    }
}

class GraphSettings : public testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/ryx-graphs-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
        setenv("RYX_CONFIG_DIR", dir.c_str(), 1);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::string dir;
};

TEST_F(GraphSettings, MissingOrUnusableScalesFallBack) {
    TestGraphs g;
    g.Initialise();
    EXPECT_TRUE(g.m_autoScale);
    EXPECT_EQ(g.m_deflectionScale, 1.0);
    EXPECT_EQ(g.m_forceScale, 300.0);

    ASSERT_EQ(theRegistry.SetGraphsAuto(0), 0u);
    ASSERT_EQ(theRegistry.SetGraphsDeflection(-1.0), 0u);
    ASSERT_EQ(theRegistry.SetGraphsForce(std::numeric_limits<double>::infinity()), 0u);
    TestGraphs h;
    h.Initialise();
    EXPECT_FALSE(h.m_autoScale);
    EXPECT_EQ(h.m_deflectionScale, 1.0);
    EXPECT_EQ(h.m_forceScale, 1000.0);
    EXPECT_FLOAT_EQ(h.m_forceGraph.m_yAxis.m_fMax, 5000.0f);

    ASSERT_EQ(theRegistry.SetGraphsDeflection(0.5), 0u);
    ASSERT_EQ(theRegistry.SetGraphsForce(0.0), 0u);
    h.UpdateGraphScales(true);
    EXPECT_FLOAT_EQ(h.m_deflectionGraph.m_yAxis.m_fMax, 2.5f);
    EXPECT_EQ(h.m_forceScale, 1000.0);  // a scale of 0 is ignored, never looped on
}

TEST_F(GraphSettings, TracesHoldTheFirst501Points) {
    TestGraphs g;
    g.Initialise();
    for (int i = 0; i < 1000; ++i) ASSERT_TRUE(g.AddPoint(0.001f * i, 900));
    EXPECT_EQ(g.m_deflectionTrace.m_nCount, 501);
    EXPECT_EQ(g.m_forceTrace.m_nCount, 501);
    EXPECT_FLOAT_EQ(g.m_deflectionTrace.GetAt(500)->m_x, 250.0f);
}

}  // namespace
