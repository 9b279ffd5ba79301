// The four wizards' dialogs: their resources, and a screenshot of a step of
// each kept with the test artefacts.
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QPushButton>

#include "calibration/CCheckWiz.h"
#include "calibration/CDatumWiz.h"
#include "calibration/CalibrationDeflectionWizard.h"
#include "calibration/CalibrationForceWizard.h"
#include "calibration/tests/support/WizardTestSupport.h"
#include "framework/core/Strings.h"
#include "settings/CQXRegistry.h"

namespace caltest {
namespace {

struct Resource {
    UINT dialog;
    const char* caption;
    int prompt;
    const char* cancel;
};

template <class Wizard>
void ExpectResource(const Resource& r) {
    CQXBendingBeam beam;  // never opened
    Wizard wizard(beam);
    EXPECT_EQ(wizard.DialogId(), r.dialog);
    EXPECT_EQ(wizard.windowTitle().toStdString(), r.caption);
    EXPECT_NE(wizard.GetDlgItem(r.prompt), nullptr) << r.prompt;
    EXPECT_EQ(wizard.GetDlgItem(IDC_WIZARD_NEXT), wizard.NextButton());
    EXPECT_EQ(wizard.GetDlgItem(IDC_WIZARD_BACK), wizard.BackButton());
    EXPECT_EQ(wizard.CancelButton()->text().toStdString(), r.cancel);
}

TEST(WizardResources, DialogIdsCaptionsAndControlsAsTheResourcesGiveThem) {
    ExpectResource<CalibrationForceWizard>({133, "Force and Compliance Calibration ", 1002, "&Cancel"});
    ExpectResource<CalibrationDeflectionWizard>({131, "Deflection Calibration ", 1002, "&Cancel"});
    ExpectResource<CCheckWiz>({132, "Confidence Test ", 1020, "Cancel"});
    ExpectResource<CDatumWiz>({153, "Steel Beam Datum Calibration", 1037, "Cancel"});
}

// A wizard's engine behind the same dialog, driven by scripted readings.
class ScreensTest : public WizardTest {
protected:
    void Save(WizardDialog& dialog, const std::string& name) {
        dialog.show();
        App().processEvents();
        QDir().mkpath(RYX_CAL_ARTEFACTS);
        const QImage shot = dialog.grab().toImage();
        ASSERT_FALSE(shot.isNull());
        EXPECT_TRUE(shot.save(QString(RYX_CAL_ARTEFACTS) + "/" + QString::fromStdString(name) + ".png"));
    }
    // The confidence test through both loads on the thin beam (200 GPa with
    // the default dimensions) to its result.
    void ConfidenceLoads(ConfidenceTest& logic) {
        Reading(logic, 0.0f, 0.0f);
        logic.Next();
        logic.Next();
        Reading(logic, 980.7f, 0.120f);
        logic.Next();
        Reading(logic, 3922.7f, 0.310f);
        logic.Next();
    }
};

TEST_F(ScreensTest, ForceWizardResultStep) {
    ASSERT_EQ(theRegistry.SetDeflectionConstant(1.5e-4), 0u);
    ForceCalibration logic(instrument);
    WizardDialog dialog(logic, 133, "Force and Compliance Calibration ", 1002);
    dialog.OnInitDialog();
    Raw(logic, 35000, 19100);
    for (int i = 0; i < 4; ++i) logic.Next();
    const WORD loads[4][2] = {{36000, 19000}, {42500, 19045}, {48990, 19090}, {55500, 19135}};
    for (int k = 0; k < 4; ++k) {
        Raw(logic, loads[k][0], loads[k][1]);
        logic.Next();
    }
    ASSERT_EQ(logic.Step(), ForceCalibration::kResultStep);
    EXPECT_EQ(dialog.NextButton()->text().toStdString(), "&OK");
    Save(dialog, "force-wizard-result");
}

TEST_F(ScreensTest, DeflectionWizardPromptStep) {
    for (auto [set, v] : {std::pair{&CQXRegistry::SetGageBlockTop, 16.0},
                          {&CQXRegistry::SetGageBlockRed, 15.0},
                          {&CQXRegistry::SetGageBlockWhite, 13.0},
                          {&CQXRegistry::SetGageBlockBlue, 10.0}})
        ASSERT_EQ((theRegistry.*set)(v), 0u);
    DeflectionCalibration logic(instrument);
    WizardDialog dialog(logic, 131, "Deflection Calibration ", 1002);
    dialog.OnInitDialog();
    Raw(logic, 35800, 19000);
    logic.Next();
    ASSERT_EQ(logic.Step(), 2);
    Save(dialog, "deflection-wizard-top");
}

TEST_F(ScreensTest, ConfidenceTestFailedResult) {
    ASSERT_EQ(theRegistry.SetConfidenceTestMin(2.05), 0u);
    ConfidenceTest logic(instrument);
    WizardDialog dialog(logic, 132, "Confidence Test ", 1020);
    dialog.CancelButton()->setText("Cancel");
    dialog.OnInitDialog();
    ConfidenceLoads(logic);
    ASSERT_EQ(logic.Step(), ConfidenceTest::kResultStep);
    Save(dialog, "confidence-test-failed");
}

// A width that is no number and a stored thickness of 1.2 mm: the width's
// default with the stored thickness, 185 GPa.
TEST_F(ScreensTest, ConfidenceTestWithTheStoredThicknessAndTheDefaultWidth) {
    ASSERT_EQ(theRegistry.SetBeamDimensionsThinWidth(0), 0u);
    ASSERT_EQ(theRegistry.SetBeamDimensionsThinThickness(1.2), 0u);
    ConfidenceTest logic(instrument);
    WizardDialog dialog(logic, 132, "Confidence Test ", 1020);
    dialog.CancelButton()->setText("Cancel");
    dialog.OnInitDialog();
    ExpectBox(fw::LoadString(ConfidenceTest::kIdsThinBeamInvalid));
    ConfidenceLoads(logic);
    ASSERT_EQ(logic.Step(), ConfidenceTest::kResultStep);
    EXPECT_NE(dialog.PromptText().find("Stiffness :\t185 GPa"), std::string::npos) << dialog.PromptText();
    Save(dialog, "confidence-test-stored-thickness");
}

TEST_F(ScreensTest, DatumWizardErrorStep) {
    DatumCalibration logic(instrument);
    WizardDialog dialog(logic, 153, "Steel Beam Datum Calibration", 1037);
    dialog.CancelButton()->setText("Cancel");
    dialog.OnInitDialog();
    Reading(logic, 0.0f, 0.0f);
    logic.Next();
    Reading(logic, 120.0f, 0.5f);
    ASSERT_EQ(logic.Step(), DatumCalibration::kErrorStep);
    EXPECT_EQ(dialog.NextButton()->text().toStdString(), "&Retry");
    EXPECT_EQ(dialog.BackButton()->text().toStdString(), "&Ignore");
    Save(dialog, "datum-wizard-retry");
}

}  // namespace
}  // namespace caltest
