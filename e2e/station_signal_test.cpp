// SIGTERM, SIGINT and SIGHUP through the station itself, delivered the road a real
// one takes: raise() to the process, the handler's byte through its socket
// pair, the notifier in whatever loop runs (the outermost one, or a box's).
// A signal is a close request of the main window under its close rules: idle,
// the station ends; during a test, the test's question 601, whose No keeps
// the station and the test running to its saved end and whose Yes ends the
// test as Abort Test does (the load off, past 250 s the offer to keep the
// data) before the station ends. A box open at the signal is cancelled first;
// a signal during a box of the start-up (the damaged settings file's, the
// check's) ends the station without the setup sheet. The lockstep fixture
// runs the station and the simulator on one virtual clock; each case runs
// for SIGTERM, SIGINT and SIGHUP (the terminal the station was started from
// has gone).
#include <signal.h>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QMessageBox>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>

#include "app/BatchExportJob.h"
#include "app/CQXRYXMainFrame.h"
#include "app/Termination.h"
#include "app/tests/support/GeneratedTests.h"
#include "data/CQXRYXTestDoc.h"
#include "e2e/support/Lockstep.h"
#include "e2e/support/LockstepStation.h"
#include "e2e/support/SettingsBytes.h"
#include "e2e/support/SheetScript.h"
#include "framework/core/Strings.h"
#include "framework/ui/OpenFileDialog.h"
#include "framework/ui/QtMessageBox.h"
#include "platform/Paths.h"
#include "res/Resource.h"
#include "settings/CQXRegistry.h"
#include "testing/CQXRYXDataView.h"
#include "testing/CQXRYXTestView.h"
#include "testing/RYXTestSetup.h"

namespace e2e {
namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool Screenshot(QWidget& w, const char* name) {
    QDir().mkpath(RYX_E2E_ARTEFACTS);
    return w.grab().toImage().save(QString(RYX_E2E_ARTEFACTS) + "/" + name);
}

std::string SignalName(const ::testing::TestParamInfo<int>& info) {
    switch (info.param) {
        case SIGTERM:
            return "Sigterm";
        case SIGINT:
            return "Sigint";
        case SIGHUP:
            return "Sighup";
    }
    return "Signal" + std::to_string(info.param);
}

// The boxes that start with trigger open for real (a QMessageBox and its own
// loop), and the signal is raised from inside that loop; every other box goes
// to the script. Every box is recorded in order.
class SignalInsideBox : public fw::MessageBoxService {
public:
    SignalInsideBox(fw::ScriptedMessageBox& script, std::string trigger, int signal)
        : m_script(script), m_trigger(std::move(trigger)), m_signal(signal) {}
    int Show(const std::string& text, UINT type, const std::string& caption) override {
        shown.push_back(text);
        if (text.rfind(m_trigger, 0) != 0) return m_script.Show(text, type, caption);
        QTimer::singleShot(0, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                boxShot = box->grab().toImage();
                EXPECT_EQ(raise(m_signal), 0);
            }
        });
        return m_real.Show(text, type, caption);
    }
    std::vector<std::string> shown;
    QImage boxShot;

private:
    fw::ScriptedMessageBox& m_script;
    std::string m_trigger;
    int m_signal;
    fw::QtMessageBox m_real;
};

class StationSignal : public ReadyLockstepStationTest, public ::testing::WithParamInterface<int> {
protected:
    void Signal() { ASSERT_EQ(raise(GetParam()), 0); }

    // The station has ended: the window closed and the loop told to end.
    bool Ended() { return App().QuitPosted() && !frame->isVisible(); }

    TerminationHandler term;
};

TEST_P(StationSignal, IdleEndsTheStationAsFileExitDoes) {
    Signal();
    ASSERT_TRUE(StepUntil([&] { return Ended(); }, 2000));
    EXPECT_EQ(term.Received(), 1);
    EXPECT_EQ(boxes.Count(), 0u);
}

// The preload is on; No: the test goes on to its test load; Yes: the preload
// is taken off and the station ends.
TEST_P(StationSignal, DuringThePreloadNoKeepsTheTestRunning) {
    boxes.Answer({IDOK, IDNO});  // the specimen; 601
    CQXRYXTestView* view = StartTest();
    ASSERT_NE(view, nullptr);
    ASSERT_TRUE(StepUntil([&] { return view->GetState() == TestSequencer::kPreloadRelease; }, 30000))
        << view->GetState();
    Signal();
    ASSERT_TRUE(StepUntil([&] { return boxes.Count() == 2; }, 2000));
    EXPECT_EQ(boxes.Texts()[1], fw::LoadString(601));
    ASSERT_TRUE(StepUntil([&] { return view->GetState() == TestSequencer::kTesting; }, 40000))
        << view->GetState();
    EXPECT_FALSE(App().QuitPosted());
    EXPECT_TRUE(frame->isVisible());
    EXPECT_TRUE(App().m_bTestRunning);
    EXPECT_TRUE(sim->State().testLoad);
}

TEST_P(StationSignal, DuringThePreloadYesTakesThePreloadOffAndEndsTheStation) {
    boxes.Answer({IDOK, IDYES});  // the specimen; 601
    CQXRYXTestView* view = StartTest();
    ASSERT_NE(view, nullptr);
    ASSERT_TRUE(StepUntil([&] { return view->GetState() == TestSequencer::kPreloadRelease; }, 30000))
        << view->GetState();
    Signal();
    ASSERT_TRUE(StepUntil([&] { return Ended(); }, 10000));
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{fw::LoadString(736), fw::LoadString(601)}));
    EXPECT_FALSE(sim->State().testLoad);
    EXPECT_FALSE(App().m_bTestRunning);
}

// No at the signal's question: the station stays, the test runs on and is
// saved at its end with every point; a second signal while the question is
// open changes nothing, and no further question comes.
TEST_P(StationSignal, DuringTheTestNoKeepsTheStationAndTheTestIsSavedAtItsEnd) {
    boxes.Answer({IDOK, IDNO});  // the specimen; 601
    CQXRYXTestView* view = StartTest();
    ASSERT_NE(view, nullptr);
    CQXRYXTestDoc* doc = view->GetDocument();
    ASSERT_NE(doc, nullptr);
    const std::string path = doc->GetPathName();
    ASSERT_TRUE(StepUntil([&] { return doc->GetPointCount() >= 100; }, 120000)) << view->GetState();
    bool asked = false;
    boxes.OnShow([&](const fw::ScriptedMessageBox::Shown& shown) {
        if (shown.text != fw::LoadString(601)) return;
        asked = true;
        // The box as the operator sees it.
        std::unique_ptr<QMessageBox> box(fw::QtMessageBox::Build(shown.text, shown.type, {}));
        box->adjustSize();
        EXPECT_TRUE(Screenshot(*box, "signal-test-question-601.png"));
        // Its loop goes on: readings are recorded, a second signal arrives.
        const int before = doc->GetPointCount();
        EXPECT_EQ(raise(GetParam()), 0);
        for (int i = 0; i < 40; ++i)
            if (!Step(true)) return;
        EXPECT_GT(doc->GetPointCount(), before);
        EXPECT_EQ(term.Received(), 2);
    });
    Signal();
    ASSERT_TRUE(StepUntil([&] { return asked; }, 2000));
    boxes.OnShow(nullptr);
    for (int i = 0; i < 40; ++i) ASSERT_TRUE(Step());
    EXPECT_FALSE(App().QuitPosted());
    EXPECT_TRUE(frame->isVisible());
    EXPECT_TRUE(App().m_bTestRunning);
    EXPECT_TRUE(sim->State().testLoad);
    EXPECT_EQ(boxes.Count(), 2u);  // the specimen, 601 once
    EXPECT_TRUE(Screenshot(*frame, "signal-test-runs-on-after-no.png"));

    ASSERT_TRUE(StepUntil([&] { return !App().m_bTestRunning; }, 300000)) << view->GetState();
    ASSERT_TRUE(StepUntil([&] { return !sim->State().testLoad; }, 5000));
    EXPECT_EQ(doc->GetPointCount(), 501);
    EXPECT_TRUE(HasPointList(ReadAll(path), 501));
    EXPECT_FALSE(App().QuitPosted());
    EXPECT_EQ(boxes.Count(), 2u);
}

// The test reaches its end while the signal's question is open: No keeps
// the station, the finish that waited for the answer saves the test with
// every point and opens its report, and the station is not closed after it.
TEST_P(StationSignal, TheTestEndingWhileTheQuestionIsOpenNoKeepsTheStation) {
    boxes.Answer({IDOK, IDNO});  // the specimen; 601
    CQXRYXTestView* view = StartTest();
    ASSERT_NE(view, nullptr);
    CQXRYXTestDoc* doc = view->GetDocument();
    const std::string path = doc->GetPathName();
    ASSERT_TRUE(StepUntil([&] { return doc->GetPointCount() >= 495; }, 300000)) << view->GetState();
    bool finishedInside = false;
    boxes.OnShow([&](const fw::ScriptedMessageBox::Shown& shown) {
        if (shown.text != fw::LoadString(601)) return;
        // The box's loop goes on until the test has had its last reading.
        for (int i = 0; i < 200 && view->GetState() != TestSequencer::kFinish; ++i)
            if (!Step(true)) return;
        finishedInside = view->GetState() == TestSequencer::kFinish;
    });
    Signal();
    ASSERT_TRUE(StepUntil([&] { return boxes.Count() == 2; }, 2000));
    boxes.OnShow(nullptr);
    EXPECT_TRUE(finishedInside);
    ASSERT_TRUE(StepUntil([&] { return !App().m_bTestRunning && !sim->State().testLoad; }, 10000))
        << view->GetState();
    for (int i = 0; i < 40; ++i) ASSERT_TRUE(Step());
    EXPECT_FALSE(App().QuitPosted());
    EXPECT_TRUE(frame->isVisible());
    EXPECT_EQ(boxes.Count(), 2u) << boxes.Texts().back();
    EXPECT_TRUE(HasPointList(ReadAll(path), 501));
    EXPECT_EQ(App().m_pReportTemplate->GetDocuments().size(), 0u);
    bool reportShown = false;
    for (fw::View* v : doc->GetViews()) reportShown |= dynamic_cast<CQXRYXDataView*>(v) != nullptr;
    EXPECT_TRUE(reportShown) << "the finish opens the test's report";
}

// Yes: the test ends as Abort Test ends it (before 250 s nothing to keep),
// the load comes off before the station ends.
TEST_P(StationSignal, DuringTheTestYesTakesTheLoadOffAndEndsTheStation) {
    boxes.Answer({IDOK, IDYES});  // the specimen; 601
    CQXRYXTestView* view = StartTest();
    ASSERT_NE(view, nullptr);
    CQXRYXTestDoc* doc = view->GetDocument();
    const std::string path = doc->GetPathName();
    ASSERT_TRUE(StepUntil([&] { return doc->GetPointCount() >= 100; }, 120000)) << view->GetState();
    ASSERT_TRUE(sim->State().testLoad);
    Signal();
    ASSERT_TRUE(StepUntil([&] { return Ended(); }, 10000));
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{fw::LoadString(736), fw::LoadString(601)}));
    EXPECT_FALSE(sim->State().testLoad);
    EXPECT_FALSE(App().m_bTestRunning);
    EXPECT_TRUE(App().m_pTestTemplate->GetDocuments().empty());
    EXPECT_FALSE(std::filesystem::exists(path));
}

// Past 250 s (in the recovery), Yes: the offer to keep the data; kept, the
// test is saved with its points and the station ends.
TEST_P(StationSignal, PastTheFirst250SecondsYesOffersToKeepTheData) {
    ASSERT_EQ(theRegistry.SetTestRecoveryTime(60), 0u);  // 601 samples
    boxes.Answer({IDOK, IDYES, IDYES});                  // the specimen; 601; 602
    CQXRYXTestView* view = StartTest();
    ASSERT_NE(view, nullptr);
    CQXRYXTestDoc* doc = view->GetDocument();
    const std::string path = doc->GetPathName();
    ASSERT_TRUE(StepUntil([&] { return doc->GetPointCount() > 500; }, 400000)) << doc->GetPointCount();
    Signal();
    ASSERT_TRUE(StepUntil([&] { return Ended(); }, 10000));
    EXPECT_EQ(boxes.Texts(),
              (std::vector<std::string>{fw::LoadString(736), fw::LoadString(601), fw::LoadString(602)}));
    EXPECT_FALSE(sim->State().testLoad);
    EXPECT_FALSE(App().m_bTestRunning);
    EXPECT_TRUE(HasPointList(ReadAll(path), 501));
}

// Abort Test's own question open at the signal: it stays open and its answer
// decides, No keeping the station and the test, Yes ending both.
TEST_P(StationSignal, AbortTestsQuestionOpenAtTheSignalDecides) {
    boxes.Answer(IDOK);  // the specimen
    CQXRYXTestView* view = StartTest();
    ASSERT_NE(view, nullptr);
    CQXRYXTestDoc* doc = view->GetDocument();
    for (const int answer : {IDNO, IDYES}) {
        boxes.Answer(answer);
        ASSERT_TRUE(StepUntil([&] { return doc->GetPointCount() >= 50 * (answer == IDNO ? 1 : 2); }, 120000));
        const size_t before = boxes.Count();
        boxes.OnShow([&](const fw::ScriptedMessageBox::Shown& shown) {
            if (shown.text != fw::LoadString(601)) return;
            EXPECT_EQ(raise(GetParam()), 0);
            for (int i = 0; i < 10; ++i)
                if (!Step(true)) return;
        });
        frame->UpdateCommandUI();
        QAction* abort = frame->FindAction(ID_TEST_ABORT);
        ASSERT_NE(abort, nullptr);
        ASSERT_TRUE(abort->isEnabled());
        abort->trigger();
        boxes.OnShow(nullptr);
        ASSERT_EQ(boxes.Count(), before + 1);
        EXPECT_EQ(boxes.Texts().back(), fw::LoadString(601));
        if (answer == IDNO) {
            for (int i = 0; i < 40; ++i) ASSERT_TRUE(Step());
            EXPECT_FALSE(App().QuitPosted());
            EXPECT_TRUE(frame->isVisible());
            EXPECT_TRUE(App().m_bTestRunning);
            EXPECT_TRUE(sim->State().testLoad);
        } else {
            ASSERT_TRUE(StepUntil([&] { return Ended(); }, 10000));
            EXPECT_FALSE(sim->State().testLoad);
            EXPECT_FALSE(App().m_bTestRunning);
        }
    }
    EXPECT_EQ(term.Received(), 2);
}

// A step's box open at the signal is cancelled (Cancel at the specimen
// question ends the test, which had no load yet), then the close rules run:
// no question for a test that has ended, and the station ends.
TEST_P(StationSignal, TheSpecimenQuestionOpenIsCancelledAndTheStationEnds) {
    SignalInsideBox inside(boxes, fw::LoadString(736).substr(0, 20), GetParam());
    fw::ServiceScope<fw::MessageBoxService> scope(inside);
    CQXRYXTestView* view = StartTest();
    ASSERT_NE(view, nullptr);
    ASSERT_TRUE(StepUntil([&] { return Ended(); }, 10000)) << view->GetState();
    EXPECT_EQ(inside.shown, std::vector<std::string>{fw::LoadString(736)});
    EXPECT_FALSE(inside.boxShot.isNull());
    QDir().mkpath(RYX_E2E_ARTEFACTS);
    EXPECT_TRUE(inside.boxShot.save(QString(RYX_E2E_ARTEFACTS) + "/signal-specimen-box-736.png"));
    EXPECT_FALSE(App().m_bTestRunning);
    EXPECT_FALSE(sim->State().testLoad);
    EXPECT_TRUE(App().m_pTestTemplate->GetDocuments().empty());
}

INSTANTIATE_TEST_SUITE_P(Signals, StationSignal, ::testing::Values(SIGTERM, SIGINT, SIGHUP), SignalName);

// The start-up check's box open at the signal: it closes, the setup sheet
// does not open after it, and the first idle time ends the station.
class StationSignalAtStart : public StationTest, public ::testing::WithParamInterface<int> {};

TEST_P(StationSignalAtStart, DuringTheStartUpCheckEndsTheStation) {
    TerminationHandler term;
    SignalInsideBox inside(boxes, fw::LoadString(575).substr(0, 20), GetParam());
    fw::ServiceScope<fw::MessageBoxService> scope(inside);
    SheetScript sheet([](setup::CSetupSheet& s) { s.reject(); });
    ASSERT_TRUE(StartStation());  // nothing stored: the check's box
    ASSERT_EQ(inside.shown.size(), 1u);
    EXPECT_EQ(inside.shown[0].rfind(fw::LoadString(575), 0), 0u);
    EXPECT_EQ(term.Received(), 1);
    ASSERT_TRUE(Until([&] { return App().QuitPosted(); }, 5000));
    EXPECT_FALSE(App().m_pMainFrame->isVisible());
    EXPECT_EQ(sheet.Shown(), 0);
    EXPECT_EQ(boxes.Count(), 0u);
    QDir().mkpath(RYX_E2E_ARTEFACTS);
    EXPECT_TRUE(inside.boxShot.save(QString(RYX_E2E_ARTEFACTS) + "/signal-start-up-check-575.png"));
}

// The damaged settings file's box open at the signal: it closes, and
// neither the check's box nor the setup sheet comes after it; the station
// ends with the file as it was and the copy kept of it.
TEST_P(StationSignalAtStart, DuringTheDamagedSettingsBoxEndsTheStation) {
    TerminationHandler term;
    StartInstrument();
    WriteSettings();
    const std::string hive = platform::JoinPath(ConfigDir(), "registry.reg");
    const std::string whole = ReadAll(hive);
    // Cut inside a hex list: two bytes of the eight.
    const std::string cut = whole.substr(0, ValueLineAt(whole, "Deflection", "\"Constant\"=hex:") + 2 * 20);
    ASSERT_EQ(platform::WriteFileAtomic(hive, cut), 0u);
    const std::string damaged = fw::LoadString(940).substr(0, fw::LoadString(940).find("%1"));
    SignalInsideBox inside(boxes, damaged, GetParam());
    fw::ServiceScope<fw::MessageBoxService> scope(inside);
    SheetScript sheet([](setup::CSetupSheet& s) { s.reject(); });

    ASSERT_TRUE(StartStation());
    ASSERT_EQ(inside.shown.size(), 1u) << inside.shown.back();
    EXPECT_EQ(inside.shown[0].rfind(damaged + hive + "\n", 0), 0u) << inside.shown[0];
    EXPECT_EQ(term.Received(), 1);
    ASSERT_TRUE(Until([&] { return App().QuitPosted(); }, 5000));
    EXPECT_FALSE(App().m_pMainFrame->isVisible());
    EXPECT_EQ(sheet.Shown(), 0);
    EXPECT_EQ(boxes.Count(), 0u);
    App().ExitInstance();
    started = false;
    EXPECT_EQ(ReadAll(hive), cut);
    std::vector<std::string> copies;
    for (const auto& e : std::filesystem::directory_iterator(ConfigDir()))
        if (e.path().filename().string().rfind("registry.reg.bad-", 0) == 0) copies.push_back(e.path());
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(ReadAll(copies[0]), cut);
    EXPECT_NE(inside.shown[0].find(copies[0]), std::string::npos) << inside.shown[0];
    QDir().mkpath(RYX_E2E_ARTEFACTS);
    EXPECT_TRUE(inside.boxShot.save(QString(RYX_E2E_ARTEFACTS) + "/signal-damaged-settings-box.png"));
}

// A batch export in progress does not hold the signal back: the export ends
// after the file in hand, every file it wrote is whole, and the station ends.
TEST_P(StationSignalAtStart, DuringABatchExportEndsTheStationAfterTheFileInHand) {
    TerminationHandler term;
    ASSERT_NO_FATAL_FAILURE(StartReadyStation());
    const std::string folder = platform::JoinPath(DataDir(), "tests");
    ASSERT_EQ(platform::EnsureDirectory(folder), 0u);
    const std::string model = platform::JoinPath(folder, "model.ryx");
    ASSERT_TRUE(gentest::WriteTest(model, {}));
    const std::string bytes = ReadAll(model);
    std::vector<std::string> files;
    for (int i = 0; i < 200; ++i) {
        files.push_back(platform::JoinPath(folder, "T" + std::to_string(1000 + i) + ".ryx"));
        std::ofstream(files.back(), std::ios::binary) << bytes;
    }
    fw::ScriptedOpenDialogs dialogs;
    fw::ServiceScope scope(dialogs);
    dialogs.Script({fw::ScriptedOpenDialogs::Ok(files, 1, 0)});
    ASSERT_TRUE(App().m_pMainFrame->OnCmdMsg(ID_BATCH_EXPORT_DATA));
    ASSERT_NE(App().m_pMainFrame->Progress(), nullptr);
    ASSERT_TRUE(Until([&] { return App().ExportJob().Written().size() >= 10; }, 60000));
    ASSERT_EQ(raise(GetParam()), 0);
    ASSERT_TRUE(Until([&] { return App().QuitPosted(); }, 5000));
    EXPECT_FALSE(App().m_pMainFrame->isVisible());
    const std::vector<std::string> written = App().ExportJob().Written();
    EXPECT_LT(written.size(), files.size());
    ASSERT_FALSE(written.empty());
    const size_t whole = ReadAll(written.front()).size();
    EXPECT_GT(whole, 0u);
    for (const std::string& out : written) EXPECT_EQ(ReadAll(out).size(), whole) << out;
    EXPECT_TRUE(App().m_pReportTemplate->GetDocuments().empty()) << "every hidden document closed";
    EXPECT_EQ(boxes.Count(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Signals, StationSignalAtStart, ::testing::Values(SIGTERM, SIGINT, SIGHUP), SignalName);

}  // namespace
}  // namespace e2e
