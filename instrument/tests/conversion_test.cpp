#include <gtest/gtest.h>

#include <cstdlib>

#include "instrument/ReadingConversion.h"
#include "platform/tests/TempDir.h"
#include "settings/CQXRegistry.h"

namespace {

class ConversionTest : public ::testing::Test {
protected:
    void SetUp() override { ::setenv("RYX_CONFIG_DIR", config.Path().c_str(), 1); }
    void TearDown() override { ::unsetenv("RYX_CONFIG_DIR"); }
    // Every calibration value stored, at the defaults' values.
    void StoreAll(bool gageBlockWhite = true) {
        using D = ConversionDefaults;
        ASSERT_EQ(theRegistry.SetForceZero(D::kForceZero), 0u);
        ASSERT_EQ(theRegistry.SetForceConstant(D::kForceConstant), 0u);
        ASSERT_EQ(theRegistry.SetDeflectionWhite(D::kDeflectionWhite), 0u);
        ASSERT_EQ(theRegistry.SetDeflectionZero(D::kDeflectionZero), 0u);
        ASSERT_EQ(theRegistry.SetGageBlockRed(D::kGageBlockRed), 0u);
        if (gageBlockWhite) {
            ASSERT_EQ(theRegistry.SetGageBlockWhite(12.5), 0u);
        }
        ASSERT_EQ(theRegistry.SetDeflectionBluConstant(D::kBluConstant), 0u);
        ASSERT_EQ(theRegistry.SetDeflectionWhtConstant(D::kWhtConstant), 0u);
        ASSERT_EQ(theRegistry.SetDeflectionTopConstant(D::kTopConstant), 0u);
        ASSERT_EQ(theRegistry.SetDeflectionCompliance(D::kCompliance), 0u);
    }
    ConvertedReadings Convert(WORD d, WORD f, WORD t = 0xF830, BOOL test = FALSE) {
        BeamState raw;
        raw.rawDeflection = d;
        raw.rawForce = f;
        raw.rawTemperature = t;
        raw.test = test;
        return ConvertFrame(raw, tarePending, values, equation);
    }

    ryxtest::TempDir config;
    RYXTempEquation equation{[] { return std::string("2.000"); }};
    ConversionValues values;
    BOOL tarePending = FALSE;
};

TEST_F(ConversionTest, CountsBecomeMillimetresMillinewtonsAndDegrees) {
    StoreAll();
    struct Case {
        WORD d, f, t;
        float deflection, force, temperature;
        double constant;  // of the range the deflection fell in
    };
    const Case cases[] = {
        {20037, 36750, 0xF830, 0.15296f, 151.0f, -20.0f, 0.000154},    // middle range
        {29060, 35750, 0xF82B, 1.54354f, 0.0f, -20.05f, 0.000154},     // at White: still the middle
        {29160, 35750, 0x0000, 2.5158f, 0.0f, 0.0f, 0.000158},         // above: blue, + Red - White
        {19037, 35750, 0x09C4, 0.0f, 0.0f, 25.0f, 0.000153},           // at Zero: the lowest
        {18000, 34750, 0xF830, -0.15762f, -151.0f, -20.0f, 0.000153},  // below Zero, force below zero
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.d);
        const ConvertedReadings r = Convert(c.d, c.f, c.t);
        EXPECT_FLOAT_EQ(r.deflection, c.deflection);
        EXPECT_FLOAT_EQ(r.force, c.force);
        EXPECT_FLOAT_EQ(r.temperature, c.temperature);
        EXPECT_EQ(values.deflectionConstant, c.constant);
        EXPECT_FALSE(r.defaultsUsed);
    }
}

TEST_F(ConversionTest, MissingCalibrationUsesTheDefaultsAndSaysSo) {
    const ConvertedReadings r = Convert(20037, 36750);
    EXPECT_TRUE(r.defaultsUsed);
    EXPECT_FLOAT_EQ(r.deflection, 0.15296f);
    EXPECT_FLOAT_EQ(r.force, 151.0f);
    EXPECT_EQ(values.forceZero, 35750);
    EXPECT_EQ(values.forceConstant, 0.151);
    EXPECT_EQ(values.compliance, 6.871e-6);
    // Any one of them missing is enough.
    StoreAll();
    EXPECT_FALSE(Convert(20037, 36750).defaultsUsed);
    ASSERT_EQ(theRegistry.SetForceConstant(0.2), 0u);
    EXPECT_FLOAT_EQ(Convert(20037, 36750).force, 200.0f);
}

TEST_F(ConversionTest, GageBlockWhiteMissingAboveWhiteOffsetsByExactlyTwo) {
    StoreAll(false);
    const ConvertedReadings r = Convert(29160, 35750);
    EXPECT_FLOAT_EQ(r.deflection, 2.0158f);  // 100 x 0.000158 + 2.0, not Red - 2.0
    EXPECT_TRUE(r.defaultsUsed);
    // Below White the gage block is not read, so nothing is missing there.
    EXPECT_FALSE(Convert(29060, 35750).defaultsUsed);
}

TEST_F(ConversionTest, ResolutionChoosesTenthsOrWholeMillinewtons) {
    StoreAll();
    EXPECT_FLOAT_EQ(Convert(20037, 36757).force, 152.0f);  // missing: whole, and no 1015
    EXPECT_FALSE(Convert(20037, 36757).defaultsUsed);
    ASSERT_EQ(theRegistry.SetForceResolution(1), 0u);
    EXPECT_FLOAT_EQ(Convert(20037, 36757).force, 152.1f);
    EXPECT_FLOAT_EQ(Convert(20037, 36757).deflection, 0.15295f);  // the compliance term follows the force
    ASSERT_EQ(theRegistry.SetForceResolution(0), 0u);
    EXPECT_FLOAT_EQ(Convert(20037, 36757).force, 152.0f);
}

TEST_F(ConversionTest, UnderLoadTheDeflectionIsMeasuredFromTheFirstFrame) {
    StoreAll();
    tarePending = TRUE;
    ConvertedReadings r = Convert(20037, 36750, 0xF830, TRUE);
    EXPECT_FALSE(tarePending);
    EXPECT_EQ(r.deflection, 0.0f);
    EXPECT_NEAR(values.tare, 0.152962479, 1e-12);
    // 1000 counts further and 1000 counts more force: the change less the
    // machine's give under the extra force.
    r = Convert(21037, 37750, 0xF830, TRUE);
    EXPECT_FLOAT_EQ(r.deflection, 0.15296f);
    EXPECT_FLOAT_EQ(r.force, 302.0f);
    // Out of the test the tare is gone: the absolute position again.
    r = Convert(21037, 37750, 0xF830, FALSE);
    EXPECT_FLOAT_EQ(r.deflection, 0.30592f);
    EXPECT_EQ(values.tare, 0.0);
}

TEST_F(ConversionTest, ATareAskedOutsideATestIsDropped) {
    StoreAll();
    tarePending = TRUE;
    EXPECT_FLOAT_EQ(Convert(20037, 36750, 0xF830, FALSE).deflection, 0.15296f);
    EXPECT_FALSE(tarePending);
    EXPECT_EQ(values.tare, 0.0);
}

}  // namespace
