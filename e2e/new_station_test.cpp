// A new station from nothing: an empty configuration folder, an instrument
// with firmware 2.000 (no temperature probe). The start-up's check sends the
// operator to Instrument Setup, who fills the sheet once as the bench says,
// then runs the deflection calibration it advises; the next start asks for
// nothing.
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QTimer>
#include <filesystem>

#include "app/CQXRYXMainFrame.h"
#include "e2e/support/SheetScript.h"
#include "e2e/support/Station.h"
#include "e2e/support/WizardOperator.h"
#include "framework/core/Strings.h"
#include "framework/ui/FileDialogs.h"
#include "platform/Numbers.h"
#include "platform/Paths.h"
#include "settings/CQXRegistry.h"
#include "setup/CSetupSheet.h"
#include "simulator/Model.h"

namespace e2e {
namespace {

using S = setup::SetupSheetModel;

class NewStationTest : public StationTest {
protected:
    void SetUp() override {
        StationTest::SetUp();
        // A configuration folder of this case's own, empty, with only the
        // instrument's port alias in it (made once the instrument runs).
        dir = platform::JoinPath(ConfigDir(), "new-station");
        std::filesystem::remove_all(dir);
        ASSERT_EQ(platform::EnsureDirectory(platform::JoinPath(dir, "ports")), 0u);
        data = platform::JoinPath(dir, "data");
        ASSERT_EQ(platform::EnsureDirectory(data), 0u);
        setenv("RYX_CONFIG_DIR", dir.c_str(), 1);
    }
    void TearDown() override {
        StationTest::TearDown();
        setenv("RYX_CONFIG_DIR", ConfigDir().c_str(), 1);
        std::filesystem::remove_all(dir);
    }
    void LinkPort() {
        const std::string link = platform::JoinPath(dir, "ports/com1");
        unlink(link.c_str());
        ASSERT_EQ(symlink(tap->DevicePath().c_str(), link.c_str()), 0);
    }
    QLineEdit* Edit(setup::CSetupSheet& sheet, int tab, int id) {
        return qobject_cast<QLineEdit*>(sheet.Page(tab)->GetDlgItem(id));
    }
    void Type(setup::CSetupSheet& sheet, int tab, int id, const char* format, double value) {
        Edit(sheet, tab, id)->setText(QString::fromStdString(platform::FormatUser(format, value)));
    }
    void Shot(setup::CSetupSheet& sheet, int tab, const std::string& name) {
        sheet.SetActivePage(tab);
        QApplication::processEvents();
        QDir().mkpath(RYX_E2E_ARTEFACTS);
        EXPECT_TRUE(
            sheet.grab().toImage().save(QString(RYX_E2E_ARTEFACTS) + "/" + QString::fromStdString(name)));
    }

    std::string dir, data;
};

TEST_F(NewStationTest, IsSetUpOnceAndTheNextStartAsksForNothing) {
    StartInstrument("2.000");
    LinkPort();
    fw::ScriptedFileDialogs folders;
    folders.Answer({data});
    fw::ServiceScope<fw::FileDialogService> folderScope(folders);
    const ryxsim::Calibration cal = sim->GetCalibration();

    std::vector<int> forward;
    bool closed = false;
    bool probeAsked = false;
    SheetScript script([&](setup::CSetupSheet& sheet) {
        // What the operator knows: the bath wanted, the gage block's and the
        // steel beams' certificates. The instrument has no probe.
        Edit(sheet, S::kTabBath, setup::CPageFiveModel::kTemperature)->setText("-12");
        Type(sheet, S::kTabGageBlock, setup::CPageTwoModel::kTop, "%.3f", cal.gage.top);
        Type(sheet, S::kTabGageBlock, setup::CPageTwoModel::kRed, "%.3f", cal.gage.red);
        Type(sheet, S::kTabGageBlock, setup::CPageTwoModel::kWhite, "%.3f", cal.gage.white);
        Type(sheet, S::kTabGageBlock, setup::CPageTwoModel::kBlue, "%.3f", cal.gage.blue);
        Type(sheet, S::kTabBeam, setup::CPageEightModel::kThinThickness, "%.2f",
             ryxsim::kThinSteelBeam.thickness);
        Type(sheet, S::kTabBeam, setup::CPageEightModel::kThinWidth, "%.2f", ryxsim::kThinSteelBeam.width);
        Type(sheet, S::kTabBeam, setup::CPageEightModel::kThickThickness, "%.2f",
             ryxsim::kThickSteelBeam.thickness);
        // OK after OK, each page brought forward looked at.
        for (int i = 0; i < 12 && sheet.isVisible(); ++i) {
            sheet.accept();
            if (!sheet.isVisible()) break;
            const int tab = sheet.GetActiveIndex();
            forward.push_back(tab);
            if (tab == S::kTabConfidence) {
                // The OK that brought this page forward opened the line; the
                // operator reads the message while the instrument answers.
                EXPECT_TRUE(Until([] { return App().m_beam.GetFirmwareVersion() == "2.000"; }));
            } else if (tab == S::kTabEquipment) {
                setup::CSetupPage* page = sheet.Page(tab);
                probeAsked = !page->GetDlgItem(setup::CPageOneModel::kA0)->isHidden() ||
                             !page->GetDlgItem(setup::CPageOneModel::kSerialNumber)->isHidden();
                Edit(sheet, tab, setup::CPageOneModel::kApparatusId)->setText("RYX-NEW-1");
                Shot(sheet, tab, "new-station-equipment.png");
            } else if (tab == S::kTabArchive) {
                dynamic_cast<setup::CPageSeven*>(sheet.Page(tab))->OnBrowse();
            } else if (tab == S::kTabAdvanced) {
                Shot(sheet, S::kTabGageBlock, "new-station-gage-block.png");
                sheet.SetActivePage(tab);
            }
        }
        closed = !sheet.isVisible();
        if (!closed) sheet.reject();
    });

    // The first start: every line, and Instrument Setup from the loop.
    ASSERT_TRUE(StartStation());
    ASSERT_EQ(boxes.Count(), 1u);
    const std::string every = fw::LoadString(575) + fw::LoadString(577) + fw::LoadString(570) +
                              fw::LoadString(571) + fw::LoadString(572) + fw::LoadString(573) +
                              fw::LoadString(576) + fw::LoadString(574);
    EXPECT_EQ(boxes.Texts()[0], every);
    ASSERT_TRUE(Until([&] { return closed; }));
    EXPECT_EQ(script.Shown(), 1);
    EXPECT_FALSE(probeAsked);
    EXPECT_EQ(forward, (std::vector<int>{S::kTabGageBlock, S::kTabPort, S::kTabConfidence, S::kTabGraphs,
                                         S::kTabEquipment, S::kTabArchive, S::kTabBeam, S::kTabAdvanced}));
    // 258 seven times and 259 once (the apparatus ID); then the advice: no
    // temperature calibration for this bath, and no calibration at all.
    ASSERT_EQ(boxes.Count(), 10u);
    EXPECT_EQ(boxes.Texts()[5], fw::LoadString(259));
    EXPECT_EQ(boxes.Texts()[9], fw::LoadString(433));

    // The operator follows the advice: Calibrate > Deflection, at the bench.
    {
        WizardOperator op(*sim, App().m_beam);
        op.FollowPrompts();
        Command(ID_CALIBRATE_DEFLECTION);
        EXPECT_TRUE(op.Problems().empty()) << op.Problems()[0];
        EXPECT_EQ(op.Dialogs(), (std::vector<unsigned>{131, 133, 132}));
    }
    EXPECT_EQ(boxes.Count(), 10u) << boxes.Texts().back();

    // What stands for the probe that is not there.
    std::string s;
    ASSERT_EQ(theRegistry.GetEquipmentThermistor(s), 0u);
    EXPECT_EQ(s, "1111");
    double a = 0;
    ASSERT_EQ(theRegistry.GetTemperatureA1(a), 0u);
    EXPECT_EQ(a, 1.0);

    // The next start: the window closed, the station ended, the start-up's
    // check on what is stored asks for nothing.
    App().m_pMainFrame->close();
    App().ExitInstance();
    started = false;
    boxes.Clear();
    App().CheckSetup();
    EXPECT_EQ(boxes.Count(), 0u) << boxes.Texts()[0];
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    EXPECT_EQ(std::string(cwd), data);
}

// The operator looks at every page first, types the Apparatus ID and presses
// OK once. That OK opens the line; the Equipment page is judged once the
// instrument has told its firmware, so it asks for no probe and the sheet
// closes at this one OK.
TEST_F(NewStationTest, OneOkAfterVisitingEveryPageClosesTheSheet) {
    StartInstrument("2.000");
    LinkPort();
    fw::ScriptedFileDialogs folders;
    folders.Answer({data});
    fw::ServiceScope<fw::FileDialogService> folderScope(folders);

    bool closed = false;
    bool probeShownAtOk = false;
    std::string versionAtOk;
    size_t boxesBeforeOk = 0;
    SheetScript script([&](setup::CSetupSheet& sheet) {
        for (int tab = 0; tab < S::kPages; ++tab) {
            sheet.SetActivePage(tab);
            if (tab == S::kTabArchive) dynamic_cast<setup::CPageSeven*>(sheet.Page(tab))->OnBrowse();
        }
        sheet.SetActivePage(S::kTabEquipment);
        Edit(sheet, S::kTabEquipment, setup::CPageOneModel::kApparatusId)->setText("RYX-NEW-2");
        // Nothing has opened the line yet: the probe's fields are there.
        probeShownAtOk = !sheet.Page(S::kTabEquipment)->GetDlgItem(setup::CPageOneModel::kA0)->isHidden();
        versionAtOk = App().m_beam.GetFirmwareVersion();
        Shot(sheet, S::kTabEquipment, "new-station-before-first-ok.png");
        boxesBeforeOk = boxes.Count();
        sheet.accept();
        closed = !sheet.isVisible();
        // The sheet as its one OK judged it.
        QDir().mkpath(RYX_E2E_ARTEFACTS);
        EXPECT_TRUE(sheet.grab().toImage().save(QString(RYX_E2E_ARTEFACTS) + "/new-station-first-ok.png"));
        if (!closed) sheet.reject();
    });

    ASSERT_TRUE(StartStation());
    ASSERT_EQ(boxes.Count(), 1u);
    ASSERT_TRUE(Until([&] { return script.Shown() == 1 && !QApplication::activeModalWidget(); }));
    EXPECT_TRUE(probeShownAtOk);
    EXPECT_EQ(versionAtOk, "?");
    EXPECT_TRUE(closed);
    // After the OK only the Setup's own advice (no temperature calibration
    // for this bath): no 259, no 258.
    ASSERT_EQ(boxes.Count(), boxesBeforeOk + 1) << boxes.Texts()[boxesBeforeOk];
    EXPECT_EQ(boxes.Texts().back(), fw::LoadString(433));
    EXPECT_EQ(App().m_beam.GetFirmwareVersion(), "2.000");

    std::string s;
    ASSERT_EQ(theRegistry.GetEquipmentRYX(s), 0u);
    EXPECT_EQ(s, "RYX-NEW-2");
    ASSERT_EQ(theRegistry.GetEquipmentThermistor(s), 0u);
    EXPECT_EQ(s, "1111");
    double a = 0;
    for (auto get :
         {&CQXRegistry::GetTemperatureA0, &CQXRegistry::GetTemperatureA1, &CQXRegistry::GetTemperatureA3}) {
        ASSERT_EQ((theRegistry.*get)(a), 0u);
        EXPECT_EQ(a, 1.0);
    }
    ASSERT_EQ(theRegistry.GetPort(s), 0u);
    EXPECT_EQ(s, "COM1");
    EXPECT_EQ(App().m_beam.GetStatus(), 0u);
}

}  // namespace
}  // namespace e2e
