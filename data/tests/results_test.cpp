#include <gtest/gtest.h>

#include <functional>

#include "data/ExportText.h"
#include "framework/core/Strings.h"
#include "instrument/Rounding.h"
#include "support/DocFixture.h"

namespace {

class ResultsTest : public DocFixture {};

TEST_F(ResultsTest, MeasuredStiffnessOfTheReferenceBeam) {
    CQXRYXTestDoc doc;
    FillCreepTest(doc);
    doc.GetForce(16)->m_data = 980.665f;
    doc.GetDeflection(16)->m_data = 0.3f;
    ASSERT_TRUE(doc.CalcMeasuredStiffness());
    double g = 4 * 12.7f * std::pow(static_cast<double>(6.35f), 3) / 1048772;
    EXPECT_NEAR(g, 0.0124023, 1e-7);
    EXPECT_NEAR(doc.m_measuredStiffness[0].m_data, 263.57, 0.01);
}

TEST_F(ResultsTest, StraightLineFitsExactly) {
    CQXRYXTestDoc doc;
    FillCreepTest(doc);
    ASSERT_TRUE(doc.CalculateResults());
    EXPECT_TRUE(doc.m_bResultsValid);
    EXPECT_NEAR(doc.m_fitA.m_data, 3.0f, 2e-6);
    EXPECT_NEAR(doc.m_fitB.m_data, -0.3f, 2e-6);
    EXPECT_NEAR(doc.m_fitC.m_data, 0.0f, 1e-6);
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(doc.m_difference[k].m_data, 0.0f) << k;
        EXPECT_EQ(doc.m_mValue[k].Format("%- #3.3f"), " 0.300") << k;
        EXPECT_EQ(doc.m_reportTimes[k].m_data, CQXRYXTestDoc::kReportTimes[k]);
    }
    EXPECT_EQ(doc.m_rSquared.m_data, 1.0f);
    EXPECT_EQ(box.Count(), 0u);
}

TEST_F(ResultsTest, ConstantForceStatistics) {
    CQXRYXTestDoc doc;
    FillCreepTest(doc);
    for (int i = 0; i < doc.GetPointCount(); ++i) doc.GetForce(i)->m_data = 100.0f;
    ASSERT_TRUE(doc.CalcForceStatistics());
    EXPECT_EQ(doc.m_averageForce.m_data, 100.0f);
    EXPECT_EQ(doc.m_maxForce.m_data, 100.0f);
    EXPECT_EQ(doc.m_minForce.m_data, 100.0f);
    EXPECT_EQ(doc.m_posDeviationEarly.m_data, 0.0f);
    EXPECT_EQ(doc.m_posDeviationLate.m_data, 0.0f);
    EXPECT_EQ(doc.m_negDeviationEarly.m_data, -0.00001f);
    EXPECT_EQ(doc.m_negDeviationLate.m_data, -0.00001f);
}

TEST_F(ResultsTest, ForceStatisticsSkipPoints0And480) {
    CQXRYXTestDoc doc;
    FillCreepTest(doc);
    for (int i = 0; i < doc.GetPointCount(); ++i) doc.GetForce(i)->m_data = 100.0f;
    doc.GetForce(0)->m_data = 5000.0f;
    doc.GetForce(480)->m_data = 5000.0f;
    doc.GetForce(5)->m_data = 120.0f;   // early phase
    doc.GetForce(300)->m_data = 90.0f;  // late phase
    ASSERT_TRUE(doc.CalcForceStatistics());
    EXPECT_EQ(doc.m_maxForce.m_data, 120.0f);
    EXPECT_EQ(doc.m_minForce.m_data, 90.0f);
    EXPECT_FLOAT_EQ(doc.m_averageForce.m_data, static_cast<float>((100.0 * 477 + 210) / 479));
    EXPECT_GT(doc.m_posDeviationEarly.m_data, 19.9f);
    EXPECT_LT(doc.m_negDeviationLate.m_data, -9.9f);
    // The early minimum, 100, lies just below the average that 120 and 90 raise.
    EXPECT_NEAR(doc.m_negDeviationEarly.m_data, 100.0 - (100.0 * 477 + 210) / 479, 1e-5);
}

// The force statistics in single precision: each step rounded to float,
// the sum taken in index order. Summed in double, the average of these
// forces gives another text in the exports.
TEST_F(ResultsTest, ForceStatisticsInSinglePrecision) {
    CQXRYXTestDoc doc;
    FillCreepTest(doc);
    for (int i = 0; i < doc.GetPointCount(); ++i)
        doc.GetForce(i)->m_data = 980.665f + static_cast<float>(i % 101) * 0.004f;
    float sum = 0;
    double doubleSum = 0;
    float earlyMin = 10000, lateMax = 0, lateMin = 10000;
    for (int i = 1; i <= 479; ++i) {
        const float f = doc.GetForce(i)->m_data;
        sum = sum + f;
        doubleSum += f;
        if (i <= 9 && f < earlyMin) earlyMin = f;
        if (i > 9 && f > lateMax) lateMax = f;
        if (i > 9 && f < lateMin) lateMin = f;
    }
    const float average = sum / 479.0f;
    ASSERT_NE(exporttext::StreamNumber(average),
              exporttext::StreamNumber(static_cast<float>(doubleSum / 479)));

    ASSERT_TRUE(doc.CalcForceStatistics());
    EXPECT_EQ(doc.m_averageForce.m_data, average);
    EXPECT_EQ(exporttext::StreamNumber(doc.m_averageForce.m_data), exporttext::StreamNumber(average));
    // The forces of the early phase all lie below the average.
    EXPECT_EQ(doc.m_posDeviationEarly.m_data, 0.0f);
    const float negEarly = earlyMin - average, posLate = lateMax - average, negLate = lateMin - average;
    EXPECT_EQ(doc.m_negDeviationEarly.m_data, negEarly);
    EXPECT_EQ(doc.m_posDeviationLate.m_data, posLate);
    EXPECT_EQ(doc.m_negDeviationLate.m_data, negLate);
}

// The measured stiffness in single precision too, for every report time.
TEST_F(ResultsTest, MeasuredStiffnessInSinglePrecision) {
    CQXRYXTestDoc doc;
    FillCreepTest(doc, 501, 2.92, -0.21, -0.045);
    doc.m_beamWidth.m_data = 12.71f;
    doc.m_beamThickness.m_data = 6.37f;
    const float w = doc.m_beamWidth.m_data, h = doc.m_beamThickness.m_data;
    const float g = ((4.0f * w) * h * h * h) / 1048772.0f;
    bool differs = false;
    float expected[6];
    for (int k = 0; k < 6; ++k) {
        const int p = CQXRYXTestDoc::kReportPoints[k];
        const float f = doc.GetForce(p)->m_data, d = doc.GetDeflection(p)->m_data;
        expected[k] = f / ((d * g) * 1000.0f);
        const double gd = 4.0 * w * h * h * h / 1048772.0;
        differs = differs || expected[k] != static_cast<float>(f / (d * gd * 1000.0));
    }
    ASSERT_TRUE(differs);  // the case tells the two apart
    ASSERT_TRUE(doc.CalcMeasuredStiffness());
    for (int k = 0; k < 6; ++k) EXPECT_EQ(doc.m_measuredStiffness[k].m_data, expected[k]) << k;
}

TEST_F(ResultsTest, ZeroDeflectionGivesLargeFiniteStiffness) {
    CQXRYXTestDoc doc;
    FillCreepTest(doc);
    doc.GetDeflection(60)->m_data = 0.0f;
    ASSERT_TRUE(doc.CalcMeasuredStiffness());
    double expected = 980.665 / (FLT_EPSILON * 1000);
    EXPECT_NEAR(doc.m_measuredStiffness[2].m_data, expected, expected * 1e-6);
}

// The same deflection at every report point: six equal stiffness values.
std::function<void(CQXRYXTestDoc&)> EqualDeflections(float d) {
    return [d](CQXRYXTestDoc& doc) {
        for (int p : CQXRYXTestDoc::kReportPoints) doc.GetDeflection(p)->m_data = d;
    };
}

TEST_F(ResultsTest, UnusableInputsGive402AndLeaveResultsInvalid) {
    struct Case {
        const char* what;
        std::function<void(CQXRYXTestDoc&)> spoil;
    };
    const Case cases[] = {
        {"zero force", [](CQXRYXTestDoc& d) { d.GetForce(120)->m_data = 0.0f; }},
        {"negative force", [](CQXRYXTestDoc& d) { d.GetForce(16)->m_data = -1.0f; }},
        {"negative deflection", [](CQXRYXTestDoc& d) { d.GetDeflection(480)->m_data = -0.1f; }},
        {"infinite force", [](CQXRYXTestDoc& d) { d.GetForce(30)->m_data = INFINITY; }},
        {"NaN deflection", [](CQXRYXTestDoc& d) { d.GetDeflection(240)->m_data = NAN; }},
        {"point 480 missing", [](CQXRYXTestDoc& d) { d.m_points.resize(480); }},
        {"no points", [](CQXRYXTestDoc& d) { d.m_points.clear(); }},
        // Equal values whose mean of logarithms is exact in double and ones whose mean is not.
        {"six equal stiffnesses at 0.3", EqualDeflections(0.3f)},
        {"six equal stiffnesses at 0.25", EqualDeflections(0.25f)},
        {"six equal stiffnesses at 0.4", EqualDeflections(0.4f)},
        {"six equal stiffnesses at 0.7", EqualDeflections(0.7f)},
        {"six equal stiffnesses at 1.3", EqualDeflections(1.3f)},
        {"six equal stiffnesses at 2.9", EqualDeflections(2.9f)},
    };
    for (const Case& c : cases) {
        box.Clear();
        CQXRYXTestDoc doc;
        FillCreepTest(doc);
        ASSERT_TRUE(doc.CalculateResults());
        c.spoil(doc);
        EXPECT_FALSE(doc.CalculateResults()) << c.what;
        EXPECT_FALSE(doc.m_bResultsValid) << c.what;
        EXPECT_EQ(box.Texts(), std::vector<std::string>{fw::LoadString(402)}) << c.what;
    }
}

// Least squares by the normal equations solved with Gaussian elimination
// and partial pivoting, in double: an independent way to the same fit.
std::array<double, 3> ReferenceFit(const CQXRYXTestDoc& doc) {
    double m[3][4] = {};
    for (int k = 0; k < 6; ++k) {
        double x = std::log10(static_cast<double>(CQXRYXTestDoc::kReportTimes[k]));
        double y = std::log10(static_cast<double>(doc.m_measuredStiffness[k].m_data));
        double row[3] = {1, x, x * x};
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j) m[i][j] += row[i] * row[j];
            m[i][3] += row[i] * y;
        }
    }
    for (int col = 0; col < 3; ++col) {
        int piv = col;
        for (int r = col + 1; r < 3; ++r)
            if (std::fabs(m[r][col]) > std::fabs(m[piv][col])) piv = r;
        std::swap(m[col], m[piv]);
        for (int r = 0; r < 3; ++r) {
            if (r == col) continue;
            double f = m[r][col] / m[col][col];
            for (int j = col; j < 4; ++j) m[r][j] -= f * m[col][j];
        }
    }
    return {m[0][3] / m[0][0], m[1][3] / m[1][1], m[2][3] / m[2][2]};
}

TEST_F(ResultsTest, RealisticCreepCurveMatchesIndependentReference) {
    CQXRYXTestDoc doc;
    FillCreepTest(doc, 501, 2.92, -0.21, -0.045);
    // Some measurement noise on the report points.
    const float noise[6] = {1.004f, 0.997f, 1.002f, 0.999f, 1.003f, 0.998f};
    for (int k = 0; k < 6; ++k) doc.GetDeflection(CQXRYXTestDoc::kReportPoints[k])->m_data *= noise[k];
    ASSERT_TRUE(doc.CalculateResults());
    auto ref = ReferenceFit(doc);
    EXPECT_NEAR(doc.m_fitA.m_data, ref[0], 1e-4);
    EXPECT_NEAR(doc.m_fitB.m_data, ref[1], 1e-4);
    EXPECT_NEAR(doc.m_fitC.m_data, ref[2], 1e-4);
    for (int k = 0; k < 6; ++k) {
        double x = std::log10(static_cast<double>(CQXRYXTestDoc::kReportTimes[k]));
        double m = RoundTo(std::fabs(2 * ref[2] * x + ref[1]), 0.001f);
        EXPECT_EQ(doc.m_mValue[k].Format("%- #3.3f"), CQXFloatData(static_cast<float>(m)).Format("%- #3.3f"));
    }
    EXPECT_GT(doc.m_rSquared.m_data, 0.99f);
    EXPECT_LE(doc.m_rSquared.m_data, 1.0f);
}

}  // namespace
