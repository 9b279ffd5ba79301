// The wizard engine with a small wizard of its own: the every-second-frame
// rule, the busy flag, the buttons' states and beeps, the error step with
// Retry and Ignore, Cancel, the lost instrument and a failed save.
#include <gtest/gtest.h>

#include "calibration/tests/support/WizardTestSupport.h"
#include "framework/core/Strings.h"

namespace caltest {
namespace {

// 0 waits for the instrument, 1 is a prompt, 2 reads (with a window),
// 3 shows the result, 4 is the error step.
class SmallWizard : public WizardEngine {
public:
    explicit SmallWizard(WizardInstrument& instrument, Source source = Source::kReadings)
        : WizardEngine(instrument, source,
                       {{200, kNoStep, kNoStep, 1, false},
                        {202, 2, kNoStep, kNoStep, true},
                        {206, kNoStep, kNoStep, 3, false},
                        {249, kNoStep, 1, kNoStep, false, true}},
                       4) {}
    int taken = 0;
    float value = 0;
    unsigned saveResult = 0;
    int saves = 0;

protected:
    bool TakeReading(int step) override {
        if (step == 2) {
            if (!CheckReading(-2, 2, 5, 65, 720)) return false;
            value = Readings().deflection.m_data;
        }
        ++taken;
        return true;
    }
    std::string ResultText(int) override { return "result"; }
    unsigned SaveValues() override {
        ++saves;
        return saveResult;
    }
};

class EngineTest : public WizardTest {
protected:
    void Begin(SmallWizard& w) {
        w.SetListener([&] { ++changes; }, [&](int r) { ended.push_back(r); });
        w.Start(7);
    }
    int changes = 0;
    std::vector<int> ended;
};

TEST_F(EngineTest, ActsOnlyOnACountThatIsNewAndNotTheVeryNextOne) {
    instrument.readings.count = 10;
    SmallWizard w(instrument);
    Begin(w);
    EXPECT_EQ(instrument.registered, std::vector<fw::WindowId>{7});
    EXPECT_EQ(w.LastCount(), 10);
    EXPECT_EQ(w.Step(), 0);

    w.OnInstrumentUpdate();  // the same count
    instrument.readings.count = 11;
    w.OnInstrumentUpdate();  // one above: nothing, and the count stays
    EXPECT_EQ(w.Step(), 0);
    EXPECT_EQ(w.LastCount(), 10);
    instrument.readings.count = 12;
    w.OnInstrumentUpdate();
    EXPECT_EQ(w.Step(), 1);
    EXPECT_EQ(w.LastCount(), 12);
    // A reset protocol counts from the start again: a new count all the same.
    instrument.readings.count = 3;
    instrument.readings.force.m_data = 35.0f;
    w.Next();
    w.OnInstrumentUpdate();
    EXPECT_EQ(w.Step(), 3);
}

TEST_F(EngineTest, ButtonsCaptionsPromptsAndBeepsFollowTheStep) {
    SmallWizard w(instrument);
    Begin(w);
    EXPECT_EQ(w.View().prompt, "\r\n" + fw::LoadString(200));
    EXPECT_FALSE(w.View().nextEnabled);
    EXPECT_FALSE(w.View().backEnabled);
    EXPECT_FALSE(w.View().nextIsDefault);
    EXPECT_EQ(beeps.Count(), 0u);  // waiting steps are quiet

    w.Next();  // disabled: nothing
    EXPECT_EQ(w.Step(), 0);
    Reading(w, 35.0f, 0.0f);
    EXPECT_EQ(w.Step(), 1);
    EXPECT_EQ(w.View().prompt, "\r\n" + fw::LoadString(202));
    EXPECT_EQ(w.View().nextCaption, "&Next");
    EXPECT_EQ(w.View().backCaption, "&Back");
    EXPECT_TRUE(w.View().nextEnabled);
    EXPECT_FALSE(w.View().backEnabled);
    EXPECT_TRUE(w.View().nextIsDefault);
    EXPECT_EQ(beeps.Beeps(), std::vector<UINT>{fw::BEEP_SIMPLE});

    Reading(w, 35.0f, 0.0f);  // a prompt ignores readings
    EXPECT_EQ(w.Step(), 1);
    w.Back();  // disabled
    EXPECT_EQ(w.Step(), 1);
    w.Next();
    Reading(w, 35.0f, 0.5f);
    EXPECT_EQ(w.Step(), 3);
    EXPECT_EQ(w.View().prompt, "\r\nresult");
    EXPECT_EQ(w.View().nextCaption, "&OK");
    EXPECT_TRUE(w.View().backEnabled);
    EXPECT_EQ(beeps.Count(), 1u);
    EXPECT_GT(changes, 3);
}

TEST_F(EngineTest, NoUpdateIsActedOnWhileABoxIsOpen) {
    SmallWizard w(instrument);
    Begin(w);
    w.saveResult = 5;
    Reading(w, 35.0f, 0.0f);
    w.Next();
    Reading(w, 35.0f, 0.5f);
    ASSERT_EQ(w.Step(), 3);
    // The save fails; while its box is open further frames arrive.
    int stepInBox = -1;
    boxes.OnShow([&](const fw::ScriptedMessageBox::Shown&) {
        EXPECT_TRUE(w.Busy());
        Reading(w, 35.0f, 0.0f);
        stepInBox = w.Step();
    });
    ExpectBox(fw::LoadString(407));
    w.Next();
    EXPECT_EQ(stepInBox, 3);
    EXPECT_FALSE(w.Busy());
    EXPECT_EQ(ended, std::vector<int>{IDCANCEL});
    EXPECT_GE(instrument.removals, 1);
}

TEST_F(EngineTest, TwoRetriesLetTheThirdReadingThroughIgnoreTheNext) {
    SmallWizard w(instrument);
    Begin(w);
    Reading(w, 35.0f, 0.0f);
    w.Next();
    beeps.Clear();
    Reading(w, 80.0f, 0.0f);  // force outside 5..65
    ASSERT_EQ(w.Step(), 4);
    EXPECT_EQ(w.View().prompt, "\r\n" + fw::LoadString(720));
    EXPECT_EQ(w.View().nextCaption, "&Retry");
    EXPECT_EQ(w.View().backCaption, "&Ignore");
    EXPECT_TRUE(w.View().nextEnabled && w.View().backEnabled);
    EXPECT_EQ(beeps.Count(), 1u);
    EXPECT_EQ(w.Attempts(), 2);  // the check and the error step each count

    w.Next();  // Retry
    ASSERT_EQ(w.Step(), 2);
    Reading(w, 80.0f, 0.0f);
    ASSERT_EQ(w.Step(), 4);
    EXPECT_EQ(w.Attempts(), 4);
    EXPECT_EQ(w.taken, 1);
    w.Next();  // Retry again: the third reading goes through
    Reading(w, 80.0f, 3.0f);
    EXPECT_EQ(w.Step(), 3);
    EXPECT_FLOAT_EQ(w.value, 3.0f);
    EXPECT_EQ(w.Attempts(), 0);

    // Ignore at the first rejection.
    SmallWizard other(instrument);
    Begin(other);
    Reading(other, 35.0f, 0.0f);
    other.Next();
    Reading(other, 80.0f, 0.0f);
    ASSERT_EQ(other.Step(), 4);
    other.Back();  // Ignore
    EXPECT_EQ(other.Step(), 2);
    Reading(other, 80.0f, 3.0f);
    EXPECT_EQ(other.Step(), 3);
    EXPECT_FLOAT_EQ(other.value, 3.0f);
    EXPECT_EQ(other.Attempts(), 0);
}

struct WindowCase {
    float force;
    float deflection;
    bool taken;
};

TEST_F(EngineTest, TheReadingWindowIncludesItsBounds) {
    const WindowCase cases[] = {{5.0f, -2.0f, true},  {65.0f, 2.0f, true},    {4.9f, 0.0f, false},
                                {65.1f, 0.0f, false}, {35.0f, -2.01f, false}, {35.0f, 2.01f, false}};
    for (const WindowCase& c : cases) {
        SmallWizard w(instrument);
        Begin(w);
        Reading(w, 35.0f, 0.0f);
        w.Next();
        Reading(w, c.force, c.deflection);
        EXPECT_EQ(w.Step(), c.taken ? 3 : 4) << c.force << " mN, " << c.deflection << " mm";
    }
}

TEST_F(EngineTest, CancelUnregistersAndSavesNothingAtAnyStep) {
    for (int at = 0; at < 4; ++at) {
        SmallWizard w(instrument);
        ended.clear();
        Begin(w);
        if (at > 0) Reading(w, 35.0f, 0.0f);
        if (at > 1) w.Next();
        if (at > 2) Reading(w, 35.0f, 0.0f);
        ASSERT_EQ(w.Step(), at);
        const int removals = instrument.removals;
        w.Cancel();
        EXPECT_EQ(ended, std::vector<int>{IDCANCEL});
        EXPECT_EQ(instrument.removals, removals + 1);
        EXPECT_EQ(w.saves, 0);
        // Nothing reaches an ended wizard.
        w.Next();
        Reading(w, 35.0f, 0.0f);
        w.Cancel();
        EXPECT_EQ(ended.size(), 1u);
    }
}

TEST_F(EngineTest, OnlyTheSaveEndsWithOk) {
    SmallWizard w(instrument);
    Begin(w);
    Reading(w, 35.0f, 0.0f);
    w.Next();
    Reading(w, 35.0f, 0.0f);
    w.Next();
    EXPECT_EQ(w.saves, 1);
    EXPECT_EQ(ended, std::vector<int>{IDOK});
    EXPECT_EQ(instrument.removals, 1);
}

struct LostCase {
    WizardEngine::Source source;
    unsigned status;
    bool goesOn;
};

// The raw-state wizards go on at 1015 (defaults in use); the others need 0.
TEST_F(EngineTest, AReadingThatCannotBeHadEndsTheWizardWithTheInstrumentsMessage) {
    const LostCase cases[] = {{WizardEngine::Source::kState, 1015, true},
                              {WizardEngine::Source::kState, 55, false},
                              {WizardEngine::Source::kState, 1117, false},
                              {WizardEngine::Source::kReadings, 1015, false},
                              {WizardEngine::Source::kReadings, 55, false}};
    for (const LostCase& c : cases) {
        SmallWizard w(instrument, c.source);
        ended.clear();
        instrument.status = 0;
        Begin(w);
        instrument.status = c.status;
        if (!c.goesOn) ExpectBox("status " + std::to_string(c.status) + "\n\n");
        Reading(w, 35.0f, 0.0f);
        if (c.goesOn) {
            EXPECT_EQ(w.Step(), 1);
            EXPECT_TRUE(ended.empty());
        } else {
            EXPECT_EQ(ended, std::vector<int>{IDCANCEL}) << c.status;
            EXPECT_FALSE(w.Busy());
        }
    }
}

}  // namespace
}  // namespace caltest
