// The live-readings bar on the instrument object: the line comes and goes as
// the port opens and fails, each change posts its update as the worker's do,
// and the loop delivers them to the bar. The loss box is scripted; while it
// is open its loop delivers what arrives meanwhile, as the real one does.
#include <gtest/gtest.h>

#include <QApplication>
#include <string>

#include "app/CStatus.h"
#include "app/tests/support/AppTestEnvironment.h"
#include "framework/core/MessageBox.h"
#include "framework/core/Strings.h"
#include "framework/core/TestDoubles.h"
#include "framework/core/WindowPost.h"
#include "framework/ui/Frames.h"
#include "instrument/CQXBendingBeam.h"
#include "platform/tests/support/PtyPair.h"

namespace {

constexpr const char* kNoLine = "/nonexistent/ryx-line";

class StatusBar : public ::testing::Test {
protected:
    void SetUp() override {
        apptest::App();
        ASSERT_TRUE(pty.Ok());
        bar = new CStatus(&beam, &frame);  // the frame's child: deleted with it
        ASSERT_TRUE(bar->Create(&frame));
    }
    void TearDown() override {
        boxes.OnShow(nullptr);
        for (const auto& b : boxes.Boxes()) EXPECT_TRUE(b.scripted) << "unexpected box: " << b.text;
        EXPECT_EQ(boxes.Unanswered(), 0u);
    }
    // The updates posted so far, delivered as the loop (or a box's) does.
    static void Deliver() {
        for (int i = 0; i < 3; ++i) QApplication::processEvents();
    }
    void LineBack() {
        ASSERT_EQ(beam.SetPort(pty.SlaveName()), 0u);
        Deliver();
    }
    void LineLost() {
        ASSERT_EQ(beam.SetPort(kNoLine), 1117u);
        Deliver();
    }
    // An update that changes nothing (the worker posts one per frame).
    void Again() {
        fw::PostMessage(bar->Id(), WM_INSTRUMENT_UPDATE);
        Deliver();
    }
    bool ShowsReadings() const {
        const std::string force = bar->Text(CStatus::kForce);
        return force != "   ?" && force != " " && !force.empty();
    }
    static std::string LossBox() { return fw::LoadString(300) + "\n\n"; }

    testsupport::PtyPair pty;
    CQXBendingBeam beam;  // no worker: the port alone sets the status
    fw::MainFrame frame;
    CStatus* bar = nullptr;
    fw::ScriptedMessageBox boxes;
    fw::ServiceScope<fw::MessageBoxService> boxScope{boxes};
};

// A line that keeps dropping while the bar's loss box is open: the box's
// loop delivers every update, the bar shows the line come and go, and the
// box stays the only one (the old bar opened another inside it at every
// drop, without end). A loss after the line came back and the box was
// answered is told again.
TEST_F(StatusBar, ALineThatKeepsDroppingWhileTheLossBoxIsOpenOpensNoOtherBox) {
    LineBack();
    ASSERT_TRUE(ShowsReadings()) << bar->Text(CStatus::kForce);
    int drops = 1;
    int depth = 0;
    boxes.OnShow([&](const fw::ScriptedMessageBox::Shown&) {
        if (depth >= 8) return;  // only a bar opening boxes without end gets this deep
        ++depth;
        while (drops < 8) {
            LineBack();
            EXPECT_TRUE(ShowsReadings()) << drops;
            LineLost();
            ++drops;
            EXPECT_EQ(bar->Text(CStatus::kForce), "   ?") << drops;
        }
        Again();
        --depth;
    });
    boxes.Answer(IDOK);
    LineLost();
    EXPECT_EQ(drops, 8);
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Texts()[0], LossBox());
    // Answered with the line still lost: the box has told this loss.
    boxes.OnShow(nullptr);
    Again();
    EXPECT_EQ(boxes.Count(), 1u);

    boxes.Answer(IDOK);
    LineBack();
    LineLost();
    ASSERT_EQ(boxes.Count(), 2u);
    EXPECT_EQ(boxes.Texts()[1], LossBox());
}

// A loss a box has told already (the test's own loss box marks it on the
// instrument object) is not told again when the bar next hears of it; one
// that no box has told is told once. The mark belongs to the loss that is
// on: one made while the line is good marks nothing, and the line's return
// forgets it, so that the next loss is told.
TEST_F(StatusBar, TellsOnlyALossNoBoxHasTold) {
    enum Mark { kNone, kWhileLost, kWhileGood };
    for (Mark mark : {kNone, kWhileLost, kWhileGood}) {
        SCOPED_TRACE(mark);
        LineBack();
        ASSERT_TRUE(ShowsReadings());
        if (mark == kWhileGood) beam.MarkLossTold();
        ASSERT_EQ(beam.SetPort(kNoLine), 1117u);  // its update still queued
        if (mark == kWhileLost) beam.MarkLossTold();
        EXPECT_EQ(beam.IsLossTold(), mark == kWhileLost);
        const bool told = mark == kWhileLost;
        if (!told) boxes.Answer(IDOK);
        const size_t before = boxes.Count();
        Deliver();
        EXPECT_EQ(bar->Text(CStatus::kForce), "   ?");
        EXPECT_EQ(bar->Text(CStatus::kDeflection), "   ?");
        EXPECT_EQ(bar->Text(CStatus::kTemperature), "   ?");
        ASSERT_EQ(boxes.Count() - before, told ? 0u : 1u);
        if (!told) {
            EXPECT_EQ(boxes.Texts().back(), LossBox());
        }
        Again();
        EXPECT_EQ(boxes.Count() - before, told ? 0u : 1u);

        boxes.Answer(IDOK);
        LineBack();
        EXPECT_FALSE(beam.IsLossTold());
        LineLost();
        EXPECT_EQ(boxes.Count() - before, told ? 1u : 2u);
    }
}

}  // namespace
