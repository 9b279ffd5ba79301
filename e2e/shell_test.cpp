// The main window's commands, panes and close rule, and the opening of files,
// on a station started with nothing stored.
#include <QAction>
#include <QCoreApplication>
#include <QEvent>
#include <QMimeData>
#include <QUrl>
#include <cstdlib>
#include <stdexcept>

#include "app/CAboutBox.h"
#include "app/CQXRYXMainFrame.h"
#include "app/CStatus.h"
#include "app/Help.h"
#include "e2e/support/SheetScript.h"
#include "e2e/support/Station.h"
#include "framework/core/Strings.h"
#include "platform/Paths.h"
#include "testing/CQXRYXDataView.h"

namespace e2e {
namespace {

class ShellTest : public StationTest {
protected:
    void SetUp() override {
        StationTest::SetUp();
        // Nothing is stored: the settings check posts Instrument Setup,
        // whose sheet is cancelled here.
        SheetScript cancel([](setup::CSetupSheet& sheet) { sheet.reject(); });
        ASSERT_TRUE(StartStation());
        ASSERT_TRUE(Until([&] { return cancel.Shown() == 1; }));
        boxes.Clear();  // the settings check's box
        frame = App().m_pMainFrame;
        frame->UpdateCommandUI();
    }
    CQXRYXMainFrame* frame = nullptr;
};

TEST_F(ShellTest, CommandsOfTheMenusAreOffWhileATestRuns) {
    // The commands that must not start while a test runs.
    const UINT guarded[] = {ID_FILE_NEW,         ID_CALIBRATE_DEFLECTION,  ID_CALIBRATE_FORCE, ID_CONFIDENCE_TEST,
                            ID_SETUP_INSTRUMENT, ID_CALIBRATE_TEMPERATURE, ID_CALIBRATE_DATUM, ID_VERIFICATION};
    // Those that stay open to the operator during a test.
    const UINT open[] = {ID_FILE_OPEN, ID_BATCH_EXPORT_DATA, ID_BATCH_EXPORT_RESULTS, ID_CALCULATE_DELTA_TC};
    for (UINT id : guarded) {
        QAction* a = frame->FindAction(id);
        ASSERT_NE(a, nullptr) << id;
        EXPECT_TRUE(a->isEnabled()) << a->text().toStdString();
    }
    for (UINT id : open) {
        QAction* a = frame->FindAction(id);
        ASSERT_NE(a, nullptr) << id;
        EXPECT_TRUE(a->isEnabled()) << a->text().toStdString();
    }
    for (UINT id : {ID_APP_ABOUT, ID_HELP_FINDER, ID_VIEW_INSTRUMENT_STATUS, ID_APP_EXIT}) {
        ASSERT_NE(frame->FindAction(id), nullptr) << id;
        EXPECT_TRUE(frame->FindAction(id)->isEnabled()) << id;
    }
    // Print needs a window to print.
    EXPECT_FALSE(frame->FindToolAction(ID_FILE_PRINT)->isEnabled());
    EXPECT_TRUE(frame->FindToolAction(ID_FILE_NEW)->isEnabled());

    App().m_bTestRunning = TRUE;
    frame->UpdateCommandUI();
    for (UINT id : guarded) EXPECT_FALSE(frame->FindAction(id)->isEnabled()) << frame->FindAction(id)->text().toStdString();
    for (UINT id : open) EXPECT_TRUE(frame->FindAction(id)->isEnabled()) << frame->FindAction(id)->text().toStdString();
    EXPECT_FALSE(frame->FindToolAction(ID_FILE_NEW)->isEnabled());
    App().m_bTestRunning = FALSE;
}

TEST_F(ShellTest, InstrumentStatusTogglesTheBarWhichStaysRegistered) {
    QAction* a = frame->FindAction(ID_VIEW_INSTRUMENT_STATUS);
    ASSERT_NE(a, nullptr);
    EXPECT_TRUE(frame->InstrumentBar()->isVisible());
    EXPECT_TRUE(a->isChecked());
    frame->OnCmdMsg(ID_VIEW_INSTRUMENT_STATUS);
    frame->UpdateCommandUI();
    EXPECT_FALSE(frame->InstrumentBar()->isVisible());
    EXPECT_FALSE(a->isChecked());
    frame->OnCmdMsg(ID_VIEW_INSTRUMENT_STATUS);
    frame->UpdateCommandUI();
    EXPECT_TRUE(frame->InstrumentBar()->isVisible());
    EXPECT_TRUE(frame->InstrumentBar()->isFloating() == false);
    EXPECT_EQ(frame->dockWidgetArea(frame->InstrumentBar()), Qt::RightDockWidgetArea);
}

TEST_F(ShellTest, PlacementTitleAndBeamThicknessPane) {
    EXPECT_EQ(frame->geometry().topLeft(), QPoint(20, 20));
    EXPECT_EQ(frame->size(), QSize(750, 550));
    EXPECT_EQ(frame->windowTitle().toStdString().rfind("RYXw", 0), 0u);
    EXPECT_EQ(frame->GetPaneText(0), fw::LoadString(57345));
    EXPECT_EQ(frame->GetPaneText(1), "");
    const float mm = 6.254f;
    frame->ShowBeamThickness(&mm);
    frame->UpdateCommandUI();
    EXPECT_EQ(frame->GetPaneText(1), "  Beam Thickness = 6.25 mm  ");
    frame->ClearBeamThickness();
    frame->UpdateCommandUI();
    EXPECT_EQ(frame->GetPaneText(1), "");
}

TEST_F(ShellTest, CloseIsRefusedWhileAnExportProgresses) {
    frame->BeginProgress(fw::LoadString(649), 3);
    EXPECT_FALSE(frame->close());
    EXPECT_TRUE(frame->isVisible());
    EXPECT_FALSE(App().QuitPosted());
    frame->EndProgress();
    EXPECT_TRUE(frame->close());
    EXPECT_TRUE(App().QuitPosted());
}

TEST_F(ShellTest, FilesOpenThroughTheTemplateOfTheirExtensionWhateverItsCase) {
    // Test files open in report windows (template 129), whatever the case
    // of their extension; an empty one is an empty report.
    for (const char* name : {"T1.RYX", "t2.ryx"}) {
        boxes.Clear();
        const std::string path = platform::JoinPath(ConfigDir(), name);
        ASSERT_EQ(platform::WriteFileAtomic(path, ""), 0u);
        fw::Document* doc = App().OpenShellFile(path);
        ASSERT_NE(doc, nullptr) << name;
        EXPECT_EQ(boxes.Count(), 0u) << name;
        EXPECT_EQ(doc->GetDocTemplate(), App().m_pReportTemplate);
        ASSERT_EQ(doc->GetViews().size(), 1u);
        EXPECT_NE(dynamic_cast<CQXRYXDataView*>(doc->GetViews().front()), nullptr);
        // Opened again, the same window comes forward.
        EXPECT_EQ(App().OpenShellFile(path), doc);
        EXPECT_EQ(doc->GetViews().size(), 1u);
    }
    // A DOS-version file goes to template 135, whose import wants its pair.
    boxes.Clear();
    EXPECT_EQ(App().OpenShellFile("/home/lab/OLD.bdt"), nullptr);
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_NE(boxes.Texts()[0].find("OLD.DAT"), std::string::npos) << boxes.Texts()[0];
    // A test file that is not there.
    boxes.Clear();
    EXPECT_EQ(App().OpenShellFile("/home/lab/T3.RYX"), nullptr);
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Texts()[0], fw::LoadString(61697) + "\n\n/home/lab/T3.RYX does not exist.");
    boxes.Clear();
    EXPECT_EQ(App().OpenShellFile("/home/lab/notes.txt"), nullptr);
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Texts()[0], fw::LoadString(61697));
    // By type: 1 to 5 are templates, others open nothing and say nothing;
    // a new test needs its settings, which this station lacks.
    boxes.Clear();
    EXPECT_EQ(App().OpenDocumentFile("/home/lab/T1.RYX", 9), nullptr);
    EXPECT_EQ(boxes.Count(), 0u);
    EXPECT_EQ(App().OpenDocumentFile(nullptr, 0), nullptr);
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Texts()[0], fw::LoadString(260));
}

TEST_F(ShellTest, AboutBoxWithNothingStoredShowsQuestionMarks) {
    CAboutBox box(frame, App().m_beam);
    ASSERT_TRUE(box.OnInitDialog());
    EXPECT_EQ(box.windowTitle().toStdString(), "About RYXw");
    for (int id : {CAboutBox::kFirmware, CAboutBox::kDeflectionConstant, CAboutBox::kForceConstant,
                   CAboutBox::kCompliance})
        EXPECT_EQ(box.GetDlgItemText(id), "?") << id;
}

TEST_F(ShellTest, HelpTopicsComeFromTheInstalledHelpNotTheDataDirectory) {
    const std::string help = platform::JoinPath(ConfigDir(), "help");
    ASSERT_EQ(platform::EnsureDirectory(platform::JoinPath(help, "RYXW")), 0u);
    const std::string page = platform::JoinPath(help, "RYXW/Testing_a_sample.htm");
    ASSERT_EQ(platform::WriteFileAtomic(page, "<html></html>"), 0u);
    setenv("RYX_HELP_DIR", help.c_str(), 1);
    std::vector<std::string> opened;
    const fw::HelpOpener previous = fw::SetHelpOpener([&](const std::string& p) {
        opened.push_back(p);
        return true;
    });
    for (UINT id : {ID_HELP_FINDER, ID_HELP, ID_DEFAULT_HELP}) EXPECT_TRUE(frame->OnCmdMsg(id));
    fw::SetHelpOpener(previous);
    unsetenv("RYX_HELP_DIR");
    EXPECT_EQ(opened, (std::vector<std::string>(3, page)));
    EXPECT_EQ(boxes.Count(), 0u);
}

TEST_F(ShellTest, DroppedFilesOpenLikeFilesOnTheCommandLine) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile("/home/lab/OLD.BDT"), QUrl::fromLocalFile("/home/lab/T9.Ryx")});
    EXPECT_TRUE(frame->acceptDrops());
    frame->OpenDropped(data);
    // The DOS-version file through its template (its pair is missing), the
    // test file through the report's (not there either).
    ASSERT_EQ(boxes.Count(), 2u);
    EXPECT_NE(boxes.Texts()[0].find("OLD.DAT"), std::string::npos) << boxes.Texts()[0];
    EXPECT_EQ(boxes.Texts()[1], fw::LoadString(61697) + "\n\n/home/lab/T9.Ryx does not exist.");
}

TEST_F(ShellTest, TemplatesInTheFrameworksOrder) {
    std::vector<UINT> ids;
    for (const fw::DocTemplate* t : App().Templates()) ids.push_back(t->GetResourceId());
    EXPECT_EQ(ids, (std::vector<UINT>{129, 130, 135, 136, 134}));
}

TEST_F(ShellTest, AnExceptionInAHandlerIsReportedAndTheStationGoesOn) {
    class Thrower : public QObject {
    public:
        bool event(QEvent* e) override {
            if (e->type() == QEvent::User) throw std::runtime_error("handler failed");
            return QObject::event(e);
        }
    } thrower;
    QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
    ASSERT_TRUE(Until([&] { return boxes.Count() == 1; }));
    EXPECT_NE(boxes.Texts()[0].find("handler failed"), std::string::npos);
    // Still running: a later event is handled as usual.
    bool later = false;
    QMetaObject::invokeMethod(
        &App(), [&] { later = true; }, Qt::QueuedConnection);
    EXPECT_TRUE(Until([&] { return later; }));
    EXPECT_FALSE(App().QuitPosted());
}

}  // namespace
}  // namespace e2e
