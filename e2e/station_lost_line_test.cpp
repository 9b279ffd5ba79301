// The line to the instrument lost, through the station itself on the
// simulated instrument and one virtual clock (as the whole test does): the
// line going silent while the specimen question is open, while the test is
// ending (its abort message, Abort Test's question, the offer to keep an
// aborted test's data), the simulator gone (its end of the line closed, as a
// pulled USB adapter or a killed simulator leaves it) in the middle of the
// test, and a line that keeps dropping while no test runs. The boxes are
// answered by script; each box's own loop delivers what arrives meanwhile,
// as the real one does. Each loss is told once: by the test's loss box, or
// when the test was ending already (or none ran) by the live-readings bar's
// box once the test has gone, never by a second box; the sanitizer build
// runs the same.
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QTimer>
#include <filesystem>
#include <functional>

#include "app/CQXRYXMainFrame.h"
#include "app/CStatus.h"
#include "data/CQXRYXTestDoc.h"
#include "e2e/support/Lockstep.h"
#include "e2e/support/LockstepStation.h"
#include "framework/core/Strings.h"
#include "framework/core/WindowPost.h"
#include "framework/ui/Window.h"
#include "platform/Paths.h"
#include "res/Resource.h"
#include "settings/CQXRegistry.h"
#include "testing/CQXRYXTestView.h"
#include "testing/RYXTestSetup.h"

namespace e2e {
namespace {

bool StartsWith(const std::string& s, UINT id) {
    std::string head = fw::LoadString(id);
    head = head.substr(0, std::min(head.find('\n'), head.find('%')));
    return s.rfind(head, 0) == 0;
}

class StationLostLine : public ReadyLockstepStationTest {
protected:
    // A box's loop for ms of protocol time.
    void StepsInBox(uint32_t ms) {
        for (uint32_t t = 0; t < ms; t += kPassMs)
            if (!Step(true)) return;
    }

    // The test's window has gone: no test document, no child frame left.
    bool TestWindowClosed() {
        return App().m_pTestTemplate->GetDocuments().empty() && frame->ChildFrames().empty();
    }
    std::vector<std::string> Shown() { return boxes.Texts(); }
    static std::string Loss(UINT id) { return fw::LoadString(id) + "\n\nTest will be aborted."; }

    // Closes the simulator's end of the line, under the station. Each box
    // that ends the test (the loss, the offer) goes on delivering 5 s of the
    // dead line's updates. Answers: the loss's OK, then those given.
    void Kill(std::initializer_list<int> answers) {
        boxes.OnShow([this](const fw::ScriptedMessageBox::Shown& shown) {
            if (shown.text.find("Test will be aborted.") == std::string::npos && !StartsWith(shown.text, 602))
                return;
            ++endingBoxes;
            StepsInBox(5000);
        });
        boxes.Answer(IDOK);
        for (int a : answers) boxes.Answer(a);
        sim->Stop();
        simGone = true;
    }
    // Idle again, the station finds its port failing (the set-point cannot
    // be written); the live-readings bar shows "?" but says nothing more: the
    // test has reported this loss of the line already.
    void IdleAfterTheTest() {
        boxes.OnShow(nullptr);
        NoOtherBoxAndTheBarShowsTheLoss();
    }
    // 10 s of the dead line open no box beyond those open now; the bar
    // shows "?" and no test runs.
    void NoOtherBoxAndTheBarShowsTheLoss() {
        const size_t before = boxes.Count();
        for (int i = 0; i < 200; ++i) ASSERT_TRUE(Step());
        EXPECT_EQ(boxes.Count(), before) << boxes.Texts().back();
        for (int control : {CStatus::kForce, CStatus::kDeflection, CStatus::kTemperature})
            EXPECT_EQ(frame->InstrumentBar()->Text(control), "   ?") << control;
        EXPECT_FALSE(App().m_bTestRunning);
    }

    // The test has gone with the line still lost, which no box of the test
    // told: the bar tells it, once, and shows "?".
    void ToldByTheBarOnceTheTestHasGone() {
        boxes.OnShow(nullptr);
        ASSERT_TRUE(
            StepUntil([&] { return boxes.Count() > 0 && boxes.Texts().back() == BarLoss(304); }, 5000))
            << boxes.Texts().back();
        NoOtherBoxAndTheBarShowsTheLoss();
    }
    // The bar's own loss box: the message alone.
    static std::string BarLoss(UINT id) { return fw::LoadString(id) + "\n\n"; }
    bool BarShowsReadings() {
        const std::string force = frame->InstrumentBar()->Text(CStatus::kForce);
        return force != "   ?" && force != " " && !force.empty();
    }
    bool BarShowsTheLoss() { return frame->InstrumentBar()->Text(CStatus::kForce) == "   ?"; }
    // Silences the line from a box's open loop and lets 3 s of the dead
    // line's updates arrive in it.
    void SilenceInBox() {
        sim->SetSilent(true);
        EXPECT_TRUE(StepUntil([&] { return App().m_beam.GetStatus() == 55; }, 5000, true));
        StepsInBox(3000);
    }
    // The line goes silent inside the first box whose text begins with
    // string id; cut tells that it has.
    void SilenceInTheBoxOf(UINT id) {
        boxes.OnShow([this, id](const fw::ScriptedMessageBox::Shown& shown) {
            if (cut || !StartsWith(shown.text, id)) return;
            cut = true;
            SilenceInBox();
        });
    }

    bool cut = false;
    int endingBoxes = 0;
};

TEST_F(StationLostLine, SilentWhileTheSpecimenQuestionIsOpen) {
    boxes.OnShow([&](const fw::ScriptedMessageBox::Shown& shown) {
        if (cut || !StartsWith(shown.text, 736)) return;
        cut = true;
        sim->SetSilent(true);
        EXPECT_TRUE(StepUntil([&] { return App().m_beam.GetStatus() == 55; }, 5000, true));
        StepsInBox(3000);  // more failed readings, and whatever they post
        EXPECT_TRUE(App().m_pTestTemplate->GetDocuments().size() == 1u);
    });
    boxes.Answer({IDOK, IDOK});  // the specimen, the loss
    CQXRYXTestView* view = StartTest();
    ASSERT_NE(view, nullptr);
    ASSERT_TRUE(StepUntil([&] { return cut; }, 10000));
    ASSERT_TRUE(StepUntil([&] { return TestWindowClosed(); }, 5000));
    for (int i = 0; i < 40; ++i) ASSERT_TRUE(Step());  // the line stays down: nothing more

    EXPECT_EQ(Shown(), (std::vector<std::string>{fw::LoadString(736), Loss(304)}));
    EXPECT_FALSE(App().m_bTestRunning);
    EXPECT_EQ(CQXRYXTestView::RunningView(), nullptr);
}

// Silent while the offer is open (the test is ending: no loss box of its
// own, no second end); the data kept, and then the bar tells the loss, once.
TEST_F(StationLostLine, SilentWhileTheOfferToKeepTheDataIsOpen) {
    ASSERT_EQ(theRegistry.SetTestRecoveryTime(60), 0u);  // 601 samples: an abort past 250 s offers the save
    SilenceInTheBoxOf(602);
    boxes.Answer({IDOK, IDOK, IDYES, IDOK});  // the specimen, the damaged beam, keep the data, the bar's loss
    CQXRYXTestView* view = StartTest();
    ASSERT_NE(view, nullptr);
    CQXRYXTestDoc* doc = view->GetDocument();
    ASSERT_TRUE(StepUntil([&] { return view->Sequencer()->GetStep() > 520; }, 400000))
        << doc->GetPointCount();
    sim->InsertBeam(ryxsim::BeamKind::kNone);  // the beam breaks: the shaft drops
    ASSERT_TRUE(StepUntil([&] { return cut && !App().m_bTestRunning; }, 5000));
    ToldByTheBarOnceTheTestHasGone();

    const auto shown = Shown();
    ASSERT_EQ(shown.size(), 4u);
    EXPECT_EQ(shown[0], fw::LoadString(736));
    EXPECT_EQ(shown[1], fw::LoadString(532) + "\n\nTest will be aborted.");
    EXPECT_EQ(shown[2], fw::LoadString(602));
    EXPECT_EQ(shown[3], BarLoss(304));
    // The data kept: saved, the report open on it, the test window with it.
    ASSERT_EQ(App().m_pTestTemplate->GetDocuments().size(), 1u);
    EXPECT_TRUE(std::filesystem::is_regular_file(doc->GetPathName()));
    EXPECT_EQ(frame->ChildFrames().size(), 2u);
    EXPECT_EQ(doc->m_testState, 0);
    EXPECT_FALSE(doc->IsModified());
}

// The beam breaks before 250 s and the line goes while the abort message is
// open: the test ends as the abort ends it, its window closed, and the loss
// is told by the bar once the test has gone.
TEST_F(StationLostLine, LossWhileTheAbortMessageIsOpenIsToldOnceTheTestHasGone) {
    SilenceInTheBoxOf(532);
    boxes.Answer({IDOK, IDOK, IDOK});  // the specimen, the damaged beam, the bar's loss
    CQXRYXTestView* view = StartTest();
    ASSERT_NE(view, nullptr);
    ASSERT_TRUE(StepUntil([&] { return view->GetState() == TestSequencer::kTesting; }, 120000));
    ASSERT_TRUE(StepUntil([&] { return view->Sequencer()->GetStep() > 20; }, 20000));
    sim->InsertBeam(ryxsim::BeamKind::kNone);  // the beam breaks: the shaft drops
    ASSERT_TRUE(StepUntil([&] { return cut && TestWindowClosed(); }, 10000));
    ToldByTheBarOnceTheTestHasGone();
    EXPECT_EQ(Shown(),
              (std::vector<std::string>{fw::LoadString(736),
                                        fw::LoadString(532) + "\n\nTest will be aborted.", BarLoss(304)}));
    QDir().mkpath(RYX_E2E_ARTEFACTS);
    EXPECT_TRUE(frame->grab().toImage().save(QString(RYX_E2E_ARTEFACTS) +
                                             "/station-lost-line-told-after-the-abort.png"));
}

// Abort Test while testing, and the line goes while its question is open;
// Yes ends the test (the window closed) and the bar tells the loss once the
// test has gone.
TEST_F(StationLostLine, LossWhileAbortTestIsAskedIsToldOnceTheTestHasGone) {
    SilenceInTheBoxOf(601);
    boxes.Answer({IDOK, IDYES, IDOK});  // the specimen, abort the test, the bar's loss
    CQXRYXTestView* view = StartTest();
    ASSERT_NE(view, nullptr);
    ASSERT_TRUE(StepUntil([&] { return view->GetState() == TestSequencer::kTesting; }, 120000));
    ASSERT_TRUE(fw::PostCommand(frame->Id(), ID_TEST_ABORT));
    ASSERT_TRUE(StepUntil([&] { return cut && TestWindowClosed(); }, 10000));
    ToldByTheBarOnceTheTestHasGone();
    EXPECT_EQ(Shown(), (std::vector<std::string>{fw::LoadString(736), fw::LoadString(601), BarLoss(304)}));
}

// No test runs and the line drops eight times, each drop while the bar's
// loss box of the first is still open (its loop delivers the line's coming
// and going): one box. Once it is answered, the next drop is told again.
TEST_F(StationLostLine, ALineDroppingEightTimesWhileIdleLeavesOneBox) {
    ASSERT_TRUE(StepUntil([&] { return BarShowsReadings(); }, 5000))
        << frame->InstrumentBar()->Text(CStatus::kForce);
    int drops = 0;
    int depth = 0;
    boxes.OnShow([&](const fw::ScriptedMessageBox::Shown&) {
        if (depth >= 8) return;  // only a bar opening boxes without end gets this deep
        ++depth;
        while (drops < 8) {
            sim->SetSilent(false);
            EXPECT_TRUE(StepUntil([&] { return BarShowsReadings(); }, 5000, true)) << drops;
            sim->SetSilent(true);
            ++drops;
            EXPECT_TRUE(StepUntil([&] { return BarShowsTheLoss(); }, 5000, true)) << drops;
        }
        if (depth == 1) {
            QDir().mkpath(RYX_E2E_ARTEFACTS);
            EXPECT_TRUE(
                frame->grab().toImage().save(QString(RYX_E2E_ARTEFACTS) + "/station-idle-line-dropping.png"));
        }
        --depth;
    });
    boxes.Answer(IDOK);
    sim->SetSilent(true);
    ++drops;
    ASSERT_TRUE(StepUntil([&] { return boxes.Count() > 0 && BarShowsTheLoss(); }, 5000));
    EXPECT_EQ(drops, 8);
    for (int i = 0; i < 40; ++i) ASSERT_TRUE(Step());  // answered with the line still lost: nothing more
    ASSERT_EQ(boxes.Count(), 1u) << boxes.Texts().back();
    EXPECT_EQ(boxes.Texts()[0], BarLoss(304));

    boxes.OnShow(nullptr);
    sim->SetSilent(false);
    ASSERT_TRUE(StepUntil([&] { return BarShowsReadings(); }, 5000));
    EXPECT_EQ(boxes.Count(), 1u);
    boxes.Answer(IDOK);
    sim->SetSilent(true);
    ASSERT_TRUE(StepUntil([&] { return boxes.Count() == 2u; }, 5000));
    EXPECT_EQ(boxes.Texts()[1], BarLoss(304));
    for (int i = 0; i < 40; ++i) ASSERT_TRUE(Step());
    EXPECT_EQ(boxes.Count(), 2u);
}

TEST_F(StationLostLine, SimulatorGoneInThePreload) {
    boxes.Answer(IDOK);  // the specimen
    CQXRYXTestView* view = StartTest();
    ASSERT_NE(view, nullptr);
    ASSERT_TRUE(StepUntil([&] { return view->GetState() == TestSequencer::kRecovery; }, 60000));
    Kill({});
    ASSERT_TRUE(StepUntil([&] { return TestWindowClosed(); }, 10000));
    EXPECT_EQ(endingBoxes, 1);
    ASSERT_EQ(boxes.Count(), 2u);
    EXPECT_TRUE(boxes.Texts()[1] == Loss(300) || boxes.Texts()[1] == Loss(304)) << boxes.Texts()[1];
    EXPECT_FALSE(App().m_bTestRunning);
    IdleAfterTheTest();
}

TEST_F(StationLostLine, SimulatorGoneInTheMiddleOfTheTest) {
    boxes.Answer(IDOK);  // the specimen
    CQXRYXTestView* view = StartTest();
    ASSERT_NE(view, nullptr);
    CQXRYXTestDoc* doc = view->GetDocument();
    // At 120 s of the load.
    ASSERT_TRUE(StepUntil([&] { return doc->GetPointCount() >= 240; }, 300000)) << doc->GetPointCount();
    Kill({});
    ASSERT_TRUE(StepUntil([&] { return TestWindowClosed(); }, 10000));
    EXPECT_EQ(endingBoxes, 1);
    // No frames while the load is on: the instrument has stopped answering.
    EXPECT_EQ(Shown(), (std::vector<std::string>{fw::LoadString(736), Loss(304)}));
    EXPECT_FALSE(App().m_bTestRunning);
    IdleAfterTheTest();
}

TEST_F(StationLostLine, SimulatorGonePast250SecondsOffersToKeepTheData) {
    ASSERT_EQ(theRegistry.SetTestRecoveryTime(60), 0u);  // 601 samples
    boxes.Answer(IDOK);                                  // the specimen
    CQXRYXTestView* view = StartTest();
    ASSERT_NE(view, nullptr);
    CQXRYXTestDoc* doc = view->GetDocument();
    ASSERT_TRUE(StepUntil([&] { return view->Sequencer()->GetStep() > 520; }, 400000))
        << doc->GetPointCount();
    Kill({IDYES});  // keep the data
    ASSERT_TRUE(StepUntil([&] { return !App().m_bTestRunning; }, 10000));
    EXPECT_EQ(endingBoxes, 2);  // the loss, the offer
    ASSERT_EQ(boxes.Count(), 3u);
    EXPECT_EQ(boxes.Texts()[2], fw::LoadString(602));
    ASSERT_EQ(App().m_pTestTemplate->GetDocuments().size(), 1u);
    EXPECT_TRUE(std::filesystem::is_regular_file(doc->GetPathName()));
    EXPECT_EQ(doc->GetPointCount(), 501);        // 0 to 250 s; the line went before 270 s
    EXPECT_EQ(frame->ChildFrames().size(), 2u);  // the test and its report
    IdleAfterTheTest();
    EXPECT_EQ(App().m_pTestTemplate->GetDocuments().size(), 1u);
    QDir().mkpath(RYX_E2E_ARTEFACTS);
    EXPECT_TRUE(
        frame->grab().toImage().save(QString(RYX_E2E_ARTEFACTS) + "/station-lost-line-data-kept.png"));
}

}  // namespace
}  // namespace e2e
