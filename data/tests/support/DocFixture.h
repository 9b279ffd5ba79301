#pragma once
// A test's own folder and configuration folder, a scripted message box, and
// helpers to build test documents and test files.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cfloat>
#include <cmath>
#include <filesystem>
#include <string>

#include "data/CQXRYXTestDoc.h"
#include "framework/core/TestDoubles.h"
#include "platform/Paths.h"
#include "settings/CQXRegistry.h"

class DocFixture : public testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/ryx-data-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
        std::filesystem::create_directory(dir + "/config");
        setenv("RYX_CONFIG_DIR", (dir + "/config").c_str(), 1);
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }

    // Every setting a new test document reads.
    void WriteAllSettings() {
        ASSERT_EQ(theRegistry.SetTestProject("P"), 0u);
        ASSERT_EQ(theRegistry.SetTestOperator("O"), 0u);
        ASSERT_EQ(theRegistry.SetTestSpecimen("S"), 0u);
        ASSERT_EQ(theRegistry.SetTestFileName("T1"), 0u);
        ASSERT_EQ(theRegistry.SetEquipmentRYX("RYX-7"), 0u);
        ASSERT_EQ(theRegistry.SetTestDirectory(dir + "/data"), 0u);
        ASSERT_EQ(theRegistry.SetTestBath(-18.0), 0u);
        ASSERT_EQ(theRegistry.SetTestBathTime(60.0), 0u);
        ASSERT_EQ(theRegistry.SetTestWidth(12.7), 0u);
        ASSERT_EQ(theRegistry.SetTestThickness(6.35), 0u);
        ASSERT_EQ(theRegistry.SetConfidenceTestResult(2.0), 0u);
        ASSERT_EQ(theRegistry.SetConfidenceTestLast(1000), 0u);
        ASSERT_EQ(theRegistry.SetForceConstant(0.5), 0u);
        ASSERT_EQ(theRegistry.SetDeflectionConstant(0.0001), 0u);
        ASSERT_EQ(theRegistry.SetTestSampleInterval(30), 0u);
        ASSERT_EQ(theRegistry.SetTestLoadTime(240), 0u);
        ASSERT_EQ(theRegistry.SetTestRecoveryTime(10), 0u);
        ASSERT_EQ(theRegistry.SetDeflectionCompliance(0.00002), 0u);
        ASSERT_EQ(theRegistry.SetLastCalibration(2000), 0u);
    }

    std::string WriteFile(const std::string& name, const std::string& bytes) {
        std::string path = dir + "/" + name;
        EXPECT_EQ(platform::WriteFileAtomic(path, bytes), 0u);
        return path;
    }

    std::string dir;
    fw::ScriptedMessageBox box;
    fw::ServiceScope<fw::MessageBoxService> boxScope{box};
};

// A creep curve: force 980.665 mN throughout; deflection growing as a power of time.
inline void FillCreepTest(CQXRYXTestDoc& doc, int points = 501, double a = 3.0, double b = -0.3,
                          double c = 0.0) {
    doc.m_beamWidth.m_data = 12.7f;
    doc.m_beamThickness.m_data = 6.35f;
    double g = 4 * 12.7f * std::pow(static_cast<double>(6.35f), 3) / 1048772;
    for (int i = 0; i < points; ++i) {
        double t = i == 0 ? 0.25 : doc.PointTime(i);
        double x = std::log10(t);
        double s = std::pow(10.0, a + b * x + c * x * x);  // MPa
        double d = 980.665 / (s * 1000 * g);
        doc.AddPoint(CQXFloatData(static_cast<float>(d)), CQXFloatData(980.665f), CQXFloatData(-18.0f));
    }
}
