// A whole test through the station itself: the application offscreen, New
// Test, the Test Setup dialog answered OK, the test running in its live test
// view on the simulated instrument, to the saved file, the LIMS file and the
// report window the finish opens. The simulator, the station's own
// instrument worker and the window timers share one virtual clock, which the
// test moves a worker pass at a time, and every pass waits (by event) for
// every byte sent either way to have arrived: some four minutes of protocol
// time take seconds, whatever the machine's speed or load.
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include "app/CQXRYXMainFrame.h"
#include "data/CQXRYXTestDoc.h"
#include "data/ExportFormats.h"
#include "data/tests/support/SavedTest.h"
#include "e2e/support/Lockstep.h"
#include "e2e/support/LockstepStation.h"
#include "framework/ui/Frames.h"
#include "framework/ui/Window.h"
#include "platform/Paths.h"
#include "res/Resource.h"
#include "settings/CQXRegistry.h"
#include "testing/CQXRYXDataFrm.h"
#include "testing/CQXRYXDataView.h"
#include "testing/CQXRYXTestView.h"
#include "testing/RYXTestSetup.h"

namespace e2e {
namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class StationWholeTest : public LockstepStationTest {
protected:
    CQXRYXDataView* ActiveReport() {
        fw::ChildFrame* f = frame->GetActiveFrame();
        return f ? dynamic_cast<CQXRYXDataView*>(f->GetActiveView()) : nullptr;
    }
    bool Screenshot(const char* name) {
        QDir().mkpath(RYX_E2E_ARTEFACTS);
        return frame->grab().toImage().save(QString(RYX_E2E_ARTEFACTS) + "/" + name);
    }
};

TEST_F(StationWholeTest, NewTestRunsInItsLiveViewToTheSavedFileTheLimsFileAndTheReport) {
    // The link up: the version asked and answered, readings polled.
    ASSERT_TRUE(StepUntil([&] { return App().m_beam.GetFirmwareVersion() == "2.000"; }, 5000));
    for (int i = 0; i < 40; ++i) ASSERT_TRUE(Step());
    frame->UpdateCommandUI();
    QAction* run = frame->FindAction(ID_FILE_NEW);
    ASSERT_NE(run, nullptr);
    ASSERT_TRUE(run->isEnabled());

    // New Test; the setup as proposed, results also to the LIMS file; OK.
    std::string name;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<RYXTestSetup*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        name = dialog->FileNameField()->text().toStdString();
        auto* lims = qobject_cast<QCheckBox*>(dialog->GetDlgItem(RYXTestSetup::IDC_SAVE_LIMS));
        ASSERT_NE(lims, nullptr);
        lims->setChecked(true);
        dialog->accept();
    });
    boxes.Answer({IDOK, IDOK, IDOK, IDOK});  // the bath calibration's reminder, the specimen
    run->trigger();
    ASSERT_FALSE(name.empty());
    CQXRYXTestView* view = CQXRYXTestView::RunningView();
    ASSERT_NE(view, nullptr);
    CQXRYXTestDoc* doc = view->GetDocument();
    ASSERT_NE(doc, nullptr);
    EXPECT_TRUE(App().m_bTestRunning);

    // Half way through the loading, the live view as the operator sees it.
    ASSERT_TRUE(StepUntil([&] { return view->GetState() == TestSequencer::kTesting; }, 120000))
        << "state " << view->GetState();
    ASSERT_TRUE(StepUntil([&] { return doc->GetPointCount() >= 250; }, 200000)) << doc->GetPointCount();
    EXPECT_TRUE(sim->State().testLoad);
    EXPECT_TRUE(Screenshot("station-whole-test-live.png"));

    // To the end: the test is no longer running and its report is open. The
    // bath warms over the last ten points, 0.1 degC a point, so that the
    // reading the test finishes on is the warmest.
    ASSERT_TRUE(StepUntil(
        [&] {
            if (const int n = doc->GetPointCount(); n > 490) sim->SetBathTemperature(-12.0 + 0.1 * (n - 490));
            return !App().m_bTestRunning;
        },
        300000))
        << "state " << view->GetState();
    ASSERT_TRUE(StepUntil([&] { return ActiveReport() != nullptr; }, 2000));
    // What is left of the stop goes out from the idle work.
    ASSERT_TRUE(StepUntil([&] { return !sim->State().testLoad; }, 5000));

    for (const std::string& text : boxes.Texts())
        EXPECT_TRUE(text.rfind("A temperature calibration", 0) == 0 ||
                    text.rfind("Place the test specimen", 0) == 0)
            << text;
    CQXRYXDataView* report = ActiveReport();
    ASSERT_NE(report, nullptr);
    EXPECT_EQ(report->GetDocument(), doc);
    EXPECT_NE(dynamic_cast<CQXRYXDataFrm*>(report->GetParentFrame()), nullptr);  // template 129's frame

    const std::string path = platform::JoinPath(DataDir(), name + ".ryx");
    EXPECT_EQ(doc->GetPathName(), path);
    EXPECT_EQ(doc->GetPointCount(), 501);
    EXPECT_TRUE(HasPointList(ReadAll(path), 501));
    EXPECT_TRUE(std::filesystem::is_regular_file(exportformat::LimsPath(path)));
    // The report shows the test that was saved and exported.
    EXPECT_NEAR(doc->m_maxTemperature.m_data, -10.9, 0.051);
    EXPECT_FALSE(doc->IsModified());
    EXPECT_TRUE(SavedAsInMemory(*doc, true));
    // Within the simulator's binder: 200 MPa and m = 0.35 at -12 degC.
    EXPECT_NEAR(doc->m_measuredStiffness[3].m_data, 200.0, 10.0);
    EXPECT_NEAR(doc->m_mValue[3].m_data, 0.35, 0.02);

    Pump();
    EXPECT_TRUE(Screenshot("station-whole-test-report.png"));
}

}  // namespace
}  // namespace e2e
