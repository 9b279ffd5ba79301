// The live test view on the offscreen platform: a test run through the
// view's own message handler, the screenshot of the page during the test,
// the Report command's rule, and the close box of a running test.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QMdiArea>
#include <QPrinter>
#include <QProcess>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>

#include "data/ExportText.h"
#include "framework/core/IdleTasks.h"
#include "framework/core/RecordingDrawContext.h"
#include "framework/ui/Application.h"
#include "framework/ui/Frames.h"
#include "framework/ui/Help.h"
#include "framework/ui/PainterContext.h"
#include "res/Resource.h"
#include "settings/CQXRegistry.h"
#include "support/PageRecorder.h"
#include "support/SequencerFakes.h"
#include "testing/CQXRYXDataFrm.h"
#include "testing/CQXRYXDataView.h"
#include "testing/CQXRYXTestView.h"

namespace {

class FakeStation : public TestStation {
public:
    SequencerInstrument& Instrument(fw::WindowId) override { return beam; }
    SequencerEnvironment& Environment() override { return env; }
    platform::Clock& Clock() override { return clock; }
    void ShowBeamThickness(float mm) override { pane = mm; }
    void ClearBeamThickness() override { pane = -1; }
    bool IsTestRunning() override { return running; }
    void SetTestRunning(bool r) override { running = r; }
    bool OpenReport(CQXRYXTestDoc& d) override {
        ++reports;
        return openReport ? openReport(d) : true;
    }
    void AdvanceDefaultTestName() override {}
    bool AskSavePath(std::string&) override { return false; }

    FakeInstrument beam;
    FakeEnvironment env;
    platform::ManualClock clock{5000};
    float pane = -1;
    bool running = false;
    int reports = 0;
    std::function<bool(CQXRYXTestDoc&)> openReport;  // a real report window, where a test has one
};

class TestView : public testing::Test {
public:
    void SetUp() override {
        char name[] = "/tmp/ryx-view-XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        dir = name;
        setenv("RYX_CONFIG_DIR", dir.c_str(), 1);
        WriteSettings();
        SetUpStation();
        previousStation = SetTestStation(&station);
        previousHost = SetTestDocHost(&docHost);
        frames.Register(IDR_TEST_DATA, {[] { return new CQXRYXTestView; }, [] { return new CQXRYXTestFrm; }, nullptr});
        main.resize(1000, 760);
        main.show();
        doc = static_cast<CQXRYXTestDoc*>(tmpl.OpenDocumentFile(nullptr));
        ASSERT_NE(doc, nullptr);
        view = dynamic_cast<CQXRYXTestView*>(doc->GetViews().front());
        ASSERT_NE(view, nullptr);
    }
    void TearDown() override {
        for (const auto& b : box.Boxes()) EXPECT_TRUE(b.scripted) << "unexpected box: " << b.text;
        SetTestDocHost(previousHost);
        SetTestStation(previousStation);
        std::filesystem::remove_all(dir);
    }
    void SetUpStation() {
        station.env.directory = dir;
        station.beam.readings.remote = TRUE;
        station.beam.readings.mode = 1;
        station.beam.readings.force.m_data = 35.0f;
        station.beam.readings.temperature.m_data = static_cast<float>(bath);
    }
    void WriteSettings() {
        ASSERT_EQ(theRegistry.SetTestProject("Binder PG 64-22"), 0u);
        ASSERT_EQ(theRegistry.SetTestOperator("O"), 0u);
        ASSERT_EQ(theRegistry.SetTestSpecimen("S"), 0u);
        ASSERT_EQ(theRegistry.SetTestFileName("T1"), 0u);
        ASSERT_EQ(theRegistry.SetEquipmentRYX("RYX-7"), 0u);
        ASSERT_EQ(theRegistry.SetTestDirectory(dir), 0u);
        ASSERT_EQ(theRegistry.SetTestBath(bath), 0u);
        ASSERT_EQ(theRegistry.SetTestBathTime(60.0), 0u);
        ASSERT_EQ(theRegistry.SetTestWidth(12.7), 0u);
        ASSERT_EQ(theRegistry.SetTestThickness(6.35), 0u);
        ASSERT_EQ(theRegistry.SetConfidenceTestResult(2.0), 0u);
        ASSERT_EQ(theRegistry.SetConfidenceTestLast(1000), 0u);
        ASSERT_EQ(theRegistry.SetForceConstant(0.5), 0u);
        ASSERT_EQ(theRegistry.SetDeflectionConstant(0.0001), 0u);
        ASSERT_EQ(theRegistry.SetTestSampleInterval(30), 0u);
        ASSERT_EQ(theRegistry.SetTestLoadTime(240), 0u);
        ASSERT_EQ(theRegistry.SetTestRecoveryTime(recoveryTime), 0u);
        ASSERT_EQ(theRegistry.SetDeflectionCompliance(0.00002), 0u);
        ASSERT_EQ(theRegistry.SetLastCalibration(2000), 0u);
    }
    void Update(int n = 1) {
        for (int i = 0; i < n; ++i) view->OnMessage(WM_INSTRUMENT_UPDATE, 0, 0);
    }
    // Creep of a binder beam: deflection growing with a power of time,
    // the force of the 100 g load.
    void Tick() {
        int k = view->Sequencer()->GetStep() + 1;
        double t = std::max(0.5, k * 0.5);
        station.beam.readings.deflection.m_data = static_cast<float>(0.08 * std::pow(t, 0.35));
        station.beam.readings.force.m_data = k < 480 ? 980.0f + static_cast<float>(std::sin(k) * 3) : 30.0f;
        Update();
    }
    void RunToTesting() {
        ASSERT_TRUE(view->StartTest());
        box.Answer(IDOK);
        ToTesting();
    }
    // From the start (the specimen's answer scripted) into the testing.
    void ToTesting() {
        Update(7);
        ASSERT_EQ(view->GetState(), TestSequencer::kRecovery);
        station.clock.Advance(21000);
        view->OnTimer(TestSequencer::kPreloadTimerId);
        Update();
        ASSERT_EQ(view->GetState(), TestSequencer::kTesting);
    }

    // The test bath and the recovery, as the test setup stores them.
    double bath = -12.0;
    DWORD recoveryTime = 10;

    std::string dir;
    fw::ScriptedMessageBox box;
    fw::ServiceScope<fw::MessageBoxService> boxScope{box};
    fw::RecordingBeep beeps;
    fw::ServiceScope<fw::BeepService> beepScope{beeps};
    FakeStation station;
    TestViewDocHost docHost;
    TestStation* previousStation = nullptr;
    TestDocHost* previousHost = nullptr;
    fw::MainFrame main;
    fw::MdiFrameFactory frames{main};
    fw::DocTemplate tmpl{IDR_TEST_DATA, [] { return std::make_unique<CQXRYXTestDoc>(); }, &frames};
    CQXRYXTestDoc* doc = nullptr;
    CQXRYXTestView* view = nullptr;
    unsigned lossStatus = 55;
};

int CountColour(const QImage& img, QRgb colour) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if ((img.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF)) ++n;
    return n;
}

TEST_F(TestView, LiveTestScreenshotAndTheReportRule) {
    RunToTesting();
    EXPECT_EQ(view->cursor().shape(), Qt::WaitCursor);
    fw::ChildFrame* frame = view->GetParentFrame();
    ASSERT_NE(frame, nullptr);
    for (int i = 0; i < 300; ++i) Tick();
    EXPECT_EQ(frame->windowTitle().toStdString(), "T1.ryx    Testing");
    EXPECT_EQ(station.pane, 6.35f);

    fw::CmdUI report(ID_VIEW_REPORT);
    view->OnUpdateCommand(report);
    EXPECT_FALSE(report.IsEnabled());  // not before the test is complete
    fw::CmdUI abort(ID_TEST_ABORT);
    view->OnUpdateCommand(abort);
    EXPECT_TRUE(abort.IsEnabled());

    QApplication::processEvents();
    const QImage page = view->RenderPage();
    const fw::COLORREF c = fw::GetSysColor(fw::COLOR_ACTIVECAPTION);
    const QRgb traceColour = qRgb(fw::GetRValue(c), fw::GetGValue(c), fw::GetBValue(c));
    EXPECT_GT(CountColour(page, traceColour), 500);  // both traces are drawn
    QDir().mkpath(RYX_TEST_ARTEFACTS);
    const QImage shot = main.grab().toImage();
    EXPECT_TRUE(shot.save(QString(RYX_TEST_ARTEFACTS) + "/live-test-view.png"));

    // Complete (point 480 recorded) while the recovery still runs: the
    // report can be seen.
    for (int i = 0; i < 190; ++i) Tick();
    ASSERT_EQ(view->GetState(), TestSequencer::kTesting);
    ASSERT_TRUE(doc->IsTestComplete());
    fw::CmdUI complete(ID_VIEW_REPORT);
    view->OnUpdateCommand(complete);
    EXPECT_TRUE(complete.IsEnabled());

    for (int i = 0; i < 11; ++i) Tick();
    EXPECT_EQ(view->GetState(), TestSequencer::kIdle);
    EXPECT_EQ(view->cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(station.reports, 1);
    fw::CmdUI after(ID_VIEW_REPORT);
    view->OnUpdateCommand(after);
    EXPECT_TRUE(after.IsEnabled());
    EXPECT_EQ(CQXRYXTestView::RunningView(), nullptr);
}

TEST_F(TestView, ClosingTheRunningTestAsksAndStopsTheInstrument) {
    RunToTesting();
    for (int i = 0; i < 50; ++i) Tick();
    fw::ChildFrame* frame = view->GetParentFrame();
    box.Answer(IDNO);
    frame->close();
    QApplication::processEvents();
    EXPECT_EQ(tmpl.GetDocuments().size(), 1u);
    EXPECT_EQ(view->GetState(), TestSequencer::kTesting);
    EXPECT_EQ(box.Texts().back(), fw::LoadString(601));

    box.Answer(IDYES);
    station.beam.refuse["Z"] = 1;  // "D" is still pending at the instrument
    frame->close();
    EXPECT_EQ(tmpl.GetDocuments().size(), 0u);
    EXPECT_FALSE(station.running);
    // "D" ends the instrument's reporting; "Z" follows from the idle work.
    EXPECT_EQ(station.beam.Sent(), "L2 D L480 D");
    int guard = 0;
    while (fw::RunIdleTasks() && ++guard < 10) {
    }
    EXPECT_EQ(station.beam.Sent(), "L2 D L480 D Z");
}

TEST_F(TestView, AbortTestGoesToTheRunningViewFromAnyTestWindow) {
    RunToTesting();
    for (int i = 0; i < 10; ++i) Tick();
    // A second, idle test window (a saved test's graph) is active.
    CQXRYXTestDoc other;
    ASSERT_TRUE(tmpl.CreateFrame(other, true));
    auto* graphView = dynamic_cast<CQXRYXTestView*>(other.GetViews().front());
    ASSERT_NE(graphView, nullptr);
    box.Answer(IDYES);
    EXPECT_TRUE(graphView->OnCommand(ID_TEST_ABORT));
    EXPECT_EQ(tmpl.GetDocuments().size(), 0u);  // the running test's document closed
    EXPECT_EQ(other.GetViews().size(), 1u);      // the graph stays
    EXPECT_EQ(CQXRYXTestView::RunningView(), nullptr);
    fw::CmdUI abort(ID_TEST_ABORT);
    graphView->OnUpdateCommand(abort);
    EXPECT_FALSE(abort.IsEnabled());
    other.OnCloseDocument();
}

TEST_F(TestView, AnAbortedTestClosesItsWindowThroughThePostedFileClose) {
    RunToTesting();
    for (int i = 0; i < 20; ++i) Tick();
    station.beam.readings.deflection.m_data = 6.0f;  // the beam breaks
    box.Answer(IDOK);                                 // 532
    Update();
    Update();
    EXPECT_EQ(box.Texts().back(), "The test sample has been damaged.\n\nTest will be aborted.");
    EXPECT_EQ(doc->m_testState, 6);
    EXPECT_EQ(tmpl.GetDocuments().size(), 1u);
    // The close command arrives through the event loop; no question is asked.
    for (int i = 0; i < 20 && !tmpl.GetDocuments().empty(); ++i) QApplication::processEvents();
    EXPECT_EQ(tmpl.GetDocuments().size(), 0u);
    EXPECT_FALSE(station.running);
    EXPECT_EQ(box.Count(), 2u);  // 736 and 532 only
}

TEST_F(TestView, UpdatesWhileABoxIsOpenOnlyWidenTheTemperatureRange) {
    doc->m_beamThickness.m_data = FLT_MAX;  // a second box, 708, follows the specimen's
    ASSERT_TRUE(view->StartTest());
    int nested = 0;
    box.OnShow([&](const fw::ScriptedMessageBox::Shown&) {
        // The box's own loop delivers the instrument's updates meanwhile.
        station.beam.readings.temperature.m_data = -12.05f;
        Update(3);
        nested += 3;
        EXPECT_EQ(view->GetState(), TestSequencer::kWaiting);
    });
    box.Answer(IDOK);
    Update();
    EXPECT_EQ(nested, 3);
    EXPECT_EQ(box.Count(), 1u);  // the specimen question was not asked again
    EXPECT_EQ(view->GetState(), TestSequencer::kThicknessStart);
    EXPECT_FLOAT_EQ(doc->m_minTemperature.m_data, -12.1f);

    // In the next box (flip the beam) the line goes: the readings fail, as
    // the loop goes on delivering them and what they post.
    const fw::WindowId window = view->Id();
    box.OnShow([&, window](const fw::ScriptedMessageBox::Shown& shown) {
        if (shown.text.rfind("Flip the beam", 0) != 0) return;
        station.beam.readings.temperature.m_data = -11.9f;
        Update();  // a good one first: the range widens
        station.beam.status = 55;
        station.beam.readings = BeamReadings();  // what a reset protocol hands out: zeros
        for (int i = 0; i < 3; ++i) fw::PostMessage(window, WM_INSTRUMENT_UPDATE);
        QApplication::processEvents();
        QApplication::processEvents();
        nested += 4;
        EXPECT_EQ(box.Count(), 2u);  // no loss box inside this one
        EXPECT_EQ(tmpl.GetDocuments().size(), 1u);
    });
    box.Answer({IDOK, IDOK});  // 708, then the loss
    Update();
    EXPECT_EQ(nested, 7);
    box.OnShow(nullptr);
    ASSERT_EQ(box.Count(), 3u);
    EXPECT_EQ(box.Texts()[2], fw::LoadString(304) + "\n\nTest will be aborted.");
    EXPECT_EQ(station.beam.errors.size(), 1u);
    // The failed readings' zeros never reached the document.
    EXPECT_FLOAT_EQ(doc->m_minTemperature.m_data, -12.1f);
    EXPECT_FLOAT_EQ(doc->m_maxTemperature.m_data, -11.9f);
    EXPECT_FLOAT_EQ(doc->m_beamThickness.m_data, FLT_MAX);  // never measured
    // The close posted after the loss box closes the window, once.
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
    EXPECT_TRUE(tmpl.GetDocuments().empty());
    EXPECT_FALSE(station.running);
    EXPECT_EQ(box.Count(), 3u);
}

// The line goes (status 55 or 1117) while one of the sequencer's boxes is
// open, and the box's loop delivers what is posted meanwhile: the updates
// with their failed readings, and whatever they post (a File Close among
// them, were the error path to run inside the box). Then the box is answered.
// Each ends with one report of the loss (none where the test was ending
// already), then the window closed, or the data kept at the offer; never a
// second box, and nothing of the view, its sequencer or its document is
// touched after it has gone (the sanitizer build checks that too).
struct LostInBoxCase {
    const char* name;
    std::function<void(TestView&)> setup;  // before the start
    std::function<void(TestView&)> drive;  // to the box and past it
    UINT box;                              // the box that is open when the line goes
    std::vector<int> answers;              // every box, in order (the specimen's OK aside)
    std::vector<UINT> shown;               // what the operator sees, by string id
    bool kept;                             // the test saved and left open with its report
};

class LostInBox : public TestView {
public:
    // The first line of a string, up to its first format field.
    static std::string Head(UINT id) {
        std::string s = fw::LoadString(id);
        return s.substr(0, std::min(s.find('\n'), s.find('%')));
    }
    void Run(const LostInBoxCase& c, unsigned status) {
        if (c.setup) c.setup(*this);
        for (int a : c.answers) box.Answer(a);
        bool cut = false;
        const fw::WindowId window = view->Id();
        const UINT target = c.box == 304 && status == 1117 ? 300 : c.box;
        box.OnShow([&, window, target](const fw::ScriptedMessageBox::Shown& shown) {
            if (cut || shown.text.rfind(Head(target), 0) != 0) return;
            cut = true;
            station.beam.status = status;
            for (int i = 0; i < 3; ++i) fw::PostMessage(window, WM_INSTRUMENT_UPDATE);
            QApplication::processEvents();
            QApplication::processEvents();
        });
        ASSERT_TRUE(view->StartTest());
        c.drive(*this);
        ASSERT_TRUE(cut) << "the box never opened";
        // What the loop still holds (the close, a last update) goes through.
        for (int i = 0; i < 3; ++i) fw::PostMessage(window, WM_INSTRUMENT_UPDATE);
        for (int i = 0; i < 5; ++i) QApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        box.OnShow(nullptr);

        for (const auto& b : box.Boxes()) EXPECT_TRUE(b.scripted) << "unexpected box: " << b.text;
        EXPECT_EQ(box.Unanswered(), 0u);
        const auto texts = box.Texts();
        ASSERT_EQ(texts.size(), c.shown.size());
        for (size_t i = 0; i < texts.size(); ++i) {
            const UINT id = c.shown[i] == 304 && status == 1117 ? 300 : c.shown[i];
            if (id == 300 || id == 304)
                EXPECT_EQ(texts[i], fw::LoadString(id) + "\n\nTest will be aborted.");
            else
                EXPECT_EQ(texts[i].rfind(Head(id), 0), 0u) << "box " << i << ": " << texts[i];
        }
        EXPECT_FALSE(station.running);
        EXPECT_EQ(CQXRYXTestView::RunningView(), nullptr);
        if (c.kept) {
            ASSERT_EQ(tmpl.GetDocuments().size(), 1u);
            EXPECT_EQ(doc->m_testState, 0);
            EXPECT_EQ(station.reports, 1);
            EXPECT_TRUE(std::filesystem::is_regular_file(dir + "/T1.ryx"));
            tmpl.CloseDocument(doc);
        } else {
            EXPECT_TRUE(tmpl.GetDocuments().empty());
            EXPECT_EQ(station.reports, 0);
            EXPECT_FALSE(std::filesystem::exists(dir + "/T1.ryx"));
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(main.ChildFrames().empty());
    }
};

void Preparing(TestView& t) {
    for (int i = 0; i < 3; ++i) t.view->OnMessage(WM_INSTRUMENT_UPDATE, 0, 0);
}

// Into the testing, n ticks, then the beam breaks (532) at the next update.
std::function<void(TestView&)> Breaking(int ticks) {
    return [ticks](TestView& t) {
        t.ToTesting();
        for (int i = 0; i < ticks; ++i) t.Tick();
        t.station.beam.readings.deflection.m_data = 6.0f;
        for (int i = 0; i < 3; ++i) t.view->OnMessage(WM_INSTRUMENT_UPDATE, 0, 0);
    };
}

// Into the testing, n ticks, then the line goes (the loss box).
std::function<void(TestView&)> Losing(int ticks) {
    return [ticks](TestView& t) {
        t.ToTesting();
        for (int i = 0; i < ticks; ++i) t.Tick();
        t.station.beam.status = t.lossStatus;
        t.view->OnMessage(WM_INSTRUMENT_UPDATE, 0, 0);
    };
}

void LongTest(TestView& t) {
    t.doc->m_totalSamples = 2 * 300 + 480 + 1;
}

TEST_F(LostInBox, EveryBoxOfTheSequencer) {
    const std::vector<LostInBoxCase> cases = {
        {"disk space",
         [](TestView& t) { t.station.env.freeBytes = 100; },
         Preparing,
         137,
         {IDOK, IDOK},
         {137, 304},
         false},
        {"bath calibration",
         [](TestView& t) { t.station.env.calibrated = false; },
         Preparing,
         533,
         {IDOK, IDOK},
         {533, 304},
         false},
        {"temperature",
         [](TestView& t) { t.station.beam.readings.temperature.m_data = -11.8f; },
         Preparing,
         540,
         {IDOK, IDOK},
         {540, 304},
         false},
        {"temperature control off",
         [](TestView& t) {
             t.station.beam.readings.temperature.m_data = -11.8f;
             t.station.beam.readings.mode = 0;
         },
         Preparing,
         543,
         {IDCANCEL, IDOK},
         {543, 304},
         false},
        {"remote",
         [](TestView& t) { t.station.beam.readings.remote = FALSE; },
         Preparing,
         504,
         {IDOK, IDOK},
         {504, 304},
         false},
        {"specimen", nullptr, Preparing, 736, {IDOK, IDOK}, {736, 304}, false},
        {"specimen cancelled", nullptr, Preparing, 736, {IDCANCEL, IDOK}, {736, 304}, false},
        {"contact load",
         [](TestView& t) { t.station.beam.readings.force.m_data = 50.0f; },
         Preparing,
         520,
         {IDOK, IDOK, IDOK},
         {736, 520, 304},
         false},
        {"flip the beam",
         [](TestView& t) {
             t.doc->m_beamThickness.m_data = FLT_MAX;
             t.station.env.datum = 10.0;
         },
         Preparing,
         708,
         {IDOK, IDOK, IDOK},
         {736, 708, 304},
         false},
        {"abort message", nullptr, Breaking(20), 532, {IDOK, IDOK}, {736, 532}, false},
        {"abort message beyond 250 s",
         LongTest,
         Breaking(600),
         532,
         {IDOK, IDOK, IDNO},
         {736, 532, 602},
         false},
        {"offer after the abort, no",
         LongTest,
         Breaking(600),
         602,
         {IDOK, IDOK, IDNO},
         {736, 532, 602},
         false},
        {"offer after the abort, yes",
         LongTest,
         Breaking(600),
         602,
         {IDOK, IDOK, IDYES},
         {736, 532, 602},
         true},
        {"the loss itself", nullptr, Losing(20), 304, {IDOK, IDOK}, {736, 304}, false},
        {"offer after the loss", LongTest, Losing(600), 602, {IDOK, IDOK, IDYES}, {736, 304, 602}, true},
        {"load not released at the finish",
         [](TestView&) {},
         [](TestView& t) {
             t.ToTesting();
             // The load stays on after its end: 548 at the finish.
             while (t.view->GetState() == TestSequencer::kTesting) {
                 const double time = std::max(0.5, (t.view->Sequencer()->GetStep() + 1) * 0.5);
                 t.station.beam.readings.deflection.m_data = static_cast<float>(0.08 * std::pow(time, 0.35));
                 t.station.beam.readings.force.m_data = 980.0f;
                 t.view->OnMessage(WM_INSTRUMENT_UPDATE, 0, 0);
             }
         },
         548,
         {IDOK, IDOK},
         {736, 548},
         true},
    };
    tmpl.CloseDocument(doc);  // each case opens its own
    for (unsigned status : {55u, 1117u}) {
        for (const LostInBoxCase& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (status == 55 ? ", line silent" : ", port failed"));
            box.Clear();
            station.beam = FakeInstrument();
            station.env = FakeEnvironment();
            station.running = false;
            station.reports = 0;
            SetUpStation();
            lossStatus = status;
            std::filesystem::remove(dir + "/T1.ryx");
            doc = static_cast<CQXRYXTestDoc*>(tmpl.OpenDocumentFile(nullptr));
            ASSERT_NE(doc, nullptr);
            view = dynamic_cast<CQXRYXTestView*>(doc->GetViews().front());
            ASSERT_NE(view, nullptr);
            Run(c, status);
            if (HasFatalFailure()) return;
        }
    }
}

TEST_F(TestView, HelpFromTheTestFrame) {
    std::string opened;
    fw::HelpOpener previous = fw::SetHelpOpener([&](const std::string& path) {
        opened = path;
        return true;
    });
    setenv("RYX_HELP_DIR", dir.c_str(), 1);
    std::filesystem::create_directories(dir + "/RYXW");
    std::ofstream(dir + "/RYXW/Testing_a_sample.htm") << "<html></html>";
    auto* frame = dynamic_cast<CQXRYXTestFrm*>(view->GetParentFrame());
    ASSERT_NE(frame, nullptr);
    EXPECT_TRUE(frame->OnCommand(ID_HELP));
    EXPECT_EQ(opened, dir + "/RYXW/Testing_a_sample.htm");
    fw::SetHelpOpener(previous);
    unsetenv("RYX_HELP_DIR");
}

TEST_F(TestView, PrintsThePageWithItsHeaderToAFile) {
    RunToTesting();
    for (int i = 0; i < 100; ++i) Tick();
    QDir().mkpath(RYX_TEST_ARTEFACTS);
    const std::string pdf = std::string(RYX_TEST_ARTEFACTS) + "/live-test-view-printed.pdf";
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(pdf));
    ASSERT_TRUE(view->PrintTo(printer));
    EXPECT_GT(std::filesystem::file_size(pdf), 2000u);
}

// The printed page on a recording printer of 200 x 270 mm (2000 x -2700 in
// 0.1 mm): margins of 166 and -90, graphs 1666 x -900, the label font's text
// height th = 38. The header at the top margin in the 50 font, the rule 2 th
// and the first graph 5 th below it, the second graph two margins below the
// first, and the three lines above the bottom of the second graph.
TEST_F(TestView, PrintedPageHeaderRuleGraphsAndLinesAtTheirOffsets) {
    RunToTesting();
    for (int i = 0; i < 100; ++i) Tick();
    PageRecorder printer(200, 270);
    view->OnDraw(printer);
    const int marginX = 166, marginY = -90, graphHeight = -900, th = 38;

    const PageRecorder::Text* header = printer.FindStarting(fw::LoadString(147) + "     ");
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->fontHeight, 50);
    EXPECT_EQ(header->y, marginY);
    EXPECT_EQ(header->x, (2000 - static_cast<int>(header->text.size()) * 25) / 2);
    ASSERT_FALSE(printer.lines.empty());
    EXPECT_EQ(printer.lines[0].from, (fw::Point{marginX, marginY - 2 * th}));
    EXPECT_EQ(printer.lines[0].to, (fw::Point{2000 - marginX, marginY - 2 * th}));

    // Each graph clips to its area (device units, y down) as it starts, and
    // its trace then to the plot.
    ASSERT_EQ(printer.clips.size(), 4u);
    const int start = marginY - 5 * th;
    EXPECT_EQ(printer.clips[0].left, marginX);
    EXPECT_EQ(printer.clips[0].top, -start);
    EXPECT_EQ(printer.clips[0].bottom - 1, -(start + graphHeight));
    const int forceTop = start + graphHeight + 2 * marginY;
    EXPECT_EQ(printer.clips[2].top, -forceTop);

    const int b = forceTop + graphHeight, gap = th * 25 / 100;
    struct Line {
        UINT label;
        std::string value;
        int y;
    };
    for (const Line& l :
         {Line{455, "T1", b - th}, Line{450, "Binder PG 64-22", b - 2 * th - gap},
          Line{454, exporttext::LocaleTimeText(doc->m_testTime, "%x"), b - 3 * th - 2 * gap}}) {
        SCOPED_TRACE(l.label);
        const PageRecorder::Text* label = printer.Find(fw::LoadString(l.label));
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->x, marginX);
        EXPECT_EQ(label->y, l.y);
        EXPECT_EQ(label->fontHeight, th);
        const PageRecorder::Text* value = printer.Find(l.value);
        ASSERT_NE(value, nullptr);
        EXPECT_EQ(value->x, 3 * marginX);
        EXPECT_EQ(value->y, l.y);
    }
}

TEST_F(TestView, ScrollingKeysMoveTheSmallWindowOverThePage) {
    main.resize(420, 300);
    QApplication::processEvents();
    const fw::Size total = view->GetTotalSize();
    EXPECT_GT(total.cx, 0);
    EXPECT_GT(total.cy, total.cx);  // two graphs stacked
    EXPECT_EQ(view->GetScrollPosition().y, 0);
    view->OnKeyDown(fw::VK_NEXT, 1, 0);
    const int down = view->GetDeviceScrollPosition().y;
    EXPECT_GT(down, 0);
    view->OnKeyDown(fw::VK_UP, 1, 0);
    EXPECT_LT(view->GetDeviceScrollPosition().y, down);
    view->OnKeyDown(fw::VK_END, 1, 0);
    EXPECT_GT(view->GetDeviceScrollPosition().x, 0);
    view->OnKeyDown(fw::VK_HOME, 1, 0);
    EXPECT_EQ(view->GetDeviceScrollPosition().x, 0);
}

TEST_F(TestView, AnEndRefusedAtTheLastTickIsSentFromTheIdleWork) {
    RunToTesting();
    for (int i = 0; i < 500; ++i) Tick();
    station.beam.refuse["D"] = 2;  // the end command and its first retry
    Tick();                        // the last tick: the test finishes
    EXPECT_EQ(view->GetState(), TestSequencer::kIdle);
    EXPECT_EQ(station.beam.Sent(), "L2 D L480");
    for (int i = 0; i < 5 && fw::RunIdleTasks(); ++i) {
    }
    EXPECT_EQ(station.beam.Sent(), "L2 D L480 D");
}

// A report opened from the test window during a long recovery, then a bath
// that strays: the report's warnings follow the temperature range the
// sequencer widens, on the screen and on the page printed from that window,
// and the finish brings the same window forward, its test as saved.
class ReportDuringRecovery : public TestView {
public:
    ReportDuringRecovery() {
        bath = -18.0;
        recoveryTime = 600;  // 1681 ticks; the points complete at tick 500
    }
    void SetUp() override {
        TestView::SetUp();
        frames.Register(IDR_TEST_REPORT,
                        {[] { return new CQXRYXDataView; }, [] { return new CQXRYXDataFrm; }, nullptr});
        station.env.calibrationDate = 1704103200;  // 2024-01-01
        // As the station does: the document's report window comes forward,
        // or one opens.
        station.openReport = [this](CQXRYXTestDoc& d) {
            if (CQXRYXDataView* open = Report()) {
                open->GetParentFrame()->ActivateFrame(-1);
                return true;
            }
            return reports.CreateFrame(d, true);
        };
    }
    void TearDown() override {
        while (!tmpl.GetDocuments().empty()) tmpl.CloseDocument(tmpl.GetDocuments().front().get());
        for (int i = 0; i < 4; ++i) QApplication::processEvents();
        TestView::TearDown();
    }
    CQXRYXDataView* Report() const { return Reports().empty() ? nullptr : Reports().front(); }
    std::vector<CQXRYXDataView*> Reports() const {
        std::vector<CQXRYXDataView*> found;
        if (doc)
            for (fw::View* v : doc->GetViews())
                if (auto* r = dynamic_cast<CQXRYXDataView*>(v)) found.push_back(r);
        return found;
    }
    // The report window's pixels of the warning's pure red.
    int RedOnScreen(CQXRYXDataView& report) {
        QApplication::processEvents();
        return CountColour(report.grab().toImage(), qRgb(255, 0, 0));
    }
    // The page printed from the active window (Print Direct), as text.
    std::string PrintedText(const std::string& name) {
        const std::string pdf = std::string(RYX_TEST_ARTEFACTS) + "/" + name;
        QDir().mkpath(RYX_TEST_ARTEFACTS);
        std::filesystem::remove(pdf);
        const fw::PrinterSetup previous = fw::SetPrinterSetup([&](QPrinter& p) {
            p.setOutputFormat(QPrinter::PdfFormat);
            p.setOutputFileName(QString::fromStdString(pdf));
        });
        EXPECT_TRUE(main.OnCmdMsg(ID_FILE_PRINT_DIRECT));
        fw::SetPrinterSetup(previous);
        QProcess text;
        text.start("pdftotext", {"-layout", QString::fromStdString(pdf), "-"});
        if (!text.waitForFinished(60000) || text.exitCode() != 0) return {};
        return text.readAllStandardOutput().toStdString();
    }

    fw::DocTemplate reports{IDR_TEST_REPORT, [] { return std::make_unique<CQXRYXTestDoc>(); }, &frames};
};

TEST_F(ReportDuringRecovery, TheOpenReportWarnsOfTheStrayBathOnScreenAndPaperToTheEnd) {
    const std::string warning = "WARNING! - Temperature out of tolerance";
    RunToTesting();
    for (int i = 0; i < 520; ++i) Tick();  // 260 s: the recovery, points complete
    ASSERT_EQ(view->GetState(), TestSequencer::kTesting);
    fw::CmdUI ui(ID_VIEW_REPORT);
    view->OnUpdateCommand(ui);
    ASSERT_TRUE(ui.IsEnabled());
    ASSERT_TRUE(view->OnCommand(ID_VIEW_REPORT));  // View > Report
    CQXRYXDataView* report = Report();
    ASSERT_NE(report, nullptr);
    EXPECT_FALSE(report->Model().Warning541());
    EXPECT_FALSE(report->Model().Warning542());
    EXPECT_EQ(RedOnScreen(*report), 0);

    // The bath strays to -17.6 for three readings, then comes back.
    station.beam.readings.temperature.m_data = -17.6f;
    for (int i = 0; i < 3; ++i) Tick();
    station.beam.readings.temperature.m_data = -18.0f;
    for (int i = 0; i < 20; ++i) Tick();
    ASSERT_EQ(view->GetState(), TestSequencer::kTesting);
    EXPECT_FLOAT_EQ(doc->m_maxTemperature.m_data, -17.6f);
    EXPECT_TRUE(report->Model().Warning541());
    EXPECT_EQ(report->Model().WarningText541().rfind(warning, 0), 0u) << report->Model().WarningText541();
    EXPECT_GT(RedOnScreen(*report), 1000);
    const std::string during = PrintedText("report-during-recovery.pdf");
    ASSERT_FALSE(during.empty()) << "pdftotext (poppler-utils) is needed";
    EXPECT_NE(during.find(warning), std::string::npos) << during;
    EXPECT_NE(during.find("-17.6"), std::string::npos);
    EXPECT_TRUE(main.grab().toImage().save(QString(RYX_TEST_ARTEFACTS) + "/report-during-recovery-541.png"));

    // To the finish: saved, and the same window brought forward, no second.
    const fw::WindowId first = report->GetParentFrame()->Id();
    for (int i = 0; i < 1681 && view->GetState() != TestSequencer::kIdle; ++i) Tick();
    ASSERT_EQ(view->GetState(), TestSequencer::kIdle);
    ASSERT_FALSE(doc->IsModified());
    EXPECT_EQ(station.reports, 2);
    ASSERT_EQ(Reports().size(), 1u);
    EXPECT_EQ(Report()->GetParentFrame()->Id(), first);
    EXPECT_EQ(main.GetActiveFrame(), Report()->GetParentFrame());
    EXPECT_TRUE(Report()->Model().Warning541());
    EXPECT_GT(RedOnScreen(*Report()), 1000);
    const std::string after = PrintedText("report-after-finish.pdf");
    EXPECT_NE(after.find(warning), std::string::npos) << after;
    // The results the finish computed are on the page too.
    EXPECT_NE(after.find(doc->m_measuredStiffness[3].Format("%.3g")), std::string::npos) << after;
    EXPECT_GT(doc->m_measuredStiffness[3].m_data, 0.0f);
}

// DrawGraph and DrawTrace on an image: a joined trace draws lines between
// its points, an unjoined one only its markers; points that are not numbers
// are skipped and the others still drawn.
TEST(DrawGraphOnImage, JoinedAndUnjoinedTracesAndBadPoints) {
    auto render = [](bool join, bool nanPoint) {
        QImage image(400, 300, QImage::Format_RGB32);
        image.fill(Qt::white);
        CGraphTrace trace(3, fw::RGB(255, 0, 0), join, fw::PS_SOLID, 2, 6);
        CQXDataPoint a(0, 0), b(10, 10), bad(std::nanf(""), 5);
        trace.SetAtGrow(0, &a);
        trace.SetAtGrow(1, nanPoint ? &bad : &a);
        trace.SetAtGrow(2, &b);
        CGraph graph;
        SetAxisRange(graph.m_xAxis, 0, 10, 2);
        SetAxisRange(graph.m_yAxis, 0, 10, 2);
        graph.m_pTraces = &trace;
        graph.m_nTraces = 1;
        {
            fw::PainterContext dc(image);
            fw::LogFont font;
            font.lfFaceName = "Arial";
            font.lfHeight = 14;
            dc.SelectFont(font);
            fw::Rect area;
            DrawGraph(graph, area, dc, 0, 0, 400, 300, true);
            EXPECT_GT(area.Width(), 0);
        }
        return CountColour(image, qRgb(255, 0, 0));
    };
    const int joined = render(true, false);
    const int markers = render(false, false);
    EXPECT_GT(markers, 0);
    EXPECT_GT(joined, markers + 100);
    EXPECT_EQ(render(true, true), joined);
}

// The trace on a y-up page (MM_LOMETRIC, as the test window and its printout
// draw): each point's marker centred where its values put it in the plot, in
// device units, the largest y at the plot's top, and the lines joining the
// points in their order.
TEST(DrawGraphOnImage, TracePointsLandWhereTheirValuesPutThemInDeviceUnits) {
    QImage image(700, 500, QImage::Format_RGB32);
    image.setDotsPerMeterX(qRound(96 / 0.0254));
    image.setDotsPerMeterY(qRound(96 / 0.0254));
    image.fill(Qt::white);
    const CQXDataPoint points[] = {{0, 0}, {2.5f, 10}, {5, 4}, {10, 7.5f}};
    CGraphTrace trace(4, fw::RGB(255, 0, 0), true, fw::PS_SOLID, 5, 40);
    for (int i = 0; i < 4; ++i) trace.SetAtGrow(i, &points[i]);
    CGraph graph;
    SetAxisRange(graph.m_xAxis, 0, 10, 2);
    SetAxisRange(graph.m_yAxis, 0, 10, 2);
    graph.m_xAxis.m_title = "Time (s)";
    graph.m_yAxis.m_title = "Force (mN)";
    graph.m_pTraces = &trace;
    graph.m_nTraces = 1;
    fw::PainterContext painter(image);
    fw::RecordingDrawContext dc(painter);
    dc.SetMapMode(fw::MM_LOMETRIC);
    fw::LogFont font;
    font.lfFaceName = "Arial";
    font.lfHeight = 40;  // 4 mm
    dc.SelectFont(font);
    fw::Rect area;
    DrawGraph(graph, area, dc, 100, -100, 1600, -1100, true);

    const GraphLayout& l = graph.m_layout;
    ASSERT_GT(l.plotWidth, 300);
    ASSERT_GT(l.plotHeight, 200);
    auto expected = [&](const CQXDataPoint& p) {
        return fw::Point{static_cast<int>(p.m_x * l.plotWidth / 10.0f + l.plotLeft),
                         static_cast<int>((0.0f - p.m_y) * l.plotHeight / 10.0f + l.plotTop + l.plotHeight)};
    };
    const auto markers = dc.All(fw::RecordingDrawContext::Op::Ellipse);
    ASSERT_EQ(markers.size(), 4u);
    const int r = 20 * 96 / 254;  // the marker's radius, 2 mm
    for (size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const fw::Point at = expected(points[i]);
        const fw::Rect& m = markers[i]->device;
        EXPECT_EQ((m.left + m.right) / 2, at.x);
        EXPECT_EQ((m.top + m.bottom) / 2, at.y);
        EXPECT_NEAR(m.right - m.left, 2 * r, 2);
    }
    // The extremes on the plot's edges: y = 0 on its bottom, y = 10 on its top.
    EXPECT_EQ(expected(points[0]), (fw::Point{l.plotLeft, l.plotTop + l.plotHeight}));
    EXPECT_EQ(expected(points[1]).y, l.plotTop);
    // The plot itself inside the area the page gave, in device units.
    const fw::Point corner = painter.LPtoDP(fw::Point{100, -100});
    EXPECT_GE(l.plotLeft, corner.x);
    EXPECT_GE(l.plotTop, corner.y);
    // The trace's lines are the last three drawn, point to point.
    const auto lines = dc.All(fw::RecordingDrawContext::Op::Line);
    ASSERT_GE(lines.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        const fw::Rect& line = lines[lines.size() - 3 + i]->device;
        EXPECT_EQ((fw::Point{line.left, line.top}), expected(points[i])) << i;
        EXPECT_EQ((fw::Point{line.right, line.bottom}), expected(points[i + 1])) << i;
    }
    // And the pixels agree: the marker of the point at the top is red.
    const fw::Point top = expected(points[1]);
    EXPECT_EQ(image.pixel(top.x, top.y + 2) & 0xFFFFFF, 0xFF0000u);
}

}  // namespace
