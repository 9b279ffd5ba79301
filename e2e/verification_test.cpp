// The verification wizard and the temperature calibration against the
// simulated instrument: an operator at the bench follows the verification's
// prompts with the simulator's gage block, masses, steel beams, switches
// and bath while the station runs it modally from the Calibrate menu.
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <cmath>
#include <sstream>

#include "app/CQXRYXMainFrame.h"
#include "calibration/CTempOffset.h"
#include "calibration/VerificationWizard.h"
#include "e2e/support/Station.h"
#include "e2e/support/WizardOperator.h"
#include "framework/core/Strings.h"
#include "platform/CodePage.h"
#include "platform/Numbers.h"
#include "platform/Paths.h"
#include "settings/CQXRegistry.h"
#include "setup/CNumEdit.h"

namespace e2e {
namespace {

using ryxsim::BeamKind;
using ryxsim::GageLevel;
using ryxsim::Simulator;

constexpr unsigned kVerification = 1540;

class VerificationE2E : public StationTest {
protected:
    // The station under its own key, and the default key's data directory
    // (where the log goes) elsewhere.
    void Prepare() {
        StartInstrument();
        WriteSettings();
        theRegistry.SetProgramKey(ProgramKey());
        defaultDir = platform::JoinPath(ConfigDir(), "default-key-data");
        ASSERT_EQ(platform::EnsureDirectory(defaultDir), 0u);
        CQXRegistry defaults;
        ASSERT_EQ(defaults.SetTestDirectory(defaultDir), 0u);
    }
    static VerificationWizard* Wizard() {
        return qobject_cast<VerificationWizard*>(QApplication::activeModalWidget());
    }
    // The verification's prompts as an operator at the bench follows them;
    // the texts of the result steps are kept.
    void Follow(WizardOperator& op) {
        auto keep = [this](Simulator&) {
            if (VerificationWizard* w = Wizard()) shown[w->Logic().Step()] = w->PromptText();
        };
        op.At(kVerification, 1, [](Simulator& s) {
            s.RemoveAllMasses();
            s.PlaceGageBlock(GageLevel::kNone);
            s.InsertBeam(BeamKind::kNone);
            s.SetRemote(false);
            s.SetLoadSwitch(false);
        });
        op.At(kVerification, 2, [](Simulator& s) {
            s.PlaceGageBlock(GageLevel::kTop);
            s.AddMass(100);
        });
        op.At(kVerification, 4, [](Simulator& s) { s.PlaceGageBlock(GageLevel::kRed); });
        op.At(kVerification, 6, [](Simulator& s) { s.PlaceGageBlock(GageLevel::kWhite); });
        op.At(kVerification, 8, [](Simulator& s) { s.PlaceGageBlock(GageLevel::kBlue); });
        // The air bearing: the thin beam at 35 mN, lifted and let fall.
        op.At(kVerification, 11, [](Simulator& s) {
            s.RemoveAllMasses();
            s.PlaceGageBlock(GageLevel::kNone);
            s.InsertBeam(BeamKind::kThinSteel);
            s.SetContactLoad(35.0);
        });
        op.ReadsAtNext(kVerification, 11);
        op.OnShow(kVerification, 12, [](Simulator& s) { s.SetLifted(true); });
        op.OnShow(kVerification, 13, [](Simulator& s) { s.SetLifted(false); });
        // Free float: the shaft against its upper stop, then balanced, then 2 g.
        op.At(kVerification, 15, [](Simulator& s) {
            s.InsertBeam(BeamKind::kNone);
            s.SetContactLoad(-10.0);
        });
        op.ReadsAtNext(kVerification, 15);
        op.At(kVerification, 16, [](Simulator& s) { s.SetContactLoad(0.0); });
        op.ReadsAtNext(kVerification, 16);
        op.OnShow(kVerification, 17, [](Simulator& s) { s.AddMass(2); });
        // The load cell on the thick beam at 20 mN: 2 g, 4 g; 100 g.
        op.At(kVerification, 20, [](Simulator& s) {
            s.RemoveAllMasses();
            s.InsertBeam(BeamKind::kThickSteel);
            s.SetContactLoad(20.0);
        });
        op.ReadsAtNext(kVerification, 20);
        op.At(kVerification, 21, [](Simulator& s) { s.AddMass(2); });
        op.At(kVerification, 23, [](Simulator& s) { s.AddMass(2); });
        op.At(kVerification, 25, [](Simulator& s) { s.RemoveAllMasses(); });
        op.ReadsAtNext(kVerification, 25);
        op.At(kVerification, 26, [](Simulator& s) { s.AddMass(100); });
        op.At(kVerification, 28, [](Simulator& s) {
            s.RemoveAllMasses();
            s.InsertBeam(BeamKind::kNone);
            s.PlaceGageBlock(GageLevel::kRed);
            s.AddMass(100);
        });
        // The reference thermometer reads the bath.
        op.At(kVerification, 31, [this](Simulator& s) {
            reference = s.State().bath + referenceError;
            if (VerificationWizard* w = Wizard())
                w->ReferenceEdit()->setText(QString::fromStdString(platform::FormatUser("%.2f", reference)));
        });
        for (int step : {Verification::kGageResultStep, Verification::kAirBearingResultStep,
                         Verification::kLoadCellResultStep, Verification::kOverviewStep})
            op.OnShow(kVerification, step, keep);
    }
    std::string Log(const std::string& dir) {
        std::string s;
        return platform::ReadWholeFile(platform::JoinPath(dir, "verificationFile.csv"), s) == 0 ? s
                                                                                                : "missing";
    }
    static std::vector<std::string> Fields(const std::string& line) {
        std::vector<std::string> out;
        std::stringstream in(line);
        std::string f;
        while (std::getline(in, f, ',')) out.push_back(f);
        return out;
    }
    static double Number(const std::string& field) { return platform::AtofC(field); }

    std::string defaultDir;
    std::map<int, std::string> shown;
    double reference = 0;
    double referenceError = 0.03;
};

TEST_F(VerificationE2E, AVerificationAtTheBenchPassesAndAppendsOneRowToTheDefaultKeysLog) {
    Prepare();
    ASSERT_TRUE(StartStation());
    ASSERT_EQ(boxes.Count(), 0u) << boxes.Texts()[0];
    const ryxsim::Calibration cal = sim->GetCalibration();
    WizardOperator op(*sim, App().m_beam);
    Follow(op);
    Command(ID_VERIFICATION);
    EXPECT_TRUE(op.Problems().empty()) << op.Problems()[0];
    EXPECT_EQ(op.Dialogs(), std::vector<unsigned>{kVerification});
    EXPECT_EQ(boxes.Count(), 0u);
    ASSERT_EQ(op.Results().size(), 1u);
    EXPECT_EQ(op.Results()[0], "Saved results in \n" + defaultDir + "/verificationFile.csv");

    // Every part passed.
    for (int step : {Verification::kGageResultStep, Verification::kAirBearingResultStep,
                     Verification::kLoadCellResultStep})
        EXPECT_EQ(shown[step].find("Fail"), std::string::npos) << shown[step];
    EXPECT_EQ(shown[Verification::kOverviewStep],
              "Overview :\n\nDisplacement Transducer Verification : Pass\nAir Bearing Verification : Pass\n"
              "Load Cell Verfication : Pass\nTemperature Verification : Pass");

    // The log of the default key, not of the station's own data directory.
    EXPECT_EQ(Log(DataDir()), "missing");
    const std::string log = Log(defaultDir);
    const size_t headerEnd = log.find("\r\n");
    ASSERT_NE(headerEnd, std::string::npos);
    EXPECT_EQ(platform::Cp1252ToUtf8(log.substr(0, headerEnd)), VerificationLogHeader());
    const std::string row = log.substr(headerEnd + 2);
    ASSERT_EQ(row.size() >= 2 ? row.substr(row.size() - 2) : "", "\r\n");
    EXPECT_EQ(row.find("\r\n"), row.size() - 2) << "one row";
    const auto f = Fields(row.substr(0, row.size() - 2));
    ASSERT_EQ(f.size(), 16u) << row;
    EXPECT_EQ(f[1], " -12.0");
    EXPECT_NEAR(Number(f[2]), -12.0, 0.051);
    EXPECT_NEAR(Number(f[3]), reference, 0.051);
    EXPECT_NEAR(Number(f[4]), 0.0, 1.0);  // pre-tare: the gage block takes the load
    EXPECT_EQ(f[5], "Pass");
    EXPECT_EQ(f[6], "Pass");
    const ryxsim::GageBlock& g = cal.gage;
    EXPECT_NEAR(Number(f[7]), g.red - g.top, 0.003);
    EXPECT_NEAR(Number(f[8]), 0.0, 0.003);
    EXPECT_NEAR(Number(f[9]), g.red - g.white, 0.003);
    EXPECT_NEAR(Number(f[10]), g.red - g.blue, 0.003);
    EXPECT_NEAR(Number(f[11]), 20.0 + 2 * 9.80665, 1.0);
    EXPECT_NEAR(Number(f[12]), 20.0 + 4 * 9.80665, 1.0);
    EXPECT_NEAR(Number(f[13]), 20.0 + 100 * 9.80665, 1.5);
    EXPECT_NEAR(Number(f[14]), 0.0, 1.0);
    EXPECT_EQ(f[15], "Pass");

    // Force\Zero was taken at the Red level with the gage block carrying 100 g.
    WORD zero = 0;
    ASSERT_EQ(theRegistry.GetForceZero(zero), 0u);
    EXPECT_NEAR(zero, cal.forceZero, 3);
}

// A gage height in the settings that is not the block's: the displacement
// transducer fails, and so the row's overall; a reference thermometer
// 0.3 degC off fails the temperature, which the overall leaves out.
TEST_F(VerificationE2E, AWrongGageHeightFailsTheDisplacementAndTheOverall) {
    Prepare();
    ASSERT_EQ(theRegistry.SetGageBlockTop(sim->GetCalibration().gage.top + 0.05), 0u);
    referenceError = 0.3;
    ASSERT_TRUE(StartStation());
    WizardOperator op(*sim, App().m_beam);
    Follow(op);
    Command(ID_VERIFICATION);
    EXPECT_TRUE(op.Problems().empty()) << op.Problems()[0];
    EXPECT_EQ(boxes.Count(), 0u);
    EXPECT_NE(shown[Verification::kGageResultStep].find(
                  "Top :\tTarget=" + platform::FormatC("%.3f", sim->GetCalibration().gage.red -
                                                                   sim->GetCalibration().gage.top - 0.05)),
              std::string::npos)
        << shown[Verification::kGageResultStep];
    EXPECT_NE(shown[Verification::kGageResultStep].find("Fail"), std::string::npos);
    EXPECT_EQ(shown[Verification::kOverviewStep],
              "Overview :\n\nDisplacement Transducer Verification : Fail\nAir Bearing Verification : Pass\n"
              "Load Cell Verfication : Pass\nTemperature Verification : Fail");
    const std::string log = Log(defaultDir);
    ASSERT_GT(log.size(), 7u);
    EXPECT_EQ(log.substr(log.size() - 7), ",Fail\r\n");
}

// The temperature calibration from the menu with the frame as parent: the
// reference 0.12 degC above the bath reading is stored for the set-point's
// degree, and the station's readings take it up.
TEST_F(VerificationE2E, TheTemperatureCalibrationStoresTheOffsetAndTheReadingsFollow) {
    Prepare();
    ASSERT_TRUE(StartStation());
    // A bath reading has come.
    ASSERT_TRUE(Until([&] {
        BeamState s;
        return App().m_beam.GetState(s) && s.count >= 2 && App().m_beam.GetFirmwareVersion() != "?";
    }));
    const double bath = sim->State().bath;
    const std::string text = platform::FormatUser("%.2f", bath + 0.12);
    boxes.Answer(IDYES);  // "Is ... the correct thermometer reading?"
    bool typed = false;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        auto* d = qobject_cast<CTempOffset*>(QApplication::activeModalWidget());
        if (!d || typed) return;
        typed = true;
        EXPECT_EQ(d->parentWidget(), App().m_pMainFrame);
        d->Reading()->setText(QString::fromStdString(text));
        d->Reading()->setModified(true);
        d->OnOK();
    });
    timer.start(20);
    Command(ID_CALIBRATE_TEMPERATURE);
    ASSERT_TRUE(typed);
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Texts()[0], fw::FormatString1(264, text));
    unsigned char b[CQXRegistry::kOffsetsSize];
    ASSERT_EQ(theRegistry.GetTemperatureOffsets(b, sizeof b), 0u);
    const int16_t stored = static_cast<int16_t>(b[(-12 + 40) * 2] | (b[(-12 + 40) * 2 + 1] << 8));
    EXPECT_NEAR(stored, 12, 6);  // the bath reading's noise
    // The readings now carry the offset.
    BeamState s;
    App().m_beam.GetState(s);
    const int from = s.count;
    ASSERT_TRUE(Until([&] {
        App().m_beam.GetState(s);
        return s.count >= from + 2;
    }));
    BeamReadings r;
    ASSERT_TRUE(App().m_beam.GetReadings(r));
    EXPECT_NEAR(r.temperature.m_data, sim->State().bath + stored / 100.0, 0.06);
}

// An instrument that has sent no frame gives no bath reading to take an
// offset from: 257, nothing stored.
TEST_F(VerificationE2E, TheTemperatureCalibrationWithoutABathReadingStoresNothing) {
    Prepare();
    sim->SetSilent(true);
    ASSERT_TRUE(StartStation());
    boxes.Clear();
    boxes.Answer(IDYES);
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        auto* d = qobject_cast<CTempOffset*>(QApplication::activeModalWidget());
        if (!d) return;
        d->Reading()->setText("-11.9");
        d->Reading()->setModified(true);
        d->OnOK();
    });
    timer.start(20);
    Command(ID_CALIBRATE_TEMPERATURE);
    const auto texts = boxes.Texts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[1], fw::LoadString(257));
    unsigned char b[CQXRegistry::kOffsetsSize];
    ASSERT_EQ(theRegistry.GetTemperatureOffsets(b, sizeof b), 0u);
    EXPECT_EQ(b[(-12 + 40) * 2], 0);  // the simulator's settings: every degree 0
    EXPECT_EQ(b[(-12 + 40) * 2 + 1], 0);
}

TEST_F(VerificationE2E, TemperatureAndVerificationAreOffWhileATestRuns) {
    StartInstrument();
    WriteSettings();
    ASSERT_TRUE(StartStation());
    CQXRYXMainFrame* frame = App().m_pMainFrame;
    for (BOOL running : {FALSE, TRUE, FALSE}) {
        App().m_bTestRunning = running;
        frame->UpdateCommandUI();
        for (UINT id : {ID_CALIBRATE_TEMPERATURE, ID_VERIFICATION}) {
            QAction* a = frame->FindAction(id);
            ASSERT_NE(a, nullptr) << id;
            EXPECT_EQ(a->isEnabled(), !running) << id;
        }
    }
}

}  // namespace
}  // namespace e2e
