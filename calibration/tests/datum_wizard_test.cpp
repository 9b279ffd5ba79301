// The datum wizard with scripted readings: its working reading check.
#include <gtest/gtest.h>

#include <cfloat>

#include "calibration/CDatumWiz.h"
#include "calibration/tests/support/WizardTestSupport.h"
#include "framework/core/Strings.h"
#include "platform/Paths.h"
#include "settings/CQXRegistry.h"

namespace caltest {
namespace {

class DatumWizardTest : public WizardTest {
protected:
    void SetUp() override {
        WizardTest::SetUp();
        wizard.SetListener({}, [&](int r) { ended.push_back(r); });
        wizard.Start(4);
        Reading(wizard, 0.0f, 0.0f);
        wizard.Next();
    }
    DatumCalibration wizard{instrument};
    std::vector<int> ended;
};

TEST_F(DatumWizardTest, BothFacesGiveTheDatumWhichIsSavedAtOk) {
    ASSERT_EQ(theRegistry.SetAutoThicknessDatum(FLT_MAX), 0u);
    ASSERT_EQ(wizard.Step(), 2);
    Reading(wizard, 35.0f, 0.512f);
    ASSERT_EQ(wizard.Step(), 3);
    wizard.Next();
    Reading(wizard, 30.0f, 0.488f);
    ASSERT_EQ(wizard.Step(), 5);
    wizard.Next();
    ASSERT_EQ(wizard.Step(), DatumCalibration::kResultStep);
    EXPECT_NEAR(wizard.Datum(), 0.500, 1e-7);
    EXPECT_EQ(wizard.View().prompt, "\r\nThe datum = 0.500 mm at a thickness of 6.350 mm.");
    wizard.Next();
    EXPECT_EQ(ended, std::vector<int>{IDOK});
    double d = 0;
    ASSERT_EQ(theRegistry.GetAutoThicknessDatum(d), 0u);
    EXPECT_EQ(d, wizard.Datum());
}

TEST_F(DatumWizardTest, TheResultShowsTheStoredThickBeamThickness) {
    ASSERT_EQ(theRegistry.SetAutoThicknessThickThickness(6.4), 0u);
    Reading(wizard, 35.0f, 0.5f);
    wizard.Next();
    Reading(wizard, 35.0f, 0.5f);
    wizard.Next();
    EXPECT_EQ(wizard.View().prompt, "\r\nThe datum = 0.500 mm at a thickness of 6.400 mm.");
}

TEST_F(DatumWizardTest, BackAtTheFlipOrRemovePromptReadsBothFacesAgain) {
    Reading(wizard, 35.0f, 0.9f);
    wizard.Back();
    EXPECT_EQ(wizard.Step(), 1);
    wizard.Next();
    Reading(wizard, 35.0f, 0.512f);
    wizard.Next();
    Reading(wizard, 35.0f, 0.9f);
    ASSERT_EQ(wizard.Step(), 5);
    wizard.Back();
    EXPECT_EQ(wizard.Step(), 1);
    wizard.Next();
    Reading(wizard, 35.0f, 0.512f);
    wizard.Next();
    Reading(wizard, 35.0f, 0.488f);
    wizard.Next();
    EXPECT_NEAR(wizard.Datum(), 0.5, 1e-7);
}

// A reading outside the window shows the error step; after two of them in
// a row, each answered with Retry, the third reading is taken whatever it
// is. A taken reading starts the count again.
TEST_F(DatumWizardTest, AfterTwoRetriesTheThirdReadingIsTakenWhateverItIs) {
    for (int i = 0; i < 2; ++i) {
        Reading(wizard, 100.0f, 0.5f);
        ASSERT_EQ(wizard.Step(), DatumCalibration::kErrorStep) << i;
        EXPECT_EQ(wizard.View().prompt, "\r\n" + fw::LoadString(720));
        wizard.Next();  // Retry
        ASSERT_EQ(wizard.Step(), 2);
    }
    Reading(wizard, 100.0f, 2.7f);
    ASSERT_EQ(wizard.Step(), 3);
    EXPECT_FLOAT_EQ(static_cast<float>(wizard.First()), 2.7f);
    EXPECT_EQ(wizard.Attempts(), 0);
    // The second face is checked afresh: one rejection, Retry, and a good
    // reading is what is taken.
    wizard.Next();
    Reading(wizard, 1.0f, 0.5f);
    ASSERT_EQ(wizard.Step(), DatumCalibration::kErrorStep);
    wizard.Next();
    Reading(wizard, 35.0f, 0.488f);
    ASSERT_EQ(wizard.Step(), 5);
    wizard.Next();
    EXPECT_NEAR(wizard.Datum(), (2.7f + 0.488f) * 0.5, 1e-6);
}

// Ignore after one rejection: the next reading is taken whatever it is.
TEST_F(DatumWizardTest, IgnoreTakesTheNextReading) {
    Reading(wizard, 100.0f, 0.5f);
    ASSERT_EQ(wizard.Step(), DatumCalibration::kErrorStep);
    wizard.Back();  // Ignore
    ASSERT_EQ(wizard.Step(), 2);
    Reading(wizard, 100.0f, 0.7f);
    EXPECT_EQ(wizard.Step(), 3);
    EXPECT_FLOAT_EQ(static_cast<float>(wizard.First()), 0.7f);
    // The next face is checked again.
    wizard.Next();
    Reading(wizard, 100.0f, 0.7f);
    EXPECT_EQ(wizard.Step(), DatumCalibration::kErrorStep);
}

TEST_F(DatumWizardTest, CancelLeavesTheStoredDatum) {
    ASSERT_EQ(theRegistry.SetAutoThicknessDatum(0.6), 0u);
    Reading(wizard, 35.0f, 0.5f);
    wizard.Next();
    Reading(wizard, 35.0f, 0.5f);
    wizard.Next();
    wizard.Cancel();
    EXPECT_EQ(ended, std::vector<int>{IDCANCEL});
    double d = 0;
    ASSERT_EQ(theRegistry.GetAutoThicknessDatum(d), 0u);
    EXPECT_EQ(d, 0.6);
}

TEST_F(DatumWizardTest, AFailedWriteKeepsTheStoredDatum) {
    ASSERT_EQ(theRegistry.SetAutoThicknessDatum(0.6), 0u);
    Reading(wizard, 35.0f, 0.5f);
    wizard.Next();
    Reading(wizard, 35.0f, 0.5f);
    wizard.Next();
    platform::SetWriteFailureHook([](const std::string&) { return EIO; });
    ExpectBox(fw::LoadString(407));
    wizard.Next();
    platform::SetWriteFailureHook({});
    EXPECT_EQ(ended, std::vector<int>{IDCANCEL});
    double d = 0;
    ASSERT_EQ(theRegistry.GetAutoThicknessDatum(d), 0u);
    EXPECT_EQ(d, 0.6);
}

}  // namespace
}  // namespace caltest
