// The station from start-up to shut-down against the simulated instrument.
#include "e2e/support/Station.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <regex>

#include "app/CAboutBox.h"
#include "app/CQXRYXMainFrame.h"
#include "app/CStatus.h"
#include "app/SingleInstance.h"
#include "app/Termination.h"
#include "data/CQXRYXTestDoc.h"
#include "e2e/support/SheetScript.h"
#include "e2e/support/WizardOperator.h"
#include "framework/core/Strings.h"
#include "framework/ui/QtMessageBox.h"
#include "platform/Hive.h"
#include "platform/Numbers.h"
#include "platform/Paths.h"
#include "settings/CQXRegistry.h"
#include "simulator/SettingsWriter.h"
#include "testing/CQXRYXDataView.h"
#include "testing/CQXRYXTestView.h"

namespace e2e {
namespace {

std::string Cwd() {
    char buf[4096];
    return getcwd(buf, sizeof buf) ? buf : "";
}

CStatus& Bar() {
    return *App().m_pMainFrame->InstrumentBar();
}

bool Shows(int control) {
    const std::string t = Bar().Text(control);
    return t != " " && t != "   ?" && !t.empty();
}

double Value(int control) {
    double v = 0;
    std::string t = Bar().Text(control);
    t.erase(0, t.find_first_not_of(' '));
    // The bar formats in the user's locale; the tests run in the C locale.
    EXPECT_TRUE(platform::ParseDoubleC(t, v)) << t;
    return v;
}

// Whether the bar shows what the instrument measured. From the line's
// opening until its first data frame the bar shows zero readings, which a
// wait for any reading would take; the simulated bath's temperature is
// nowhere near zero, so only a frame can have brought it.
bool ShowsTheBath(ryxsim::Simulator& sim) {
    return Shows(CStatus::kForce) && Shows(CStatus::kDeflection) && Shows(CStatus::kTemperature) &&
           std::abs(Value(CStatus::kTemperature) - sim.State().bath) < 0.5;
}

std::string BarTexts() {
    return "the bar shows force \"" + Bar().Text(CStatus::kForce) + "\", deflection \"" +
           Bar().Text(CStatus::kDeflection) + "\", temperature \"" + Bar().Text(CStatus::kTemperature) +
           "\"; status " + std::to_string(App().m_beam.GetStatus());
}

TEST_F(StationTest, NothingStoredGivesOneBoxWithEveryLineInOrder) {
    ASSERT_TRUE(StartStation());
    ASSERT_EQ(boxes.Count(), 1u);
    const std::string expected = fw::LoadString(575) + fw::LoadString(577) + fw::LoadString(570) +
                                 fw::LoadString(571) + fw::LoadString(572) + fw::LoadString(573) +
                                 fw::LoadString(576) + fw::LoadString(574);
    EXPECT_EQ(boxes.Texts()[0], expected);
    // The posted Instrument Setup opens the sheet from the loop; cancelled,
    // it asks nothing more.
    SheetScript cancel([](setup::CSetupSheet& sheet) { sheet.reject(); });
    ASSERT_TRUE(Until([&] { return cancel.Shown() == 1; }));
    EXPECT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(Cwd(), startDir);  // no data directory to go to
}

// COM1 chosen, its alias pointing at /dev/null: the check's box says which
// alias names what, rather than asking for a port choice already made.
TEST_F(StationTest, APortAliasOnNoSerialDeviceIsNamedInTheCheck) {
    WriteSettings(-12.0);
    const std::string ports = platform::JoinPath(ConfigDir(), "ports");
    ASSERT_EQ(platform::EnsureDirectory(ports), 0u);
    const std::string link = platform::JoinPath(ports, "com1");
    unlink(link.c_str());
    ASSERT_EQ(symlink("/dev/null", link.c_str()), 0);
    ASSERT_TRUE(StartStation());
    ASSERT_EQ(boxes.Count(), 1u);
    const std::string expected = fw::LoadString(575) + "\tSerial Port Choice: the port alias " + link +
                                 "\n\tnames /dev/null, which is not a serial device\n";
    EXPECT_EQ(boxes.Texts()[0], expected);
    SheetScript cancel([](setup::CSetupSheet& sheet) { sheet.reject(); });
    {
        std::unique_ptr<QMessageBox> box(fw::QtMessageBox::Build(boxes.Texts()[0], MB_OK, "RYXw"));
        box->show();
        QApplication::processEvents();
        QDir().mkpath(RYX_E2E_ARTEFACTS);
        EXPECT_TRUE(box->grab().save(QString(RYX_E2E_ARTEFACTS) + "/setup-check-port-alias.png"));
    }
    ASSERT_TRUE(Until([&] { return cancel.Shown() == 1; }));
    EXPECT_EQ(boxes.Count(), 1u);
    unlink(link.c_str());
}

TEST_F(StationTest, EverythingStoredOpensTheLineAndShowsLiveReadings) {
    StartInstrument();
    WriteSettings(-12.0);
    ASSERT_TRUE(StartStation());
    EXPECT_EQ(boxes.Count(), 0u) << boxes.Texts()[0];
    EXPECT_EQ(Cwd(), DataDir());
    EXPECT_EQ(App().m_beam.GetStatus(), 0u);

    ASSERT_TRUE(Until([] {
        return Shows(CStatus::kForce) && Shows(CStatus::kDeflection) && Shows(CStatus::kTemperature);
    }));
    // The formats: two spaces, then 1 decimal for force (Force\Resolution
    // is set), 3 for deflection, 2 for both temperatures.
    EXPECT_TRUE(std::regex_match(Bar().Text(CStatus::kForce), std::regex("  -?[0-9]+\\.[0-9]")));
    EXPECT_TRUE(std::regex_match(Bar().Text(CStatus::kDeflection), std::regex("  -?[0-9]+\\.[0-9]{3}")));
    EXPECT_TRUE(std::regex_match(Bar().Text(CStatus::kTemperature), std::regex("  -?[0-9]+\\.[0-9]{2}")));
    EXPECT_EQ(Bar().Text(CStatus::kTarget), "  -12.00");
    // The values are the simulator's own, read back through the calibration
    // (the zeros of the moment between the port's opening and its first
    // frame are passed over).
    ASSERT_TRUE(Until([&] { return std::abs(Value(CStatus::kTemperature) - sim->State().bath) < 0.2; }));
    EXPECT_NEAR(Value(CStatus::kForce), sim->State().force, 5.0);

    // The screenshot kept with the build's test artefacts.
    QDir().mkpath(RYX_E2E_ARTEFACTS);
    const QImage shot = App().m_pMainFrame->grab().toImage();
    EXPECT_FALSE(shot.isNull());
    EXPECT_TRUE(shot.save(QString(RYX_E2E_ARTEFACTS) + "/main-window.png"));
}

// Firmware before 2 sends raw thermistor counts, converted with the
// coefficients of the settings: those of this station's own program key,
// which the settings store must have before the link's start loads them
// (a thermistor of its own here, so that no default could pass for it).
TEST_F(StationTest, OldFirmwareTemperaturesUseTheCoefficientsOfTheRegKey) {
    calibration.a0 = 1.3000;
    calibration.a1 = 0.2330;
    StartInstrument("1.000");
    WriteSettings(-12.0);
    // No idle set-point, whose conversion would reload the coefficients.
    App().m_bTestRunning = TRUE;
    ASSERT_TRUE(StartStation());
    EXPECT_EQ(boxes.Count(), 0u);
    ASSERT_TRUE(Until([] { return App().m_beam.GetFirmwareVersion() == "1.000"; }));
    // Nothing to read before the first frame after the version.
    ASSERT_TRUE(Until([&] {
        return Shows(CStatus::kTemperature) && std::abs(Value(CStatus::kTemperature) - sim->State().bath) < 0.2;
    })) << Bar().Text(CStatus::kTemperature) << " against " << sim->State().bath;
    EXPECT_EQ(App().m_beam.GetStatus(), 0u);
    EXPECT_TRUE(tap->LinesWith("T").empty());
    App().m_bTestRunning = FALSE;
}

TEST_F(StationTest, OneCalibrationValueMissingAsksForCalibration) {
    StartInstrument();
    WriteSettings();
    // Deflection\Compliance of another type reads as missing, as if never
    // calibrated.
    theRegistry.SetProgramKey(ProgramKey());
    auto hive = platform::Hive::ForPath(platform::JoinPath(ConfigDir(), "registry.reg"));
    ASSERT_EQ(hive->SetValue(theRegistry.KeyPath("Deflection"), "Compliance",
                             platform::RegValue{platform::kRegDword, std::string(4, '\0')}),
              0u);
    double d = 0;
    ASSERT_NE(theRegistry.GetDeflectionCompliance(d), 0u);

    ASSERT_TRUE(StartStation());
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Texts()[0], fw::LoadString(431));
    EXPECT_EQ(App().m_beam.GetStatus(), 0u);  // the line is open all the same
    // The posted command opens the deflection wizard; cancelled, it is the
    // only one, and nothing more is said.
    WizardOperator op(*sim, App().m_beam);
    op.CancelEverything();
    ASSERT_TRUE(Until([&] { return !op.Dialogs().empty() && !QApplication::activeModalWidget(); }));
    App().RunUntil([] { return false; }, 300);
    EXPECT_EQ(op.Dialogs(), std::vector<unsigned>{131});
    EXPECT_EQ(boxes.Count(), 1u);
}

TEST_F(StationTest, AboutBoxShowsFirmwareAndCalibrationConstants) {
    StartInstrument("2.000");
    WriteSettings();
    ASSERT_TRUE(StartStation());
    ASSERT_TRUE(Until([] { return App().m_beam.GetFirmwareVersion() == "2.000"; }));
    ASSERT_EQ(theRegistry.SetDeflectionCompliance(0.00012345), 0u);
    ASSERT_EQ(theRegistry.SetDeflectionConstant(0.0001525), 0u);
    ASSERT_EQ(theRegistry.SetForceConstant(0.1508), 0u);
    CAboutBox box(App().m_pMainFrame, App().m_beam);
    ASSERT_TRUE(box.OnInitDialog());
    EXPECT_EQ(box.GetDlgItemText(CAboutBox::kFirmware), "2.000");
    EXPECT_EQ(box.GetDlgItemText(CAboutBox::kCompliance), "123.45000000");
    EXPECT_EQ(box.GetDlgItemText(CAboutBox::kDeflectionConstant), "0.15250000");
    EXPECT_EQ(box.GetDlgItemText(CAboutBox::kForceConstant), "0.15080000");
}

// The recent files of an earlier session, kept by the framework in its own
// profile file: in the Test menu before Exit, a file of the data folder by
// its name. The one that is there opens in its report window; the one that
// has gone is taken off.
TEST_F(StationTest, RecentFilesOfAnEarlierSessionAreInTheTestMenu) {
    StartInstrument();
    WriteSettings();
    const std::string there = platform::JoinPath(DataDir(), "T1.RYX");
    const std::string gone = platform::JoinPath(ConfigDir(), "Gone.RYX");
    ASSERT_EQ(platform::WriteFileAtomic(there, ""), 0u);
    const std::string profile = platform::JoinPath(ConfigDir(), "ryxw-recent.ini");
    ASSERT_EQ(
        platform::WriteFileAtomic(profile, "[Recent File List]\nFile1=" + there + "\nFile2=" + gone + "\n"),
        0u);
    ASSERT_TRUE(StartStation());
    ASSERT_EQ(boxes.Count(), 0u) << boxes.Texts()[0];
    CQXRYXMainFrame* frame = App().m_pMainFrame;
    frame->UpdateCommandUI();

    QAction* first = frame->FindAction(ID_FILE_MRU_FILE1);
    QAction* second = frame->FindAction(ID_FILE_MRU_FILE2);
    QAction* exit = frame->FindAction(ID_APP_EXIT);
    ASSERT_TRUE(first && second && exit);
    EXPECT_EQ(first->text().toStdString(), "&1 T1.RYX");
    EXPECT_EQ(second->text().toStdString(), "&2 " + gone);
    EXPECT_TRUE(first->isEnabled());
    EXPECT_EQ(frame->FindAction(ID_FILE_MRU_FILE3), nullptr);
    ASSERT_EQ(first->parent(), exit->parent());
    const QList<QAction*> test = qobject_cast<QMenu*>(exit->parent())->actions();
    EXPECT_EQ(test.indexOf(first) + 1, test.indexOf(second));
    EXPECT_LT(test.indexOf(second), test.indexOf(exit));

    first->trigger();
    EXPECT_EQ(boxes.Count(), 0u);
    ASSERT_NE(frame->GetActiveFrame(), nullptr);
    auto* report = dynamic_cast<CQXRYXDataView*>(frame->GetActiveFrame()->GetActiveView());
    ASSERT_NE(report, nullptr);
    EXPECT_EQ(report->GetDocument()->GetPathName(), there);

    boxes.Clear();
    second->trigger();
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Texts()[0], fw::FormatString1(fw::kIdsRecentFileGone, gone));
    std::string kept;
    ASSERT_EQ(platform::ReadWholeFile(profile, kept), 0u);
    EXPECT_EQ(kept, "[Recent File List]\nFile1=" + there + "\n");
    ASSERT_TRUE(Until([&] { return frame->FindAction(ID_FILE_MRU_FILE2) == nullptr; }));
    ASSERT_NE(frame->FindAction(ID_FILE_MRU_FILE1), nullptr);
    EXPECT_EQ(frame->FindAction(ID_FILE_MRU_FILE1)->text().toStdString(), "&1 T1.RYX");
}

TEST_F(StationTest, SilentInstrumentShowsQuestionMarksAndOneMessageThenRecovers) {
    StartInstrument();
    WriteSettings();
    ASSERT_TRUE(StartStation());
    ASSERT_TRUE(Until([&] { return ShowsTheBath(*sim); })) << BarTexts() << "; " << tap->Describe();

    sim->SetSilent(true);
    ASSERT_TRUE(Until([] { return Bar().Text(CStatus::kForce) == "   ?"; }));
    EXPECT_EQ(Bar().Text(CStatus::kDeflection), "   ?");
    EXPECT_EQ(Bar().Text(CStatus::kTemperature), "   ?");
    EXPECT_EQ(Bar().Text(CStatus::kTarget), "  -12.00");
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Texts()[0], fw::LoadString(304) + "\n\n");
    // Further failed updates of the same episode say nothing more.
    App().RunUntil([] { return false; }, 1500);
    EXPECT_EQ(boxes.Count(), 1u);

    sim->SetSilent(false);
    ASSERT_TRUE(Until([&] { return ShowsTheBath(*sim); })) << BarTexts() << "; " << tap->Describe();
    EXPECT_EQ(boxes.Count(), 1u);
}

// A line that dies during a test: the bar keeps the last readings, not the
// zeros of the protocol's reset, and says nothing (the test reports the loss
// itself); once the test has ended with the line still dead, the bar shows
// question marks as for a line lost while idle. A loss the test's own box
// has told (marked on the instrument object) is not told again; one that no
// box has told (the test was ending as the line went) is told, once.
TEST_F(StationTest, LineDeadDuringATestKeepsTheLastReadingsThenShowsQuestionMarks) {
    StartInstrument();
    WriteSettings();
    ASSERT_TRUE(StartStation());
    TestStation* station = GetTestStation();
    ASSERT_NE(station, nullptr);
    for (bool told : {true, false}) {
        SCOPED_TRACE(told ? "told by the test" : "told by no box");
        sim->SetSilent(false);
        ASSERT_TRUE(Until([&] { return ShowsTheBath(*sim); })) << BarTexts() << "; " << tap->Describe();
        const size_t before = boxes.Count();
        station->SetTestRunning(true);

        sim->SetSilent(true);
        ASSERT_TRUE(Until([] { return App().m_beam.GetStatus() == 55; }));
        App().RunUntil([] { return false; }, 300);  // the status change's update
        const std::string texts = BarTexts();
        EXPECT_NEAR(Value(CStatus::kTemperature), sim->State().bath, 0.5) << texts;
        EXPECT_NEAR(Value(CStatus::kForce), sim->State().force, 5.0) << texts;
        App().RunUntil([] { return false; }, 1500);
        EXPECT_EQ(BarTexts(), texts);
        EXPECT_EQ(boxes.Count(), before);
        if (told) App().m_beam.MarkLossTold();  // as the test's loss box does

        station->SetTestRunning(false);
        ASSERT_TRUE(Until([] { return Bar().Text(CStatus::kForce) == "   ?"; })) << BarTexts();
        EXPECT_EQ(Bar().Text(CStatus::kDeflection), "   ?");
        EXPECT_EQ(Bar().Text(CStatus::kTemperature), "   ?");
        App().RunUntil([] { return false; }, 1500);
        ASSERT_EQ(boxes.Count(), before + (told ? 0u : 1u));
        if (!told) {
            EXPECT_EQ(boxes.Texts().back(), fw::LoadString(304) + "\n\n");
        }
    }
}

TEST_F(StationTest, IdleSetPointEveryFiveSecondsOnlyOnceTheVersionIsKnownAndNotDuringATest) {
    StartInstrument("2.000");
    WriteSettings(-18.0);
    ASSERT_TRUE(StartStation());
    ASSERT_TRUE(Until([] { return App().m_beam.GetFirmwareVersion() == "2.000"; }));
    ASSERT_TRUE(Until([&] { return ShowsTheBath(*sim); })) << BarTexts() << "; " << tap->Describe();

    // The first goes out at the first idle period once the version is known.
    const auto setPoints = [&] { return tap->LinesWith("F8F8T"); };
    ASSERT_TRUE(Until([&] { return setPoints().size() == 1; })) << tap->Describe();
    const uint32_t first = setPoints().back().at;

    idleClock.Advance(5000);
    App().RunUntil([] { return false; }, 1200);  // several updates and idle passes
    EXPECT_EQ(setPoints().size(), 1u);
    idleClock.Advance(1);
    ASSERT_TRUE(Until([&] { return setPoints().size() == 2; })) << tap->Describe();
    EXPECT_GT(setPoints().back().at - first, 5000u);
    const size_t before = 2;

    App().m_bTestRunning = TRUE;
    idleClock.Advance(20000);
    App().RunUntil([] { return false; }, 1200);
    EXPECT_EQ(setPoints().size(), before);
    App().m_bTestRunning = FALSE;
    // Each went out only after the instrument's version reply had come.
    const size_t version = tap->FromInstrument().find("2.000");
    ASSERT_NE(version, std::string::npos);
    for (const auto& l : setPoints()) {
        EXPECT_EQ(l.text, "F8F8T");
        EXPECT_GE(l.heard, version + 5);
    }
}

TEST_F(StationTest, ClosingTheWindowStopsTheWorkerAndClosesTheLine) {
    StartInstrument();
    WriteSettings();
    ASSERT_TRUE(StartStation());
    ASSERT_TRUE(Until([&] { return ShowsTheBath(*sim); })) << BarTexts() << "; " << tap->Describe();
    ASSERT_TRUE(tap->HeldByThisProcess());
    App().m_pMainFrame->close();
    ASSERT_TRUE(App().QuitPosted());
    App().ExitInstance();
    started = false;
    EXPECT_EQ(App().m_beam.GetStatus(), 1117u);
    // Shut-down has closed the line by the time it returns.
    EXPECT_FALSE(tap->HeldByThisProcess()) << tap->Describe();
    ASSERT_TRUE(tap->WaitForClosed(5000)) << tap->Describe();
    // Nothing reaches the bar any more. What the worker posted before it
    // stopped may still wait in the queue: deliver that first.
    App().processEvents();
    const int writes = Bar().Writes();
    sim->Sync();
    App().processEvents();
    EXPECT_EQ(Bar().Writes(), writes);
}

TEST_F(StationTest, SigtermEndsTheLoopTheSameWay) {
    StartInstrument();
    WriteSettings();
    TerminationHandler term;
    ASSERT_TRUE(StartStation());
    ASSERT_TRUE(Until([&] { return ShowsTheBath(*sim); })) << BarTexts() << "; " << tap->Describe();
    ASSERT_TRUE(tap->HeldByThisProcess());
    ASSERT_EQ(raise(SIGTERM), 0);
    App().Run();  // returns once the signal has closed the window
    App().ExitInstance();
    started = false;
    EXPECT_EQ(term.Received(), 1);
    EXPECT_EQ(App().m_beam.GetStatus(), 1117u);
    EXPECT_FALSE(tap->HeldByThisProcess()) << tap->Describe();
    EXPECT_TRUE(tap->WaitForClosed(5000)) << tap->Describe();
}

// A station that hangs up on the request: the later start says so on
// standard error, naming the socket it waited on, and ends as a failure of
// its own, not as a start that handed over.
TEST_F(StationTest, ALaterStartWhoseRequestIsNotAnsweredSaysSoAndFails) {
    const QString name = QString::fromStdString(SingleInstance::SocketName(ProgramKey() + "Class"));
    QLocalServer::removeServer(name);
    QLocalServer hangsUp;
    ASSERT_TRUE(hangsUp.listen(name));
    int requests = 0;
    QObject::connect(&hangsUp, &QLocalServer::newConnection, [&] {
        while (QLocalSocket* s = hangsUp.nextPendingConnection()) {
            ++requests;
            QObject::connect(s, &QLocalSocket::readyRead, s, [s] {
                if (s->readAll().endsWith("\n\n")) s->abort();
            });
        }
    });
    QProcess later;
    later.setProgram(RYXW_PROGRAM);
    later.setArguments({QString::fromStdString("-reg:" + ProgramKey())});
    later.start();
    ASSERT_TRUE(Until([&] { return later.state() == QProcess::NotRunning; }, 30000));
    EXPECT_EQ(requests, 1);
    EXPECT_EQ(later.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(later.exitCode(), CQXRYXwApp::kExitNotAnswered);
    // Beside whatever Qt itself says there.
    const std::string said = later.readAllStandardError().toStdString();
    const std::string line = "ryxw: The station already running (socket " +
                             hangsUp.fullServerName().toStdString() +
                             ") did not answer the request to come forward: it closed the connection.\n";
    EXPECT_NE(said.find(line), std::string::npos) << said;
}

TEST_F(StationTest, SecondInstanceWithTheSameNameRaisesTheFirstAnotherRunsBeside) {
    StartInstrument();
    WriteSettings();
    ASSERT_TRUE(StartStation());
    App().m_pMainFrame->showMinimized();
    ASSERT_TRUE(App().m_pMainFrame->isMinimized());

    QProcess same;
    same.setProgram(RYXW_PROGRAM);
    same.setArguments({QString::fromStdString("-reg:" + ProgramKey())});
    same.start();
    ASSERT_TRUE(Until([&] { return same.state() == QProcess::NotRunning; }, 30000));
    EXPECT_EQ(same.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(same.exitCode(), 1);
    EXPECT_FALSE(App().m_pMainFrame->isMinimized());

    // The other one has settings and an instrument of its own, on COM2.
    ryxsim::Simulator sim2(ryxsim::Simulator::Options{});
    ASSERT_EQ(sim2.Start(), 0u);
    const std::string link2 = platform::JoinPath(ConfigDir(), "ports/com2");
    ASSERT_EQ(symlink(sim2.DevicePath().c_str(), link2.c_str()), 0);
    {
        ryxsim::SettingsPlan plan;
        plan.dataDir = DataDir();
        plan.programKey = ProgramKey() + "b";
        plan.port = "COM2";
        std::string error;
        ASSERT_EQ(ryxsim::WriteSettings(platform::JoinPath(ConfigDir(), "registry.reg"), plan, &error), 0u);
    }
    QProcess other;
    other.setProgram(RYXW_PROGRAM);
    other.setArguments({QString::fromStdString("-reg:" + ProgramKey() + "b")});
    other.start();
    ASSERT_TRUE(other.waitForStarted(10000));
    // It runs: it has claimed a socket of its own.
    const std::string otherSocket = SingleInstance::SocketName(ProgramKey() + "bClass");
    const QString path = QDir::temp().filePath(QString::fromStdString(otherSocket));
    ASSERT_TRUE(Until([&] { return QFile::exists(path) || other.state() == QProcess::NotRunning; }, 30000));
    EXPECT_EQ(other.state(), QProcess::Running);
    other.terminate();  // SIGTERM
    ASSERT_TRUE(Until([&] { return other.state() == QProcess::NotRunning; }, 30000));
    EXPECT_EQ(other.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(other.exitCode(), 0);
    sim2.Stop();
}

}  // namespace
}  // namespace e2e
