#include <gtest/gtest.h>

#include <fstream>

#include "framework/core/Strings.h"
#include "res/Resource.h"
#include "support/DocFixture.h"

namespace {

class TestDocTest : public DocFixture {};

TEST_F(TestDocTest, NewDocumentReadsEverySetting) {
    WriteAllSettings();
    CQXRYXTestDoc doc;
    ASSERT_TRUE(doc.OnNewDocument());
    EXPECT_EQ(doc.GetPathName(), dir + "/data/T1.ryx");
    EXPECT_EQ(doc.m_project.m_data, "P");
    EXPECT_EQ(doc.m_apparatusId.m_data, "RYX-7");
    EXPECT_EQ(doc.m_targetTemperature.m_data, -18.0f);
    EXPECT_EQ(doc.m_minTemperature.m_data, 100.0f);
    EXPECT_EQ(doc.m_maxTemperature.m_data, -100.0f);
    EXPECT_EQ(doc.m_loadSamples, 480);
    EXPECT_EQ(doc.m_totalSamples, 501);
    EXPECT_EQ(doc.m_sampleInterval, 30);
    EXPECT_EQ(doc.m_confidenceDate, 1000);
    EXPECT_EQ(doc.m_calibrationDate, 2000);
    EXPECT_EQ(doc.m_softwareVersion.m_data, "RYXw 3.24");
    EXPECT_EQ(box.Count(), 0u);
}

TEST_F(TestDocTest, PathRules) {
    WriteAllSettings();
    struct Case {
        std::string directory;
        std::string path;
    };
    const Case cases[] = {{"/data", "/data/T1.ryx"}, {"/data/", "/data/T1.ryx"}};
    for (const Case& c : cases) {
        ASSERT_EQ(theRegistry.SetTestDirectory(c.directory), 0u);
        CQXRYXTestDoc doc;
        ASSERT_TRUE(doc.OnNewDocument());
        EXPECT_EQ(doc.GetPathName(), c.path) << c.directory;
    }
    EXPECT_EQ(CQXRYXTestDoc::MakeTestPath("", "T1"), "T1.ryx");
    EXPECT_EQ(CQXRYXTestDoc::MakeTestPath("/data", "T1"), "/data/T1.ryx");
}

TEST_F(TestDocTest, SampleCounts) {
    WriteAllSettings();
    ASSERT_EQ(theRegistry.SetTestRecoveryTime(600), 0u);
    CQXRYXTestDoc doc;
    ASSERT_TRUE(doc.OnNewDocument());
    EXPECT_EQ(doc.m_loadSamples, 480);
    EXPECT_EQ(doc.m_totalSamples, 1681);
}

TEST_F(TestDocTest, MissingOrUnusableSettingGives260) {
    // Interval 0 is as bad as a missing one: every point time divides by it.
    for (DWORD interval : {0u, 0xFFFFFFFFu}) {
        WriteAllSettings();
        ASSERT_EQ(theRegistry.SetTestSampleInterval(interval), 0u);
        CQXRYXTestDoc doc;
        EXPECT_FALSE(doc.OnNewDocument());
    }
    auto boxes = box.Boxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, fw::LoadString(260));
    EXPECT_EQ(boxes[0].type & MB_ICONMASK, MB_ICONEXCLAMATION);

    box.Clear();
    CQXRYXTestDoc empty;  // nothing configured at all in a fresh folder
    ASSERT_EQ(setenv("RYX_CONFIG_DIR", (dir + "/other").c_str(), 1), 0);
    EXPECT_FALSE(empty.OnNewDocument());
    EXPECT_EQ(box.Texts(), std::vector<std::string>{fw::LoadString(260)});
}

TEST_F(TestDocTest, AutoThicknessNeedsDatum) {
    WriteAllSettings();
    ASSERT_EQ(theRegistry.SetTestThickness(FLT_MAX), 0u);
    CQXRYXTestDoc doc;
    EXPECT_FALSE(doc.OnNewDocument());
    EXPECT_EQ(box.Texts(), std::vector<std::string>{fw::LoadString(732)});
    ASSERT_EQ(theRegistry.SetAutoThicknessDatum(1.25), 0u);
    CQXRYXTestDoc again;
    EXPECT_TRUE(again.OnNewDocument());
}

TEST_F(TestDocTest, PointTimes) {
    CQXRYXTestDoc doc;
    struct Case {
        int interval, index;
        double seconds;
    };
    const Case cases[] = {{30, 0, 0},     {30, 16, 8},    {30, 500, 250}, {30, 501, 270},
                          {30, 502, 300}, {10, 501, 260}, {10, 502, 270}, {25, 501, 275}};
    for (const Case& c : cases) {
        doc.m_sampleInterval = c.interval;
        EXPECT_EQ(doc.PointTime(c.index), c.seconds) << c.interval << " " << c.index;
    }
}

TEST_F(TestDocTest, TestCompleteNeedsIndexAndPoint480) {
    struct Case {
        int total, interval, points;
        BOOL complete;
    };
    const Case cases[] = {
        {501, 30, 480, FALSE},                             // (501-480)/60+480 = 480: point 480 missing
        {501, 30, 481, TRUE},     {1681, 30, 500, FALSE},  // needs point 500
        {1681, 30, 501, TRUE},    {0, 30, 481, TRUE},      // a small stored total still needs point 480
        {-10000, 30, 300, FALSE}, {0, 30, 300, FALSE},     // index 472 exists, but 480 does not
        {501, 0, 600, FALSE},
    };
    for (const Case& c : cases) {
        CQXRYXTestDoc doc;
        doc.m_totalSamples = c.total;
        doc.m_sampleInterval = c.interval;
        for (int i = 0; i < c.points; ++i) doc.AddPoint(CQXFloatData(), CQXFloatData(), CQXFloatData());
        EXPECT_EQ(doc.IsTestComplete(), c.complete) << c.total << " " << c.points;
    }
}

TEST_F(TestDocTest, AccessorsAndTemperatureRange) {
    CQXRYXTestDoc doc;
    EXPECT_EQ(doc.GetForce(0), nullptr);
    doc.AddPoint(CQXFloatData(0.1f), CQXFloatData(2.0f), CQXFloatData(21.96f));
    ASSERT_NE(doc.GetForce(0), nullptr);
    EXPECT_EQ(doc.GetDeflection(0)->m_data, 0.1f);
    EXPECT_EQ(doc.GetForce(0)->m_data, 2.0f);
    EXPECT_EQ(doc.GetTemperature(0)->m_data, 21.96f);
    EXPECT_EQ(doc.GetForce(1), nullptr);
    EXPECT_EQ(doc.GetForce(-1), nullptr);

    doc.m_minTemperature.m_data = 100.0f;
    doc.m_maxTemperature.m_data = -100.0f;
    doc.UpdateTemperatureRange(21.96f);
    EXPECT_FLOAT_EQ(doc.m_minTemperature.m_data, 22.0f);
    EXPECT_FLOAT_EQ(doc.m_maxTemperature.m_data, 22.0f);
    doc.UpdateTemperatureRange(21.84f);
    EXPECT_FLOAT_EQ(doc.m_minTemperature.m_data, 21.8f);
    EXPECT_FLOAT_EQ(doc.m_maxTemperature.m_data, 22.0f);
}

// Readings round to a tenth of a degree with the double step 0.1: a reading
// halfway between two tenths goes away from zero (with the float step, a
// little above 0.1, it would go toward zero); 0.35 is a float below the half.
TEST_F(TestDocTest, TemperatureRangeRoundsHalvesAwayFromZero) {
    struct Case {
        float reading;
        float rounded;
    };
    const Case cases[] = {
        {-18.25f, -18.3f}, {18.25f, 18.3f}, {-12.75f, -12.8f}, {0.35f, 0.3f}, {-0.05f, -0.1f}};
    for (const Case& c : cases) {
        CQXRYXTestDoc doc;
        doc.m_minTemperature.m_data = 100.0f;
        doc.m_maxTemperature.m_data = -100.0f;
        doc.UpdateTemperatureRange(c.reading);
        EXPECT_EQ(doc.m_minTemperature.m_data, c.rounded) << c.reading;
        EXPECT_EQ(doc.m_maxTemperature.m_data, c.rounded) << c.reading;
    }
}

TEST_F(TestDocTest, ExportCommandIsRoutedWithItsUpdateHandler) {
    CQXRYXTestDoc doc;
    fw::CmdUI ui(ID_EXPORT_DATA);
    EXPECT_TRUE(fw::RouteUpdate({nullptr, &doc}, ui));
    EXPECT_FALSE(ui.IsEnabled());
    FillCreepTest(doc);
    fw::CmdUI ui2(ID_EXPORT_DATA);
    fw::RouteUpdate({&doc}, ui2);
    EXPECT_TRUE(ui2.IsEnabled());
    EXPECT_TRUE(fw::RouteCommand({&doc}, ID_EXPORT_DATA));
    fw::CmdUI other(ID_VIEW_GRAPH);
    EXPECT_FALSE(fw::RouteUpdate({&doc}, other));
    EXPECT_FALSE(other.IsEnabled());
}

TEST_F(TestDocTest, TestFileExistsIgnoresCase) {
    std::filesystem::create_directory(dir + "/data");
    WriteFile("data/T1.ryx", "");
    EXPECT_TRUE(CQXRYXTestDoc::TestFileExists(dir + "/data/T1.RYX"));
    EXPECT_TRUE(CQXRYXTestDoc::TestFileExists(dir + "/data/T1.ryx"));
    EXPECT_FALSE(CQXRYXTestDoc::TestFileExists(dir + "/data/T2.RYX"));
    EXPECT_FALSE(CQXRYXTestDoc::TestFileExists(dir + "/missing/T1.RYX"));
}

}  // namespace
