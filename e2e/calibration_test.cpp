// The Calibrate menu against the simulated instrument: an operator at the
// bench (WizardOperator) follows each wizard's prompts with the simulator's
// gage block, masses and steel beams while the station runs it modally.
#include <QAction>
#include <QApplication>
#include <QTimer>
#include <cfloat>
#include <cmath>

#include "app/CQXRYXMainFrame.h"
#include "e2e/support/Station.h"
#include "e2e/support/WizardOperator.h"
#include "framework/core/Strings.h"
#include "platform/Hive.h"
#include "platform/Paths.h"
#include "settings/CQXRegistry.h"
#include "simulator/SettingsWriter.h"

namespace e2e {
namespace {

class CalibrationTest : public StationTest {
protected:
    // The station's converted readings once two frames after now have come.
    BeamReadings Fresh() {
        BeamState s;
        App().m_beam.GetState(s);
        const int from = s.count;
        EXPECT_TRUE(Until([&] {
            App().m_beam.GetState(s);
            return s.count >= from + 2;
        }));
        BeamReadings r;
        EXPECT_TRUE(App().m_beam.GetReadings(r));
        return r;
    }
};

// Every calibration setting 10% off (the zeros a few hundred counts off):
// after the deflection chain the station reads what the bench holds.
TEST_F(CalibrationTest, DeflectionChainFromConstantsTenPercentOffMakesTheReadingsRight) {
    StartInstrument();
    WriteSettings();
    theRegistry.SetProgramKey(ProgramKey());
    const ryxsim::Calibration cal = sim->GetCalibration();
    ASSERT_EQ(theRegistry.SetForceConstant(cal.forceConstant * 1.1), 0u);
    ASSERT_EQ(theRegistry.SetForceZero(static_cast<WORD>(cal.forceZero + 300)), 0u);
    ASSERT_EQ(theRegistry.SetDeflectionZero(static_cast<WORD>(cal.deflectionZero - 200)), 0u);
    ASSERT_EQ(theRegistry.SetDeflectionTopConstant(cal.topSlope * 1.1), 0u);
    ASSERT_EQ(theRegistry.SetDeflectionWhtConstant(cal.whiteSlope * 0.9), 0u);
    ASSERT_EQ(theRegistry.SetDeflectionBluConstant(cal.blueSlope * 1.1), 0u);
    ASSERT_EQ(theRegistry.SetDeflectionConstant(cal.whiteSlope * 1.1), 0u);
    ASSERT_EQ(theRegistry.SetDeflectionCompliance(cal.compliance * 1.1), 0u);
    ASSERT_EQ(theRegistry.SetConfidenceTestResult(1.5), 0u);
    ASSERT_TRUE(StartStation());
    ASSERT_EQ(boxes.Count(), 0u) << boxes.Texts()[0];

    WizardOperator op(*sim, App().m_beam);
    op.FollowPrompts();
    Command(ID_CALIBRATE_DEFLECTION);
    EXPECT_TRUE(op.Problems().empty()) << op.Problems()[0];
    EXPECT_EQ(op.Dialogs(), (std::vector<unsigned>{131, 133, 132}));
    ASSERT_EQ(op.Results().size(), 3u);
    EXPECT_EQ(op.Results()[2].rfind("\nThe Confidence Test passed.", 0), 0u) << op.Results()[2];
    EXPECT_EQ(boxes.Count(), 0u);

    // What the two calibrations stored, against the simulator's own.
    double d = 0;
    ASSERT_EQ(theRegistry.GetForceConstant(d), 0u);
    EXPECT_NEAR(d / cal.forceConstant, 1.0, 0.002);
    ASSERT_EQ(theRegistry.GetDeflectionTopConstant(d), 0u);
    EXPECT_NEAR(d / cal.topSlope, 1.0, 0.002);
    ASSERT_EQ(theRegistry.GetDeflectionWhtConstant(d), 0u);
    EXPECT_NEAR(d / cal.whiteSlope, 1.0, 0.002);
    ASSERT_EQ(theRegistry.GetDeflectionBluConstant(d), 0u);
    EXPECT_NEAR(d / cal.blueSlope, 1.0, 0.002);
    WORD w = 0;
    ASSERT_EQ(theRegistry.GetDeflectionZero(w), 0u);
    EXPECT_NEAR(w, cal.deflectionZero, 2);
    ASSERT_EQ(theRegistry.GetDeflectionWhite(w), 0u);
    EXPECT_NEAR(w, cal.DeflectionWhiteCount(), 2);
    ASSERT_EQ(theRegistry.GetForceZero(w), 0u);
    EXPECT_NEAR(w, cal.forceZero, 3);
    // The frame's give and the thick beam's own bending under the load.
    const double thick = 101.6 * 101.6 * 101.6 / (4.0 * 200000.0 * 12.7 * std::pow(6.35, 3)) / 1000.0;
    ASSERT_EQ(theRegistry.GetDeflectionCompliance(d), 0u);
    EXPECT_NEAR(d / (cal.compliance + thick), 1.0, 0.06);
    // The datum waits for a new measurement; the confidence test stored its result.
    double datum = 0;
    EXPECT_EQ(theRegistry.GetAutoThicknessDatum(datum), platform::kErrorInvalidData);
    EXPECT_EQ(datum, static_cast<double>(FLT_MAX));
    ASSERT_EQ(theRegistry.GetConfidenceTestResult(d), 0u);
    EXPECT_NEAR(d, 2.0, 0.05);

    // The station's readings now agree with the bench within its noise.
    sim->InsertBeam(ryxsim::BeamKind::kThickSteel);
    sim->AddMass(200);
    BeamReadings r = Fresh();
    EXPECT_NEAR(r.force.m_data, sim->State().force, 1.5);
    for (auto level : {ryxsim::GageLevel::kTop, ryxsim::GageLevel::kWhite, ryxsim::GageLevel::kBlue}) {
        sim->PlaceGageBlock(level);
        r = Fresh();
        EXPECT_NEAR(r.deflection.m_data, sim->State().position, 0.002) << ryxsim::GageName(level);
        EXPECT_NEAR(r.force.m_data, 0.0, 1.0);
    }
}

TEST_F(CalibrationTest, DatumWizardMeasuresTheThickBeamOnBothFaces) {
    StartInstrument();
    WriteSettings();
    theRegistry.SetProgramKey(ProgramKey());
    ASSERT_EQ(theRegistry.SetAutoThicknessDatum(static_cast<double>(FLT_MAX)), 0u);
    ASSERT_TRUE(StartStation());
    WizardOperator op(*sim, App().m_beam);
    op.FollowPrompts();
    Command(ID_CALIBRATE_DATUM);
    EXPECT_TRUE(op.Problems().empty()) << op.Problems()[0];
    EXPECT_EQ(op.Dialogs(), std::vector<unsigned>{153});
    double datum = 0;
    ASSERT_EQ(theRegistry.GetAutoThicknessDatum(datum), 0u);
    EXPECT_NEAR(datum, ryxsim::SimulatedDatum(sim->GetCalibration()), 0.002);
    ASSERT_EQ(op.Results().size(), 1u);
    EXPECT_NE(op.Results()[0].find("at a thickness of 6.350 mm."), std::string::npos);
}

// The force chain runs the confidence test after it and leaves the datum.
TEST_F(CalibrationTest, ForceChainEndsWithTheConfidenceTestAndLeavesTheDatum) {
    StartInstrument();
    WriteSettings();
    theRegistry.SetProgramKey(ProgramKey());
    ASSERT_EQ(theRegistry.SetAutoThicknessDatum(0.25), 0u);
    ASSERT_TRUE(StartStation());
    WizardOperator op(*sim, App().m_beam);
    op.FollowPrompts();
    op.At(133, 1, [](ryxsim::Simulator& s) { s.InsertBeam(ryxsim::BeamKind::kNone); });
    op.CancelAt(132, 2);
    Command(ID_CALIBRATE_FORCE);
    EXPECT_TRUE(op.Problems().empty()) << op.Problems()[0];
    EXPECT_EQ(op.Dialogs(), (std::vector<unsigned>{133, 132}));
    double d = 0;
    ASSERT_EQ(theRegistry.GetAutoThicknessDatum(d), 0u);
    EXPECT_EQ(d, 0.25);
    ASSERT_EQ(theRegistry.GetForceConstant(d), 0u);
    EXPECT_NEAR(d / sim->GetCalibration().forceConstant, 1.0, 0.002);
}

// Cancel in the deflection wizard: no force wizard, datum and constants kept.
TEST_F(CalibrationTest, CancellingTheDeflectionWizardEndsTheChain) {
    StartInstrument();
    WriteSettings();
    theRegistry.SetProgramKey(ProgramKey());
    ASSERT_EQ(theRegistry.SetAutoThicknessDatum(0.25), 0u);
    double before = 0;
    ASSERT_EQ(theRegistry.GetDeflectionConstant(before), 0u);
    ASSERT_TRUE(StartStation());
    WizardOperator op(*sim, App().m_beam);
    op.FollowPrompts();
    op.CancelAt(131, 4);
    Command(ID_CALIBRATE_DEFLECTION);
    EXPECT_EQ(op.Dialogs(), std::vector<unsigned>{131});
    double d = 0;
    ASSERT_EQ(theRegistry.GetAutoThicknessDatum(d), 0u);
    EXPECT_EQ(d, 0.25);
    ASSERT_EQ(theRegistry.GetDeflectionConstant(d), 0u);
    EXPECT_EQ(d, before);
}

// Without a complete calibration the datum command asks first: No opens
// nothing, Yes the deflection chain.
TEST_F(CalibrationTest, DatumWithoutCalibrationAsks728) {
    StartInstrument();
    WriteSettings();
    theRegistry.SetProgramKey(ProgramKey());
    auto hive = platform::Hive::ForPath(platform::JoinPath(ConfigDir(), "registry.reg"));
    ASSERT_EQ(hive->SetValue(theRegistry.KeyPath("Force"), "Constant",
                             platform::RegValue{platform::kRegDword, std::string(4, '\0')}),
              0u);
    boxes.Answer({IDOK, IDNO, IDYES});
    ASSERT_TRUE(StartStation());
    WizardOperator op(*sim, App().m_beam);
    op.CancelEverything();
    // The deflection wizard that start-up posted runs first and is cancelled.
    Command(ID_CALIBRATE_DATUM);
    ASSERT_EQ(boxes.Count(), 2u);
    EXPECT_EQ(boxes.Texts()[0], fw::LoadString(431));
    EXPECT_EQ(boxes.Texts()[1], fw::LoadString(728));
    EXPECT_EQ(boxes.Boxes()[1].type, MB_YESNO);
    EXPECT_EQ(op.Dialogs(), std::vector<unsigned>{131});
    Command(ID_CALIBRATE_DATUM);
    ASSERT_EQ(boxes.Count(), 3u);
    EXPECT_EQ(boxes.Texts()[2], fw::LoadString(728));
    EXPECT_EQ(op.Dialogs(), (std::vector<unsigned>{131, 131}));
}

TEST_F(CalibrationTest, TheCalibrateCommandsAreOffWhileATestRuns) {
    StartInstrument();
    WriteSettings();
    ASSERT_TRUE(StartStation());
    CQXRYXMainFrame* frame = App().m_pMainFrame;
    for (BOOL running : {FALSE, TRUE, FALSE}) {
        App().m_bTestRunning = running;
        frame->UpdateCommandUI();
        for (UINT id : {ID_CALIBRATE_DEFLECTION, ID_CALIBRATE_FORCE, ID_CONFIDENCE_TEST, ID_CALIBRATE_DATUM}) {
            QAction* a = frame->FindAction(id);
            ASSERT_NE(a, nullptr) << id;
            EXPECT_EQ(a->isEnabled(), !running) << id;
        }
    }
}

}  // namespace
}  // namespace e2e
