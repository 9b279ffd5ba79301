// The confidence test with scripted readings.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>

#include "calibration/CCheckWiz.h"
#include "calibration/tests/support/WizardTestSupport.h"
#include "framework/core/Strings.h"
#include "platform/Paths.h"
#include "settings/CQXRegistry.h"

namespace caltest {
namespace {

class ConfidenceTestTest : public WizardTest {
protected:
    void SetUp() override {
        WizardTest::SetUp();
        wizard.SetListener({}, [&](int r) { ended.push_back(r); });
    }
    // Through both loads to the "remove" prompt.
    void Load(ConfidenceTest& w, float f1, float d1, float f2, float d2) {
        w.Start(3);
        Reading(w, 0.0f, 0.0f);
        ASSERT_EQ(w.Step(), 1);
        w.Next();
        w.Next();
        Reading(w, f1, d1);
        ASSERT_EQ(w.Step(), 4);
        w.Next();
        Reading(w, f2, d2);
        ASSERT_EQ(w.Step(), 6);
    }
    ConfidenceTest wizard{instrument};
    std::vector<int> ended;
};

const char* const kPassed200 =
    "\r\nThe Confidence Test passed.\n\tStiffness :\t200 GPa\n\tMinimum :\t183 GPa\n\tMaximum :\t223 GPa";

TEST_F(ConfidenceTestTest, TwoLoadsOnTheThinBeamGive200GPaPassedAndSaveResultAndDate) {
    Load(wizard, 980.7f, 0.120f, 3922.7f, 0.310f);
    wizard.Next();
    ASSERT_EQ(wizard.Step(), ConfidenceTest::kResultStep);
    EXPECT_NEAR(wizard.Modulus() / 1e9, 199.59, 0.005);
    EXPECT_EQ(wizard.StiffnessGPa(), 200.0);
    EXPECT_TRUE(wizard.Passed());
    EXPECT_EQ(wizard.View().prompt, kPassed200);
    EXPECT_EQ(wizard.View().nextCaption, "&OK");
    double d = 0;
    EXPECT_NE(theRegistry.GetConfidenceTestResult(d), 0u);
    wizard.Next();
    EXPECT_EQ(ended, std::vector<int>{IDOK});
    ASSERT_EQ(theRegistry.GetConfidenceTestResult(d), 0u);
    EXPECT_EQ(d, 2.0);
    Time64 t = 0;
    EXPECT_EQ(theRegistry.GetConfidenceTestLast(t), 0u);
}

struct LimitCase {
    const char* what;
    double min, max;
    bool passed;
    const char* minText;
    const char* maxText;
};

TEST_F(ConfidenceTestTest, TheLimitsInEitherOrderBothEndsIncludedAndAFailedTestIsStillSaved) {
    const LimitCase cases[] = {
        {"exchanged", 2.23, 1.83, true, "183", "223"},
        {"equal to the lower limit", 2.00, 2.23, true, "200", "223"},
        {"equal to the upper limit", 1.83, 1.996, true, "183", "200"},
        {"below", 2.01, 2.23, false, "201", "223"},
        {"above", 1.83, 1.99, false, "183", "199"},
    };
    for (const LimitCase& c : cases) {
        ASSERT_EQ(theRegistry.SetConfidenceTestMin(c.min), 0u);
        ASSERT_EQ(theRegistry.SetConfidenceTestMax(c.max), 0u);
        ASSERT_EQ(theRegistry.SetConfidenceTestResult(9.0), 0u);
        ConfidenceTest w(instrument);
        std::vector<int> result;
        w.SetListener({}, [&](int r) { result.push_back(r); });
        Load(w, 980.7f, 0.120f, 3922.7f, 0.310f);
        w.Next();
        EXPECT_EQ(w.Passed(), c.passed) << c.what;
        const std::string head =
            c.passed ? "\r\nThe Confidence Test passed." : "\r\nThe Confidence Test failed.";
        EXPECT_EQ(w.View().prompt.substr(0, head.size()), head) << c.what;
        EXPECT_NE(w.View().prompt.find(std::string("Minimum :\t") + c.minText + " GPa\n\tMaximum :\t" +
                                       c.maxText + " GPa"),
                  std::string::npos)
            << w.View().prompt;
        w.Next();
        EXPECT_EQ(result, std::vector<int>{IDOK});
        double d = 0;
        ASSERT_EQ(theRegistry.GetConfidenceTestResult(d), 0u);
        EXPECT_EQ(d, 2.0) << c.what;
    }
}

struct DimensionCase {
    double width;  // as stored
    double thickness;
    double usedWidth;  // what the modulus is computed with
    double usedThickness;
    const char* stiffness;  // the result's line
    bool passed;
};

// An entry that is not a finite positive number is said, and its default
// stands in as for a missing one; the other value, when sound, is used as
// stored (with a thickness of 1.2 mm the steel comes out at 185 GPa, not at
// the 200 GPa of the default 1.17 mm).
TEST_F(ConfidenceTestTest, AThinBeamDimensionThatIsNoNumberGivesAMessageAndItsOwnDefault) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const DimensionCase cases[] = {
        {0, 1.17, 12.7, 1.17, "200", true},      {12.7, -1.2, 12.7, 1.17, "200", true},
        {12.7, nan, 12.7, 1.17, "200", true},    {nan, 1.2, 12.7, 1.2, "185", true},
        {INFINITY, 1.2, 12.7, 1.2, "185", true}, {-12.7, 1.2, 12.7, 1.2, "185", true},
        {10.0, 0, 10.0, 1.17, "253", false},     {10.0, -INFINITY, 10.0, 1.17, "253", false},
        {0, 0, 12.7, 1.17, "200", true},
    };
    for (const DimensionCase& c : cases) {
        ASSERT_EQ(theRegistry.SetBeamDimensionsThinWidth(c.width), 0u);
        ASSERT_EQ(theRegistry.SetBeamDimensionsThinThickness(c.thickness), 0u);
        ConfidenceTest w(instrument);
        Load(w, 980.7f, 0.120f, 3922.7f, 0.310f);
        ExpectBox(fw::LoadString(ConfidenceTest::kIdsThinBeamInvalid));
        w.Next();
        const std::string what = std::to_string(c.width) + " x " + std::to_string(c.thickness);
        ASSERT_EQ(w.Step(), ConfidenceTest::kResultStep) << what;
        EXPECT_EQ(w.Modulus(), ConfidenceTest::ComputeModulus(980.7f, 3922.7f, 0.120f, 0.310f, c.usedWidth,
                                                              c.usedThickness))
            << what;
        EXPECT_EQ(w.Passed(), c.passed) << what;
        EXPECT_NE(
            w.View().prompt.find(std::string("Stiffness :\t") + c.stiffness + " GPa\n\tMinimum :\t183 GPa"),
            std::string::npos)
            << what;
        EXPECT_EQ(w.View().prompt, "\r\n" + FormatPrompt(fw::LoadString(c.passed ? 372 : 374),
                                                         std::atof(c.stiffness), 183.0, 223.0))
            << what;
        w.Cancel();
    }
}

// A value never entered takes its default without a word; the other, as stored.
TEST_F(ConfidenceTestTest, AMissingThinBeamWidthTakesItsDefaultAndKeepsTheStoredThickness) {
    ASSERT_EQ(theRegistry.SetBeamDimensionsThinThickness(1.2), 0u);
    Load(wizard, 980.7f, 0.120f, 3922.7f, 0.310f);
    wizard.Next();
    ASSERT_EQ(wizard.Step(), ConfidenceTest::kResultStep);
    EXPECT_EQ(wizard.Modulus(), ConfidenceTest::ComputeModulus(980.7f, 3922.7f, 0.120f, 0.310f, 12.7, 1.2));
    EXPECT_NE(wizard.View().prompt.find("Stiffness :\t185 GPa"), std::string::npos) << wizard.View().prompt;
}

TEST_F(ConfidenceTestTest, StoredThinBeamDimensionsAreUsed) {
    ASSERT_EQ(theRegistry.SetBeamDimensionsThinWidth(12.7), 0u);
    ASSERT_EQ(theRegistry.SetBeamDimensionsThinThickness(1.2), 0u);
    Load(wizard, 980.7f, 0.120f, 3922.7f, 0.310f);
    wizard.Next();
    const double expected = ConfidenceTest::ComputeModulus(980.7f, 3922.7f, 0.120f, 0.310f, 12.7, 1.2);
    EXPECT_EQ(wizard.Modulus(), expected);
    EXPECT_NEAR(expected / 1e9, 199.59 * std::pow(1.17 / 1.2, 3), 0.01);
}

TEST_F(ConfidenceTestTest, ReadingsThatDoNotRiseShowTheErrorStepAndSaveNothing) {
    const float cases[][4] = {{980.7f, 0.120f, 3922.7f, 0.120f},
                              {980.7f, 0.310f, 3922.7f, 0.120f},
                              {3922.7f, 0.120f, 980.7f, 0.310f}};
    for (const auto& c : cases) {
        ConfidenceTest w(instrument);
        Load(w, c[0], c[1], c[2], c[3]);
        w.Next();
        ASSERT_EQ(w.Step(), ConfidenceTest::kErrorStep);
        EXPECT_EQ(w.View().prompt, "\r\n" + fw::LoadString(ConfidenceTest::kIdsReadingsUnusable));
        w.Next();
        EXPECT_EQ(w.Step(), 1);
        w.Cancel();
    }
    double d = 0;
    EXPECT_NE(theRegistry.GetConfidenceTestResult(d), 0u);
}

TEST_F(ConfidenceTestTest, AFailedWriteKeepsThePreviousResultAndDate) {
    ASSERT_EQ(theRegistry.SetConfidenceTestResult(1.9), 0u);
    ASSERT_EQ(theRegistry.SetConfidenceTestLast(5000), 0u);
    Load(wizard, 980.7f, 0.120f, 3922.7f, 0.310f);
    wizard.Next();
    platform::SetWriteFailureHook([](const std::string&) { return ENOSPC; });
    ExpectBox(fw::LoadString(407));
    wizard.Next();
    platform::SetWriteFailureHook({});
    EXPECT_EQ(ended, std::vector<int>{IDCANCEL});
    double d = 0;
    ASSERT_EQ(theRegistry.GetConfidenceTestResult(d), 0u);
    EXPECT_EQ(d, 1.9);
    Time64 t = 0;
    ASSERT_EQ(theRegistry.GetConfidenceTestLast(t), 0u);
    EXPECT_EQ(t, 5000);
}

}  // namespace
}  // namespace caltest
