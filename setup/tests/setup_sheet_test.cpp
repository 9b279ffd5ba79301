// The Instrument Setup sheet offscreen: every page made as it opens, OK
// bringing each refusing page to the front, the result of DoModal, the
// pages' own handlers, help, and screenshots kept as test artefacts.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <functional>
#include <set>

#include "framework/core/Strings.h"
#include "framework/core/TestDoubles.h"
#include "framework/ui/FileDialogs.h"
#include "framework/ui/Help.h"
#include "platform/Clock.h"
#include "platform/Paths.h"
#include "res/Resource.h"
#include "settings/CQXRegistry.h"
#include "setup/CNumEdit.h"
#include "setup/CSetupSheet.h"
#include "setup/tests/support/FakeInstrument.h"
#include "setup/tests/support/SetupTestEnvironment.h"

namespace setup {
namespace {

using S = SetupSheetModel;

std::string Artefacts() {
    return RYX_TEST_ARTEFACTS;
}

class SetupSheetTest : public ::testing::Test {
protected:
    void SetUp() override {
        char buf[4096];
        startDir = getcwd(buf, sizeof buf) ? buf : "";
        home = platform::JoinPath(setuptest::ConfigDir(), "home");
        data = platform::JoinPath(setuptest::ConfigDir(), "data");
        ASSERT_EQ(platform::EnsureDirectory(home), 0u);
        ASSERT_EQ(platform::EnsureDirectory(data), 0u);
        setenv("HOME", home.c_str(), 1);
    }
    void TearDown() override {
        ASSERT_EQ(chdir(startDir.c_str()), 0);
        EXPECT_EQ(boxes.Unanswered(), 0u);
    }
    void StoreCompleteSetup() {
        ASSERT_EQ(theRegistry.SetTestBath(-12), 0u);
        ASSERT_EQ(theRegistry.SetGageBlockTop(16), 0u);
        ASSERT_EQ(theRegistry.SetGageBlockRed(15), 0u);
        ASSERT_EQ(theRegistry.SetGageBlockWhite(13), 0u);
        ASSERT_EQ(theRegistry.SetGageBlockBlue(10), 0u);
        ASSERT_EQ(theRegistry.SetPort("COM1"), 0u);
        ASSERT_EQ(theRegistry.SetConfidenceTestMin(1.83), 0u);
        ASSERT_EQ(theRegistry.SetConfidenceTestMax(2.23), 0u);
        ASSERT_EQ(theRegistry.SetGraphsAuto(1), 0u);
        ASSERT_EQ(theRegistry.SetGraphsDeflection(1), 0u);
        ASSERT_EQ(theRegistry.SetGraphsForce(1000), 0u);
        ASSERT_EQ(theRegistry.SetForceResolution(1), 0u);
        ASSERT_EQ(theRegistry.SetEquipmentRYX("RYX-0042"), 0u);
        ASSERT_EQ(theRegistry.SetEquipmentThermistor("T-7"), 0u);
        ASSERT_EQ(theRegistry.SetTemperatureA0(1.2345678901e-3), 0u);
        ASSERT_EQ(theRegistry.SetTemperatureA1(2.3456e-4), 0u);
        ASSERT_EQ(theRegistry.SetTemperatureA3(8.7e-08), 0u);
        ASSERT_EQ(theRegistry.SetTestDirectory(data), 0u);
        ASSERT_EQ(theRegistry.SetBeamDimensionsThinThickness(1.2), 0u);
        ASSERT_EQ(theRegistry.SetBeamDimensionsThinWidth(12.7), 0u);
        ASSERT_EQ(theRegistry.SetAutoThicknessThickThickness(6.35), 0u);
        ASSERT_EQ(theRegistry.SetTestLoadTime(240), 0u);
        ASSERT_EQ(theRegistry.SetTestRecoveryTime(10), 0u);
        ASSERT_EQ(theRegistry.SetTestSampleInterval(30), 0u);
    }
    QLineEdit* Edit(CSetupSheet& sheet, int tab, int id) {
        return qobject_cast<QLineEdit*>(sheet.Page(tab)->GetDlgItem(id));
    }
    // Runs script once the sheet shows; returns DoModal's result.
    int Run(CSetupSheet& sheet, std::function<void()> script) {
        bool ran = false;
        QTimer::singleShot(0, &sheet, [&] {
            ran = true;
            script();
            if (sheet.isVisible()) sheet.reject();
        });
        const int r = sheet.DoModal();
        EXPECT_TRUE(ran);
        return r;
    }

    fw::ScriptedMessageBox boxes;
    fw::ServiceScope<fw::MessageBoxService> boxScope{boxes};
    FakeInstrument beam;
    std::string startDir, home, data;
};

TEST_F(SetupSheetTest, FirstSetupBringsEachDefaultedPageForwardOnceThenStoresEverything) {
    CSetupSheet sheet(nullptr, 0, beam);
    int redraws = 0;
    sheet.SetRedraw([&] { ++redraws; });
    std::vector<int> forward;
    const int result = Run(sheet, [&] {
        EXPECT_EQ(sheet.GetActiveIndex(), S::kTabBath);
        for (int tab = 0; tab < S::kPages; ++tab) EXPECT_TRUE(sheet.Page(tab)->WasInitialised()) << tab;
        EXPECT_EQ(sheet.Model().m_bath.m_nVisits, 2);
        EXPECT_EQ(sheet.Model().m_gageBlock.m_nVisits, 1);
        // OK after OK: each one brings the next page to be looked at forward.
        for (int i = 0; i < 12 && sheet.isVisible(); ++i) {
            sheet.accept();
            if (!sheet.isVisible()) break;
            forward.push_back(sheet.GetActiveIndex());
            if (sheet.GetActiveIndex() == S::kTabEquipment) {
                Edit(sheet, S::kTabEquipment, CPageOneModel::kApparatusId)->setText("RYX-7");
                Edit(sheet, S::kTabEquipment, CPageOneModel::kSerialNumber)->setText("P-1");
                Edit(sheet, S::kTabEquipment, CPageOneModel::kA0)->setText("0.001");
                Edit(sheet, S::kTabEquipment, CPageOneModel::kA1)->setText("0.0002");
                Edit(sheet, S::kTabEquipment, CPageOneModel::kA2)->setText("8.7e-08");
            }
        }
    });
    EXPECT_EQ(forward, (std::vector<int>{S::kTabGageBlock, S::kTabPort, S::kTabConfidence, S::kTabGraphs,
                                         S::kTabEquipment, S::kTabArchive, S::kTabBeam, S::kTabAdvanced}));
    const std::string d258 = fw::LoadString(IDS_DEFAULTS_PRESENT);
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{d258, d258, d258, d258,
                                                       fw::LoadString(IDS_VALUE_MISSING), d258, d258, d258}));
    EXPECT_EQ(result, kResultOk | kResultThinBeam | kResultGageBlock | kResultBath);
    EXPECT_EQ(redraws, 1);
    EXPECT_EQ(beam.open, "COM1");
    std::string s;
    ASSERT_EQ(theRegistry.GetPort(s), 0u);
    EXPECT_EQ(s, "COM1");
    ASSERT_EQ(theRegistry.GetTestDirectory(s), 0u);
    EXPECT_EQ(s, home + "/");
}

TEST_F(SetupSheetTest, CancelReturnsOneAndWritesNothing) {
    StoreCompleteSetup();
    CSetupSheet sheet(nullptr, 0, beam);
    const int result = Run(sheet, [&] {
        Edit(sheet, S::kTabBath, CPageFiveModel::kTemperature)->setText("-20");
        sheet.reject();
    });
    EXPECT_EQ(result, kResultCancelled);
    double d = 0;
    ASSERT_EQ(theRegistry.GetTestBath(d), 0u);
    EXPECT_EQ(d, -12);
    EXPECT_EQ(boxes.Count(), 0u);
}

// OK stores new gage-block levels and a new coefficient, the equation cannot
// be reloaded (312, the sheet stays), and the operator cancels: the levels
// are stored all the same, so the deflection calibration they call for runs.
TEST_F(SetupSheetTest, CancelAfterAStoredOkWhoseReloadFailedStillFollowsUp) {
    StoreCompleteSetup();
    beam.reloadOk = false;
    CSetupSheet sheet(nullptr, 0, beam);
    const int result = Run(sheet, [&] {
        Edit(sheet, S::kTabGageBlock, CPageTwoModel::kWhite)->setText("13.100");
        Edit(sheet, S::kTabEquipment, CPageOneModel::kA0)->setText("0.0011");
        sheet.accept();
        EXPECT_TRUE(sheet.isVisible());
        EXPECT_EQ(sheet.GetActiveIndex(), S::kTabEquipment);
        sheet.reject();
    });
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{fw::LoadString(IDS_REGISTRY_WRITE)});
    double d = 0;
    ASSERT_EQ(theRegistry.GetGageBlockWhite(d), 0u);
    EXPECT_EQ(d, 13.1);
    EXPECT_EQ(result, kResultOk | kResultGageBlock);
    std::vector<UINT> commands;
    boxes.Clear();
    RunFollowUp(result, [&](UINT id) { commands.push_back(id); });
    EXPECT_EQ(commands, std::vector<UINT>{ID_CALIBRATE_DEFLECTION});
    boxes.Clear();

    // Cancel with nothing stored is still a cancel.
    beam.reloadOk = true;
    CSetupSheet again(nullptr, 0, beam);
    EXPECT_EQ(Run(again, [&] { again.reject(); }), kResultCancelled);
}

// A new port chosen, a later page refusing, then Cancel: the line stays on
// the new port, and the settings hold it too, so the next start opens the
// port the line was left on.
TEST_F(SetupSheetTest, CancelAfterALaterPageRefusedKeepsTheNewPortInUseAndStored) {
    struct Case {
        const char* what;
        int tab;
        int id;
        const char* text;
        UINT message;
    };
    const Case cases[] = {
        {"empty thick beam thickness", S::kTabBeam, CPageEightModel::kThickThickness, "", IDS_VALUE_MISSING},
        {"short load time", S::kTabAdvanced, CPageNineModel::kLoadTime, "239", IDS_ADVANCED_INVALID},
        {"no apparatus ID", S::kTabEquipment, CPageOneModel::kApparatusId, " ", IDS_VALUE_MISSING},
    };
    for (const Case& k : cases) {
        StoreCompleteSetup();
        beam.open = "COM1";
        beam.setPorts.clear();
        boxes.Clear();
        CSetupSheet sheet(nullptr, 0, beam);
        const int result = Run(sheet, [&] {
            sheet.SetActivePage(S::kTabPort);
            sheet.Page(S::kTabPort)->SetDlgItemText(CPageSixModel::kPort, "COM2");
            Edit(sheet, k.tab, k.id)->setText(k.text);
            sheet.accept();
            EXPECT_TRUE(sheet.isVisible()) << k.what;
            EXPECT_EQ(sheet.GetActiveIndex(), k.tab) << k.what;
            sheet.reject();
        });
        EXPECT_EQ(result, kResultCancelled) << k.what;
        EXPECT_EQ(boxes.Texts(), std::vector<std::string>{fw::LoadString(k.message)}) << k.what;
        EXPECT_EQ(beam.setPorts, std::vector<std::string>{"COM2"}) << k.what;
        EXPECT_EQ(beam.open, "COM2") << k.what;
        std::string s;
        ASSERT_EQ(theRegistry.GetPort(s), 0u);
        EXPECT_EQ(s, "COM2") << k.what;
        // The refusing page's own values were not stored.
        DWORD dw = 0;
        ASSERT_EQ(theRegistry.GetTestLoadTime(dw), 0u);
        EXPECT_EQ(dw, 240u) << k.what;
        ASSERT_EQ(theRegistry.GetEquipmentRYX(s), 0u);
        EXPECT_EQ(s, "RYX-0042") << k.what;
    }
}

// The OK that opens the line waits for the instrument's firmware with the
// wait cursor and the event loop running (here the loop moves the clock:
// without it the wait would not end), then judges the Equipment page. Closed
// while it waits, the sheet ends as a Cancel.
TEST_F(SetupSheetTest, TheOkThatOpensTheLineWaitsForTheFirmwareWithTheEventLoopRunning) {
    struct Case {
        const char* what;
        const char* version;  // the reply, 300 ms after the open (nullptr: none)
        bool closeWhileWaiting;
        int result;
        std::vector<std::string> messages;
        uint32_t waited;
    };
    const Case cases[] = {
        {"firmware 2", "2.000", false, kResultOk, {}, 300},
        {"no reply", nullptr, false, kResultCancelled, {fw::LoadString(IDS_VALUE_MISSING)}, 1110},
        {"closed while waiting", nullptr, true, kResultCancelled, {}, 200},
    };
    platform::ManualClock clock(50000);
    platform::SetDefaultClock(&clock);
    for (const Case& k : cases) {
        StoreCompleteSetup();
        // No probe values: the page needs them below firmware 2.
        ASSERT_EQ(theRegistry.SetEquipmentThermistor("   "), 0u);
        beam = FakeInstrument{};
        beam.clock = &clock;
        beam.silentStatus = 0;
        if (k.version) {
            beam.versionLater = k.version;
            beam.versionAfterMs = 300;
        }
        boxes.Clear();
        std::set<int> cursors;
        bool otherEvents = false;
        CSetupSheet sheet(nullptr, 0, beam);
        beam.onLook = [&] {
            const QCursor* c = QApplication::overrideCursor();
            cursors.insert(c ? int(c->shape()) : -1);
        };
        uint32_t waited = 0;
        const int result = Run(sheet, [&] {
            EXPECT_EQ(beam.open, "");
            EXPECT_FALSE(sheet.Page(S::kTabEquipment)->GetDlgItem(CPageOneModel::kA0)->isHidden());
            // The loop of the wait moves the clock, 10 ms a turn.
            const uint32_t before = clock.Now();
            QTimer tick;
            QObject::connect(&tick, &QTimer::timeout, [&] {
                clock.Advance(10);
                otherEvents = true;
                if (k.closeWhileWaiting && clock.Now() - before >= 200 && sheet.isVisible()) sheet.reject();
            });
            tick.start(1);
            sheet.accept();
            waited = clock.Now() - before;
            tick.stop();
        });
        EXPECT_EQ(result, k.result) << k.what;
        EXPECT_EQ(boxes.Texts(), k.messages) << k.what;
        EXPECT_TRUE(otherEvents) << k.what;
        EXPECT_GE(waited, k.waited) << k.what;
        EXPECT_EQ(cursors, (std::set<int>{-1, int(Qt::WaitCursor)})) << k.what;
        EXPECT_EQ(QApplication::overrideCursor(), nullptr) << k.what;
        EXPECT_EQ(beam.open, "COM1") << k.what;
        std::string s;
        ASSERT_EQ(theRegistry.GetEquipmentThermistor(s), 0u);
        EXPECT_EQ(s, "   ") << k.what;  // kept, never "1111"
        ASSERT_EQ(theRegistry.GetEquipmentRYX(s), 0u);
        EXPECT_EQ(s, "RYX-0042") << k.what;
    }
    platform::SetDefaultClock(nullptr);
}

TEST_F(SetupSheetTest, TheStartPageIsAValidIndexOrTheFirst) {
    StoreCompleteSetup();
    for (const auto& [start, shown] :
         std::vector<std::pair<int, int>>{{-1, 0}, {12, 0}, {9, 0}, {5, 5}, {8, 8}}) {
        CSetupSheet sheet(nullptr, start, beam);
        EXPECT_EQ(sheet.StartPage(), shown);
        Run(sheet, [&] {
            EXPECT_EQ(sheet.GetActiveIndex(), shown) << start;
            // Every page made, the start page activated once more.
            EXPECT_EQ(sheet.Model().Page(shown).m_nVisits, shown == S::kTabEquipment ? 2 : 3) << start;
        });
    }
}

TEST_F(SetupSheetTest, ChangesAreReportedAndARefusingPageComesForward) {
    StoreCompleteSetup();
    CSetupSheet sheet(nullptr, 0, beam);
    const int result = Run(sheet, [&] {
        Edit(sheet, S::kTabBeam, CPageEightModel::kThinThickness)->setText("1.30");
        Edit(sheet, S::kTabAdvanced, CPageNineModel::kLoadTime)->setText("239");
        sheet.accept();
        EXPECT_TRUE(sheet.isVisible());
        EXPECT_EQ(sheet.GetActiveIndex(), S::kTabAdvanced);
        Edit(sheet, S::kTabAdvanced, CPageNineModel::kLoadTime)->setText("240");
        sheet.accept();
    });
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{fw::LoadString(IDS_ADVANCED_INVALID)});
    EXPECT_EQ(result, kResultOk | kResultThinBeam);
}

TEST_F(SetupSheetTest, PagesHandleAutoScaleBrowseFirmwareAndHelp) {
    StoreCompleteSetup();
    const std::string help = platform::JoinPath(setuptest::ConfigDir(), "help");
    ASSERT_EQ(platform::EnsureDirectory(help + "/RYXW"), 0u);
    ASSERT_EQ(platform::WriteFileAtomic(help + "/RYXW/Instrument_setup.htm", "<html></html>"), 0u);
    setenv("RYX_HELP_DIR", help.c_str(), 1);
    std::vector<std::string> opened;
    fw::SetHelpOpener([&](const std::string& path) {
        opened.push_back(path);
        return true;
    });
    fw::ScriptedFileDialogs folders;
    fw::ServiceScope<fw::FileDialogService> folderScope(folders);
    folders.Answer({data + "/sub "});
    ASSERT_EQ(platform::EnsureDirectory(data + "/sub"), 0u);
    beam.version = "2.000";

    CSetupSheet sheet(nullptr, 0, beam);
    Run(sheet, [&] {
        // Graphs: AutoScale stored, so the scales are for a fixed scale only.
        CSetupPage* graphs = sheet.Page(S::kTabGraphs);
        auto* autoScale = qobject_cast<QCheckBox*>(graphs->GetDlgItem(CPageFourModel::kAutoScale));
        ASSERT_TRUE(autoScale);
        EXPECT_TRUE(autoScale->isChecked());
        EXPECT_FALSE(graphs->GetDlgItem(CPageFourModel::kForce)->isEnabled());
        sheet.SetActivePage(S::kTabGraphs);
        autoScale->click();
        EXPECT_TRUE(graphs->GetDlgItem(CPageFourModel::kForce)->isEnabled());
        EXPECT_TRUE(graphs->GetDlgItem(CPageFourModel::kDeflection)->isEnabled());

        // Typing goes through the fields' digits and open limits.
        QLineEdit* top = Edit(sheet, S::kTabGageBlock, CPageTwoModel::kTop);
        QLineEdit* bath = Edit(sheet, S::kTabBath, CPageFiveModel::kTemperature);
        QLineEdit* a0 = Edit(sheet, S::kTabEquipment, CPageOneModel::kA0);
        for (QLineEdit* e : {top, bath, a0}) {
            ASSERT_NE(dynamic_cast<CNumEdit*>(e), nullptr);
            e->clear();
        }
        QTest::keyClicks(top, "75");  // 75 mm is no gage block level
        EXPECT_EQ(top->text().toStdString(), "7");
        QTest::keyClicks(bath, "-45.");  // below the offset table, and whole degrees only
        EXPECT_EQ(bath->text().toStdString(), "-4");
        QTest::keyClicks(a0, "-1x");
        EXPECT_EQ(a0->text().toStdString(), "-1");

        // Equipment at firmware 2: only the apparatus ID.
        CSetupPage* equipment = sheet.Page(S::kTabEquipment);
        for (int id : {CPageOneModel::kProbeGroup, CPageOneModel::kSerialNumber, CPageOneModel::kA0,
                       CPageOneModel::kA2Label})
            EXPECT_TRUE(equipment->GetDlgItem(id)->isHidden()) << id;
        EXPECT_FALSE(equipment->GetDlgItem(CPageOneModel::kApparatusId)->isHidden());

        // Archive: the chooser's folder, trimmed, with its separator.
        sheet.SetActivePage(S::kTabArchive);
        CSetupPage* archive = sheet.Page(S::kTabArchive);
        qobject_cast<QPushButton*>(archive->GetDlgItem(CPageSevenModel::kBrowse))->click();
        EXPECT_EQ(archive->GetDlgItemText(CPageSevenModel::kPath), data + "/sub/");
        ASSERT_EQ(folders.Requests().size(), 1u);
        EXPECT_TRUE(folders.Requests()[0].directory.empty());

        // F1: the page's help; the Advanced Test Settings page has none.
        QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
        QApplication::sendEvent(archive, &f1);
        sheet.SetActivePage(S::kTabAdvanced);
        QKeyEvent again(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
        QApplication::sendEvent(sheet.Page(S::kTabAdvanced), &again);
        sheet.reject();
    });
    fw::SetHelpOpener(nullptr);
    EXPECT_EQ(opened, std::vector<std::string>{help + "/RYXW/Instrument_setup.htm"});
}

TEST_F(SetupSheetTest, ScreenshotsOfThePagesAreKept) {
    StoreCompleteSetup();
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(Artefacts())));
    // A stored folder that is away shows as stored, marked.
    ASSERT_EQ(theRegistry.SetTestDirectory("/mnt/lab-share/ryx data"), 0u);
    CSetupSheet sheet(nullptr, 0, beam);
    Run(sheet, [&] {
        sheet.resize(sheet.minimumWidth(), 380);
        const std::pair<int, const char*> shots[] = {
            {S::kTabBath, "bath"},           {S::kTabGageBlock, "gage-block"}, {S::kTabGraphs, "graphs"},
            {S::kTabEquipment, "equipment"}, {S::kTabArchive, "archive"},      {S::kTabAdvanced, "advanced"}};
        for (const auto& [tab, name] : shots) {
            sheet.SetActivePage(tab);
            QApplication::processEvents();
            const QImage shot = sheet.grab().toImage();
            EXPECT_FALSE(shot.isNull());
            const std::string path =
                platform::JoinPath(Artefacts(), std::string("setup-sheet-") + name + ".png");
            EXPECT_TRUE(shot.save(QString::fromStdString(path))) << path;
        }
        sheet.reject();
    });
}

}  // namespace
}  // namespace setup
