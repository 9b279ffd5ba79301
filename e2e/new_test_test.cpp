// Run a New Test on a started station: the Test Setup dialog, its values in
// the settings, and the command's rule while a test runs.
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QTimer>

#include "app/CQXRYXMainFrame.h"
#include "e2e/support/Station.h"
#include "framework/core/Strings.h"
#include "settings/CQXRegistry.h"
#include "res/Resource.h"
#include "data/CQXRYXTestDoc.h"
#include "testing/CQXRYXTestView.h"
#include "testing/RYXTestSetup.h"

namespace e2e {
namespace {

class NewTestCommandTest : public StationTest {
protected:
    void SetUp() override {
        StationTest::SetUp();
        ASSERT_NO_FATAL_FAILURE(StartReadyStation());
        frame = App().m_pMainFrame;
        frame->UpdateCommandUI();
    }
    CQXRYXMainFrame* frame = nullptr;
};

TEST_F(NewTestCommandTest, OkStoresTheSetupThenTheTestRunsInItsWindow) {
    QAction* run = frame->FindAction(ID_FILE_NEW);
    ASSERT_NE(run, nullptr);
    ASSERT_TRUE(run->isEnabled());
    std::string proposed;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<RYXTestSetup*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        proposed = dialog->FileNameField()->text().toStdString();
        dialog->accept();
    });
    run->trigger();
    // The day's first default name at the set-point the settings hold.
    EXPECT_EQ(proposed, TestSetupLogic::s_strDateStamp + "01 -12");
    std::string stored;
    EXPECT_EQ(theRegistry.GetTestFileName(stored), 0u);
    EXPECT_EQ(stored, proposed);
    // The test window of the new test, its test running.
    CQXRYXTestView* view = CQXRYXTestView::RunningView();
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(App().m_bTestRunning);
    EXPECT_EQ(view->GetState(), TestSequencer::kPreparation);
    EXPECT_EQ(view->GetDocument()->GetTitle(), proposed + ".ryx");
    frame->UpdateCommandUI();
    EXPECT_FALSE(frame->FindAction(ID_FILE_NEW)->isEnabled());
    EXPECT_EQ(boxes.Count(), 0u);

    // Abort Test, Yes: the test ends and its window closes.
    boxes.Answer(IDYES);
    view->OnCommand(ID_TEST_ABORT);
    EXPECT_EQ(boxes.Texts().back(), fw::LoadString(601));
    EXPECT_FALSE(App().m_bTestRunning);
    EXPECT_EQ(CQXRYXTestView::RunningView(), nullptr);
    EXPECT_TRUE(App().m_pTestTemplate->GetDocuments().empty());
}

TEST_F(NewTestCommandTest, CancelLeavesTheSettingsAlone) {
    std::string before;
    const unsigned had = theRegistry.GetTestFileName(before);
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<RYXTestSetup*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->FileNameField()->setText("not this one");
        dialog->reject();
    });
    frame->FindAction(ID_FILE_NEW)->trigger();
    std::string after;
    EXPECT_EQ(theRegistry.GetTestFileName(after), had);
    EXPECT_EQ(after, before);
    EXPECT_EQ(boxes.Count(), 0u);
}

TEST_F(NewTestCommandTest, DisabledWhileATestRuns) {
    App().m_bTestRunning = TRUE;
    frame->UpdateCommandUI();
    EXPECT_FALSE(frame->FindAction(ID_FILE_NEW)->isEnabled());
    EXPECT_FALSE(frame->FindToolAction(ID_FILE_NEW)->isEnabled());
    App().m_bTestRunning = FALSE;
    frame->UpdateCommandUI();
    EXPECT_TRUE(frame->FindAction(ID_FILE_NEW)->isEnabled());
}

}  // namespace
}  // namespace e2e
