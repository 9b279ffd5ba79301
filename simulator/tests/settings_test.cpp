// The settings ryx-sim writes, read back through the station's own store.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "platform/Hive.h"
#include "settings/CQXRegistry.h"
#include "simulator/SettingsWriter.h"
#include "simulator/tests/support/PtyPeer.h"

namespace ryxsim {
namespace {

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::Hive::SetDiagnosticSink([](const std::string&) {});
        plan.dataDir = dir.Path() + "/data";
        plan.port = "com2";
    }
    testing::TempDir dir;
    SettingsPlan plan;
    std::string hive() const { return dir.Path() + "/registry.reg"; }
};

TEST_F(SettingsTest, EverySettingOfTheStationIsThereWithItsType) {
    std::string error;
    ASSERT_EQ(WriteSettings(hive(), plan, &error), 0u) << error;
    CQXRegistry reg(hive());
#define CHECK_READ(type, sec, val, fn)                       \
    {                                                        \
        type v{};                                            \
        EXPECT_EQ(reg.Get##fn(v), 0u) << sec << "\\" << val; \
    }
#define RYX_DWORD(sec, val, fn) CHECK_READ(DWORD, sec, val, fn)
#define RYX_COUNT16(sec, val, fn) CHECK_READ(WORD, sec, val, fn)
#define RYX_DOUBLE(sec, val, fn) CHECK_READ(double, sec, val, fn)
#define RYX_DOUBLE_CUSTOM RYX_DOUBLE
#define RYX_DATE(sec, val, fn) CHECK_READ(Time64, sec, val, fn)
#define RYX_STRING(sec, val, fn, max) CHECK_READ(std::string, sec, val, fn)
#define RYX_STRING_CUSTOM RYX_STRING
#include "settings/RegistryValues.def"
#undef RYX_DWORD
#undef RYX_COUNT16
#undef RYX_DOUBLE
#undef RYX_DOUBLE_CUSTOM
#undef RYX_DATE
#undef RYX_STRING
#undef RYX_STRING_CUSTOM
#undef CHECK_READ
    int16_t offsets[66];
    ASSERT_EQ(reg.GetTemperatureOffsets(offsets, sizeof offsets), 0u);
    for (int16_t o : offsets) EXPECT_EQ(o, 0) << "every degree calibrated";
    int64_t dates[66];
    ASSERT_EQ(reg.GetTemperatureOffsetDates(dates, sizeof dates), 0u);
    EXPECT_GT(dates[28], 0);
}

TEST_F(SettingsTest, ValuesMatchTheSimulatorsCalibration) {
    ASSERT_EQ(WriteSettings(hive(), plan, nullptr), 0u);
    CQXRegistry reg(hive());
    const Calibration& c = plan.calibration;
    WORD w = 0;
    double d = 0;
    std::string s;
    ASSERT_EQ(reg.GetForceZero(w), 0u);
    EXPECT_EQ(w, c.forceZero);
    ASSERT_EQ(reg.GetDeflectionZero(w), 0u);
    EXPECT_EQ(w, c.deflectionZero);
    ASSERT_EQ(reg.GetDeflectionWhite(w), 0u);
    EXPECT_EQ(w, c.DeflectionWhiteCount());
    ASSERT_EQ(reg.GetForceConstant(d), 0u);
    EXPECT_DOUBLE_EQ(d, c.forceConstant);
    ASSERT_EQ(reg.GetDeflectionBluConstant(d), 0u);
    EXPECT_DOUBLE_EQ(d, c.blueSlope);
    ASSERT_EQ(reg.GetDeflectionCompliance(d), 0u);
    EXPECT_DOUBLE_EQ(d, c.compliance);
    ASSERT_EQ(reg.GetTemperatureA3(d), 0u);
    EXPECT_DOUBLE_EQ(d, c.a3);
    ASSERT_EQ(reg.GetGageBlockWhite(d), 0u);
    EXPECT_DOUBLE_EQ(d, c.gage.white);
    ASSERT_EQ(reg.GetTestBath(d), 0u);
    EXPECT_DOUBLE_EQ(d, -12.0);
    ASSERT_EQ(reg.GetAutoThicknessDatum(d), 0u) << "a datum that is established";
    EXPECT_NEAR(d, SimulatedDatum(c), 1e-12);
    EXPECT_GT(d, -2.0);
    EXPECT_LT(d, 2.0);
    ASSERT_EQ(reg.GetPort(s), 0u);
    EXPECT_EQ(s, "COM2");
    ASSERT_EQ(reg.GetTestDirectory(s), 0u);
    EXPECT_EQ(s, std::filesystem::absolute(plan.dataDir).string() + "/");
    EXPECT_TRUE(std::filesystem::is_directory(plan.dataDir));
}

TEST_F(SettingsTest, KeepsOtherValuesAndHonoursAnotherProgramKey) {
    CQXRegistry other(hive());
    ASSERT_EQ(other.SetTestOperator("kept"), 0u);
    ASSERT_EQ(other.SetEquipmentRYX("mine"), 0u);
    plan.programKey = "RYXsim";
    ASSERT_EQ(WriteSettings(hive(), plan, nullptr), 0u);
    std::string s;
    ASSERT_EQ(other.GetEquipmentRYX(s), 0u);
    EXPECT_EQ(s, "mine") << "another program key's tree was overwritten";
    CQXRegistry sim(hive());
    sim.SetProgramKey("RYXsim");
    ASSERT_EQ(sim.GetEquipmentRYX(s), 0u);
    EXPECT_EQ(s, "SIM-RYX");
}

TEST_F(SettingsTest, FailuresAreToldAndLeaveNoFile) {
    std::string error;
    // A file where the hive's folder should be.
    const std::string blocker = dir.Path() + "/blocker";
    std::FILE* f = std::fopen(blocker.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    EXPECT_NE(WriteSettings(blocker + "/registry.reg", plan, &error), 0u);
    EXPECT_FALSE(error.empty());

    plan.dataDir = blocker + "/data";
    error.clear();
    EXPECT_NE(WriteSettings(hive(), plan, &error), 0u);
    EXPECT_NE(error.find("data folder"), std::string::npos) << error;
    EXPECT_FALSE(std::filesystem::exists(hive()));

    plan.dataDir = dir.Path() + "/data";
    plan.port = "COM7";
    EXPECT_NE(WriteSettings(hive(), plan, &error), 0u);
    EXPECT_FALSE(std::filesystem::exists(hive()));
}

}  // namespace
}  // namespace ryxsim
