// The force and compliance calibration with scripted readings.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "calibration/CalibrationForceWizard.h"
#include "calibration/tests/support/WizardTestSupport.h"
#include "framework/core/Strings.h"
#include "platform/Paths.h"
#include "settings/CQXRegistry.h"

namespace caltest {
namespace {

struct Pair {
    WORD force;
    WORD deflection;
};
constexpr Pair kLoads[4] = {{36000, 19000}, {42500, 19045}, {48990, 19090}, {55500, 19135}};

bool WithinOneUlp(double value, double expected) {
    return value >= std::nextafter(expected, -INFINITY) && value <= std::nextafter(expected, INFINITY);
}

class ForceWizardTest : public WizardTest {
protected:
    void SetUp() override {
        WizardTest::SetUp();
        wizard.SetListener({}, [&](int r) { ended.push_back(r); });
    }
    // Start to the "remove all mass" prompt with the four loads.
    void ToLastPrompt(const Pair (&loads)[4]) {
        wizard.Start(9);
        Raw(wizard, 35000, 19100);
        ASSERT_EQ(wizard.Step(), 1);
        for (int i = 0; i < 4; ++i) wizard.Next();  // 1 -> 5
        for (int k = 0; k < 4; ++k) {
            ASSERT_EQ(wizard.Step(), 5 + 2 * k);
            Raw(wizard, loads[k].force, loads[k].deflection);
            ASSERT_EQ(wizard.Step(), 6 + 2 * k);
            if (k < 3) wizard.Next();
        }
        ASSERT_EQ(wizard.Step(), 12);
    }
    ForceCalibration wizard{instrument};
    std::vector<int> ended;
};

TEST_F(ForceWizardTest, FourLoadsGiveTheForceConstantAndComplianceAndSaveThemWithTheDate) {
    ASSERT_EQ(theRegistry.SetDeflectionConstant(1.5e-4), 0u);
    ToLastPrompt(kLoads);
    wizard.Next();
    ASSERT_EQ(wizard.Step(), ForceCalibration::kResultStep);
    EXPECT_TRUE(WithinOneUlp(wizard.ForceConstant(), 0.15087177652370107)) << wizard.ForceConstant();
    EXPECT_TRUE(WithinOneUlp(wizard.Compliance(), 6.8830844376010143e-6)) << wizard.Compliance();
    EXPECT_EQ(wizard.View().prompt,
              "\r\nForce calibration constants are : \r\n\r\n\tForce :\t\t0.15087178 mN/bit\r\n"
              "\tCompliance :\t6.88308444 µm/N\r\n");
    EXPECT_EQ(wizard.View().nextCaption, "&OK");
    EXPECT_FALSE(wizard.View().backEnabled);

    // Nothing is written before OK.
    double d = 0;
    EXPECT_NE(theRegistry.GetForceConstant(d), 0u);
    const Time64 before = WizardClockNow();
    wizard.Next();
    const Time64 after = WizardClockNow();
    EXPECT_EQ(ended, std::vector<int>{IDOK});
    ASSERT_EQ(theRegistry.GetForceConstant(d), 0u);
    EXPECT_EQ(d, wizard.ForceConstant());
    ASSERT_EQ(theRegistry.GetDeflectionCompliance(d), 0u);
    EXPECT_EQ(d, wizard.Compliance());
    Time64 t = 0;
    ASSERT_EQ(theRegistry.GetLastCalibration(t), 0u);
    EXPECT_GE(t, before);
    EXPECT_LE(t, after);
    EXPECT_GE(instrument.removals, 1);
}

TEST_F(ForceWizardTest, BackFromAPromptAfterAReadingTakesThatReadingAgain) {
    ASSERT_EQ(theRegistry.SetDeflectionConstant(1.5e-4), 0u);
    wizard.Start(9);
    Raw(wizard, 35000, 19100);
    for (int i = 0; i < 4; ++i) wizard.Next();
    Raw(wizard, 1, 1);  // a first reading that will be taken again
    ASSERT_EQ(wizard.Step(), 6);
    wizard.Back();
    EXPECT_EQ(wizard.Step(), 4);
    wizard.Next();
    Raw(wizard, kLoads[0].force, kLoads[0].deflection);
    EXPECT_EQ(wizard.RawForce(0), kLoads[0].force);
    EXPECT_EQ(wizard.RawDeflection(0), kLoads[0].deflection);
}

// A stored constant that cannot be right counts as missing.
TEST_F(ForceWizardTest, NoUsableDeflectionConstantEndsAtTheFirstReadingWith431) {
    const double bad[] = {0.0, -1.5e-4, std::numeric_limits<double>::quiet_NaN(),
                          std::numeric_limits<double>::infinity()};
    for (int i = -1; i < 4; ++i) {
        if (i >= 0) {
            ASSERT_EQ(theRegistry.SetDeflectionConstant(bad[i]), 0u);
        }
        ForceCalibration w(instrument);
        std::vector<int> result;
        w.SetListener({}, [&](int r) { result.push_back(r); });
        w.Start(9);
        ExpectBox(fw::LoadString(431));
        Raw(w, 35000, 19100);
        EXPECT_EQ(result, std::vector<int>{IDCANCEL}) << i;
        EXPECT_EQ(boxes.Boxes().back().type, MB_OK | MB_SETFOREGROUND);
    }
    double d = 0;
    EXPECT_NE(theRegistry.GetForceConstant(d), 0u);
    EXPECT_NE(theRegistry.GetDeflectionCompliance(d), 0u);
}

struct BadLoads {
    const char* what;
    Pair loads[4];
};

TEST_F(ForceWizardTest, ReadingsThatGiveNoUsableConstantShowTheErrorStepAndSaveNothing) {
    const BadLoads cases[] = {
        {"equal force", {{36000, 19000}, {36000, 19045}, {48990, 19090}, {55500, 19135}}},
        {"falling force", {{42500, 19000}, {36000, 19045}, {48990, 19090}, {55500, 19135}}},
        {"falling deflection", {{36000, 19135}, {42500, 19090}, {48990, 19045}, {55500, 19000}}},
        {"no deflection", {{36000, 19000}, {42500, 19000}, {48990, 19000}, {55500, 19000}}},
    };
    ASSERT_EQ(theRegistry.SetDeflectionConstant(1.5e-4), 0u);
    for (const BadLoads& c : cases) {
        ForceCalibration w(instrument);
        w.Start(9);
        Raw(w, 35000, 19100);
        for (int i = 0; i < 4; ++i) w.Next();
        for (int k = 0; k < 4; ++k) {
            Raw(w, c.loads[k].force, c.loads[k].deflection);
            if (k < 3) w.Next();
        }
        ASSERT_EQ(w.Step(), 12) << c.what;
        w.Next();
        EXPECT_EQ(w.Step(), ForceCalibration::kErrorStep) << c.what;
        EXPECT_EQ(w.View().prompt, "\r\n" + fw::LoadString(ForceCalibration::kIdsReadingsUnusable));
        w.Back();  // Ignore cannot save either: back to the readings
        EXPECT_EQ(w.Step(), 2) << c.what;
        EXPECT_FALSE(w.Ended());
    }
    double d = 0;
    EXPECT_NE(theRegistry.GetForceConstant(d), 0u);
}

TEST_F(ForceWizardTest, AFailedWriteLeavesEveryEarlierValueAsItWas) {
    ASSERT_EQ(theRegistry.SetDeflectionConstant(1.5e-4), 0u);
    ASSERT_EQ(theRegistry.SetForceConstant(0.2), 0u);
    ASSERT_EQ(theRegistry.SetDeflectionCompliance(7e-6), 0u);
    ASSERT_EQ(theRegistry.SetLastCalibration(1000), 0u);
    ToLastPrompt(kLoads);
    wizard.Next();
    platform::SetWriteFailureHook([](const std::string&) { return ENOSPC; });
    ExpectBox(fw::LoadString(407));
    wizard.Next();
    platform::SetWriteFailureHook({});
    EXPECT_EQ(ended, std::vector<int>{IDCANCEL});
    double d = 0;
    ASSERT_EQ(theRegistry.GetForceConstant(d), 0u);
    EXPECT_EQ(d, 0.2);
    ASSERT_EQ(theRegistry.GetDeflectionCompliance(d), 0u);
    EXPECT_EQ(d, 7e-6);
    Time64 t = 0;
    ASSERT_EQ(theRegistry.GetLastCalibration(t), 0u);
    EXPECT_EQ(t, 1000);
}

TEST_F(ForceWizardTest, CancelAtTheResultWritesNothing) {
    ASSERT_EQ(theRegistry.SetDeflectionConstant(1.5e-4), 0u);
    ToLastPrompt(kLoads);
    wizard.Next();
    wizard.Cancel();
    EXPECT_EQ(ended, std::vector<int>{IDCANCEL});
    double d = 0;
    EXPECT_NE(theRegistry.GetForceConstant(d), 0u);
    Time64 t = 0;
    EXPECT_NE(theRegistry.GetLastCalibration(t), 0u);
}

}  // namespace
}  // namespace caltest
