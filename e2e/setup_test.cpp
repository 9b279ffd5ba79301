// The first start of a station with nothing set up: message 575, the
// Instrument Setup sheet from the posted command, the pages filled, and after
// OK the line opens on the chosen port and the live readings come, without a
// restart.
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QTimer>
#include <functional>

#include "app/CQXRYXMainFrame.h"
#include "app/CStatus.h"
#include "e2e/support/SheetScript.h"
#include "e2e/support/Station.h"
#include "framework/core/Strings.h"
#include "framework/ui/Dialogs.h"
#include "framework/ui/FileDialogs.h"
#include "platform/Hive.h"
#include "platform/Numbers.h"
#include "platform/Paths.h"
#include "settings/CQXRegistry.h"
#include "setup/CSetupSheet.h"
#include "simulator/SettingsWriter.h"

namespace e2e {
namespace {

using S = setup::SetupSheetModel;

class SetupE2ETest : public StationTest {
protected:
    // The calibration of the simulated instrument alone (what the
    // calibration wizards would have stored), none of the settings that the
    // start-up's check asks for.
    void StoreCalibrationOnly() {
        const std::string full = platform::JoinPath(ConfigDir(), "full.reg");
        ryxsim::SettingsPlan plan;
        plan.calibration = sim->GetCalibration();
        plan.dataDir = DataDir();
        plan.programKey = ProgramKey();
        std::string error;
        ASSERT_EQ(ryxsim::WriteSettings(full, plan, &error), 0u) << error;
        auto from = platform::Hive::ForPath(full);
        auto to = platform::Hive::ForPath(platform::JoinPath(ConfigDir(), "registry.reg"));
        theRegistry.SetProgramKey(ProgramKey());
        const std::pair<const char*, const char*> values[] = {
            {"Deflection", "White"},       {"Deflection", "Zero"},
            {"Deflection", "Compliance"},  {"Deflection", "Constant"},
            {"Deflection", "BluConstant"}, {"Deflection", "TopConstant"},
            {"Deflection", "WhtConstant"}, {"Force", "Zero"},
            {"Force", "Constant"},         {"", "Last Calibration"}};
        for (const auto& [section, name] : values) {
            platform::RegValue v;
            const std::string key = theRegistry.KeyPath(section);
            ASSERT_EQ(from->QueryValue(key, name, v), 0u) << section << name;
            ASSERT_EQ(to->SetValue(key, name, v), 0u);
        }
    }
    QLineEdit* Edit(setup::CSetupSheet& sheet, int tab, int id) {
        return qobject_cast<QLineEdit*>(sheet.Page(tab)->GetDlgItem(id));
    }
};

TEST_F(SetupE2ETest, NothingStoredOpensTheSheetAndAfterOkTheLineOpensAndReadingsCome) {
    StartInstrument("2.000");
    StoreCalibrationOnly();
    ASSERT_EQ(platform::EnsureDirectory(DataDir()), 0u);
    fw::ScriptedFileDialogs folders;
    folders.Answer({DataDir()});
    fw::ServiceScope<fw::FileDialogService> folderScope(folders);
    const ryxsim::Calibration cal = sim->GetCalibration();

    std::vector<int> forward;
    bool closed = false;
    SheetScript script([&](setup::CSetupSheet& sheet) {
        // The start-up had no port to open; the version is not known yet,
        // so the probe's fields are asked for.
        EXPECT_EQ(sheet.GetActiveIndex(), S::kTabBath);
        EXPECT_FALSE(sheet.Page(S::kTabEquipment)->GetDlgItem(setup::CPageOneModel::kA0)->isHidden());
        Edit(sheet, S::kTabBath, setup::CPageFiveModel::kTemperature)->setText("-12");
        for (int i = 0; i < 12 && sheet.isVisible(); ++i) {
            sheet.accept();
            if (!sheet.isVisible()) break;
            const int tab = sheet.GetActiveIndex();
            forward.push_back(tab);
            if (tab == S::kTabEquipment) {
                Edit(sheet, tab, setup::CPageOneModel::kApparatusId)->setText("SIM-RYX");
                Edit(sheet, tab, setup::CPageOneModel::kSerialNumber)->setText("SIM-T");
                Edit(sheet, tab, setup::CPageOneModel::kA0)
                    ->setText(QString::fromStdString(platform::FormatUser("%.10g", cal.a0)));
                Edit(sheet, tab, setup::CPageOneModel::kA1)
                    ->setText(QString::fromStdString(platform::FormatUser("%.10g", cal.a1)));
                Edit(sheet, tab, setup::CPageOneModel::kA2)
                    ->setText(QString::fromStdString(platform::FormatUser("%.10g", cal.a3)));
            } else if (tab == S::kTabArchive) {
                sheet.Page(tab)->GetDlgItem(setup::CPageSevenModel::kBrowse)->setFocus();
                dynamic_cast<setup::CPageSeven*>(sheet.Page(tab))->OnBrowse();
            }
        }
        closed = !sheet.isVisible();
        if (!closed) sheet.reject();
    });

    ASSERT_TRUE(StartStation());
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Texts()[0].rfind(fw::LoadString(575), 0), 0u);
    EXPECT_NE(App().m_beam.GetStatus(), 0u);  // no port yet

    // The posted command opens the sheet from the loop.
    ASSERT_TRUE(Until([&] { return closed; }));
    EXPECT_EQ(script.Shown(), 1);
    EXPECT_EQ(forward, (std::vector<int>{S::kTabGageBlock, S::kTabPort, S::kTabConfidence, S::kTabGraphs,
                                         S::kTabEquipment, S::kTabArchive, S::kTabBeam, S::kTabAdvanced}));
    // 258 seven times, 259 once, then the follow-up: the bath's set-point is
    // new and has no temperature calibration (433); no wizard starts for it.
    ASSERT_EQ(boxes.Count(), 10u);
    EXPECT_EQ(boxes.Texts()[5], fw::LoadString(259));
    EXPECT_EQ(boxes.Texts()[9], fw::LoadString(433));

    // The line is open on COM1 and the live readings come, without a restart.
    EXPECT_EQ(App().m_beam.GetStatus(), 0u);
    CStatus& bar = *App().m_pMainFrame->InstrumentBar();
    ASSERT_TRUE(Until([&] {
        const std::string t = bar.Text(CStatus::kTemperature);
        return t != " " && t != "   ?" && !t.empty() && bar.Text(CStatus::kForce) != "   ?";
    }));
    ASSERT_TRUE(Until([] { return App().m_beam.GetFirmwareVersion() == "2.000"; }));

    std::string s;
    ASSERT_EQ(theRegistry.GetPort(s), 0u);
    EXPECT_EQ(s, "COM1");
    ASSERT_EQ(theRegistry.GetTestDirectory(s), 0u);
    EXPECT_EQ(s, DataDir() + "/");
    double bath = 0;
    ASSERT_EQ(theRegistry.GetTestBath(bath), 0u);
    EXPECT_EQ(bath, -12);
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    EXPECT_EQ(std::string(cwd), DataDir());
}

TEST_F(SetupE2ETest, InstrumentSetupIsInTheMenuAndDisabledWhileATestRuns) {
    ASSERT_NO_FATAL_FAILURE(StartReadyStation());
    CQXRYXMainFrame* frame = App().m_pMainFrame;
    frame->UpdateCommandUI();
    ASSERT_NE(frame->FindAction(ID_SETUP_INSTRUMENT), nullptr);
    EXPECT_TRUE(frame->FindAction(ID_SETUP_INSTRUMENT)->isEnabled());
    App().m_bTestRunning = TRUE;
    frame->UpdateCommandUI();
    EXPECT_FALSE(frame->FindAction(ID_SETUP_INSTRUMENT)->isEnabled());
    App().m_bTestRunning = FALSE;
    frame->UpdateCommandUI();

    // From the menu: a complete setup, unchanged, OK: no message, nothing started.
    SheetScript ok([](setup::CSetupSheet& sheet) { sheet.accept(); });
    frame->FindAction(ID_SETUP_INSTRUMENT)->trigger();
    EXPECT_EQ(ok.Shown(), 1);
    EXPECT_EQ(boxes.Count(), 0u) << boxes.Texts()[0];
}

// The follow-up starts the calibrations through the Calibrate menu's own
// commands: new gage-block levels advise a calibration (431) and start the
// deflection wizard; a new bath set-point only advises.
TEST_F(SetupE2ETest, TheFollowUpAdvisesAndStartsTheDeflectionChain) {
    ASSERT_NO_FATAL_FAILURE(StartReadyStation());

    struct Case {
        int tab;
        int id;
        const char* text;
        UINT message;
        bool wizard;
    };
    const Case cases[] = {
        {S::kTabGageBlock, setup::CPageTwoModel::kWhite, "13.100", 431, true},
        {S::kTabBath, setup::CPageFiveModel::kTemperature, "-13", 431, false},
    };
    for (const Case& k : cases) {
        boxes.Clear();
        // Any other dialog that opens is a calibration wizard: noted and cancelled.
        std::vector<std::string> wizards;
        class WizardWatch : public QObject {
        public:
            explicit WizardWatch(std::vector<std::string>& seen) : m_seen(seen) {
                qApp->installEventFilter(this);
            }
            ~WizardWatch() override { qApp->removeEventFilter(this); }
            bool eventFilter(QObject* watched, QEvent* event) override {
                auto* d = dynamic_cast<fw::Dialog*>(watched);
                if (event->type() == QEvent::Show && d && !dynamic_cast<setup::CSetupSheet*>(watched)) {
                    m_seen.push_back(d->windowTitle().toStdString());
                    QTimer::singleShot(0, d, [d] { d->reject(); });
                }
                return false;
            }

        private:
            std::vector<std::string>& m_seen;
        } watch(wizards);
        SheetScript ok([&](setup::CSetupSheet& sheet) {
            Edit(sheet, k.tab, k.id)->setText(k.text);
            sheet.accept();
        });
        App().m_pMainFrame->OnCmdMsg(ID_SETUP_INSTRUMENT);
        EXPECT_EQ(ok.Shown(), 1) << k.text;
        EXPECT_EQ(boxes.Texts(), std::vector<std::string>{fw::LoadString(k.message)}) << k.text;
        // Cancelled, the deflection wizard ends the chain.
        EXPECT_EQ(wizards,
                  k.wizard ? std::vector<std::string>{"Deflection Calibration "} : std::vector<std::string>{})
            << k.text;
    }
}

}  // namespace
}  // namespace e2e
