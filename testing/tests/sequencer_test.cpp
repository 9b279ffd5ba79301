// Scenario tests of the test sequencer on a fake instrument, a fake window and
// a manual clock: every path of the state table, the aborts with what they
// send to stop the instrument, the save offers and the mended faults.
#include <gtest/gtest.h>

#include <cerrno>
#include <cfloat>
#include <filesystem>
#include <functional>

#include "data/tests/support/SavedTest.h"
#include "framework/core/Strings.h"
#include "platform/Paths.h"
#include "support/SequencerFakes.h"

namespace {

using S = TestSequencer;

bool StartsWith(const std::string& s, const std::string& prefix) { return s.rfind(prefix, 0) == 0; }

class Sequencer : public SequencerFixture {};

TEST_F(Sequencer, DefaultTestRunsToTheSavedFile) {
    env.saveLims = 1;
    RunToRecovery();
    EXPECT_TRUE(beam.registered);
    EXPECT_TRUE(window.running);
    EXPECT_EQ(doc.m_testState, 7);
    EXPECT_EQ(window.timerMs, 21000u);
    EXPECT_EQ(window.pane, 6.35f);
    clock.Advance(5500);
    Update();  // state 8: the countdown shows
    EXPECT_EQ(window.caption, "T1.ryx" + fw::FormatString1(633, "16"));

    StartTesting();
    EXPECT_EQ(doc.GetPointCount(), 1);
    Ticks(498);
    // The bath drifts over the last readings; the very last one is the warmest.
    for (float t : {-11.8f, -11.7f, -11.5f}) {
        beam.readings.temperature.m_data = t;
        Ticks(1);
    }
    EXPECT_EQ(seq->GetState(), S::kIdle);
    EXPECT_EQ(beam.Sent(), "L2 D L480 D");
    EXPECT_EQ(doc.GetPointCount(), 501);
    EXPECT_EQ(window.graph.size(), 501u);
    EXPECT_TRUE(std::filesystem::exists(dir + "/T1.ryx"));
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(window.advanced, 1);
    EXPECT_EQ(window.reports, 1);
    EXPECT_FALSE(window.running);
    EXPECT_FALSE(beam.registered);
    EXPECT_EQ(doc.m_testState, 0);
    EXPECT_EQ(window.closes, 0);
    EXPECT_EQ(window.pane, -1);
    EXPECT_EQ(beeps.Beeps(), std::vector<UINT>{fw::BEEP_SIMPLE});
    EXPECT_EQ(doc.m_tempCalibrationDate, 777);
    EXPECT_FLOAT_EQ(doc.m_minTemperature.m_data, -12.0f);
    EXPECT_FLOAT_EQ(doc.m_maxTemperature.m_data, -11.5f);
    EXPECT_TRUE(SavedAsInMemory(doc, true));
    EXPECT_TRUE(window.captions.size() >= 3);
    EXPECT_EQ(window.captions.front(), "T1.ryx" + fw::LoadString(632));
}

struct SamplingCase {
    int recovery, interval;
    int points;
    std::vector<int> extraTicks;
};

TEST_F(Sequencer, SamplingAfterTheFirst250Seconds) {
    const SamplingCase cases[] = {
        {10, 30, 501, {}},
        {300, 30, 511, {540, 600, 660, 720, 780, 840, 900, 960, 1020, 1080}},
        {300, 25, 512, {550, 600, 650, 700, 750, 800, 850, 900, 950, 1000, 1050}},
    };
    for (const SamplingCase& c : cases) {
        SCOPED_TRACE(c.interval);
        Reset();
        CQXRYXTestDoc d;
        d.SetPathName(dir + "/T1.ryx", false);
        d.m_targetTemperature.m_data = -12.0f;
        d.m_beamThickness.m_data = 6.35f;
        d.m_beamWidth.m_data = 12.7f;
        d.m_loadSamples = 480;
        d.m_totalSamples = 2 * c.recovery + 481;
        d.m_sampleInterval = c.interval;
        env.stopMaxDefl = 0;  // the deflection below tells the tick
        FakeWindow w;
        FakeInstrument b;
        b.readings = beam.readings;
        TestSequencer s(d, b, w, env, clock);
        ASSERT_TRUE(s.StartTest());
        box.Answer(IDOK);
        for (int i = 0; i < 7; ++i) s.OnInstrumentData();
        ASSERT_EQ(s.GetState(), S::kRecovery);
        clock.Advance(21000);
        s.OnPreloadTimer();
        s.OnInstrumentData();
        ASSERT_EQ(s.GetState(), S::kTesting);
        while (s.GetState() == S::kTesting) {
            b.readings.deflection.m_data = static_cast<float>(s.GetStep() + 1);
            s.OnInstrumentData();
        }
        ASSERT_EQ(d.GetPointCount(), c.points);
        for (size_t k = 0; k < c.extraTicks.size(); ++k)
            EXPECT_EQ(d.GetDeflection(501 + static_cast<int>(k))->m_data, static_cast<float>(c.extraTicks[k]));
        EXPECT_EQ(b.Sent(), "L2 D L480 D");
    }
}

// ---- preparation -------------------------------------------------------------------

struct PrepCase {
    const char* name;
    std::function<void(SequencerFixture&)> setup;
    std::vector<int> answers;
    std::vector<std::string> boxes;  // each box's whole text; "<dir>" stands for the test's folder
    int updates;
    int finalState;
    int closes;
};

class Preparation : public SequencerFixture {
public:
    void Run(const PrepCase& c) {
        c.setup(*this);
        for (int a : c.answers) box.Answer(a);
        ASSERT_TRUE(seq->StartTest());
        Update(c.updates);
        auto texts = box.Texts();
        ASSERT_EQ(texts.size(), c.boxes.size()) << c.name;
        for (size_t i = 0; i < texts.size(); ++i) {
            std::string expected = c.boxes[i];
            if (size_t at = expected.find("<dir>"); at != std::string::npos) expected.replace(at, 5, dir);
            EXPECT_EQ(texts[i], expected) << c.name << ": box " << i;
        }
        EXPECT_EQ(seq->GetState(), c.finalState) << c.name;
        EXPECT_EQ(window.closes, c.closes) << c.name;
    }
};

TEST_F(Preparation, ChecksInTheirOrder) {
    auto nothing = [](SequencerFixture&) {};
    const std::string disk =
        "There is not enough disk space to perform requested operation.\n\t<dir>\n\tRequired Disk Space = "
        "20480 bytes\n\tAvailable Disk Space = 100 bytes";
    const std::string calibration = fw::LoadString(533);
    const std::string specimen = fw::LoadString(736);
    const std::string remote = fw::LoadString(504);
    const std::string contact = fw::LoadString(520);
    const std::string tolerance =
        "The temperature is out of tolerance (\u00b1 0.1 \u00b0C).\n\n\tActual Temperature = -11.80 "
        "\u00b0C\n\tDesired Temperature = -12.00 \u00b0C \n\nSelect 'OK' to continue, 'Cancel' to abort the "
        "test.";
    const std::string controlOff =
        "Temperature control has not been enabled,\nand the temperature is out of tolerance (\u00b1 0.1 "
        "\u00b0C).\n\n\tActual Temperature = -11.80 \u00b0C\n\tDesired Temperature = -12.00 \u00b0C "
        "\n\nSelect 'OK' to continue, 'Cancel' to abort the test.";
    const PrepCase cases[] = {
        {"all well", nothing, {IDOK}, {specimen}, 1, S::kThicknessStart, 0},
        {"disk short", [](SequencerFixture& f) { f.env.freeBytes = 100; }, {IDOK}, {disk}, 2, S::kIdle, 1},
        {"uncalibrated, cancel",
         [](SequencerFixture& f) { f.env.calibrated = false; },
         {IDCANCEL},
         {calibration},
         2,
         S::kIdle,
         1},
        {"uncalibrated, ok",
         [](SequencerFixture& f) { f.env.calibrated = false; },
         {IDOK, IDOK},
         {calibration, specimen},
         1,
         S::kThicknessStart,
         0},
        {"temperature off, control on",
         [](SequencerFixture& f) { f.beam.readings.temperature.m_data = -11.8f; },
         {IDCANCEL},
         {tolerance},
         2,
         S::kIdle,
         1},
        {"temperature off, control off",
         [](SequencerFixture& f) {
             f.beam.readings.temperature.m_data = -11.8f;
             f.beam.readings.mode = 0;
         },
         {IDOK, IDOK},
         {controlOff, specimen},
         1,
         S::kThicknessStart,
         0},
        {"temperature just inside",
         [](SequencerFixture& f) { f.beam.readings.temperature.m_data = -11.9f; },
         {IDOK},
         {specimen},
         1,
         S::kThicknessStart,
         0},
        // REMOTE: OK asks again at the next update, without 533 again.
        {"remote off then on",
         [](SequencerFixture& f) {
             f.beam.readings.remote = FALSE;
             f.env.calibrated = false;
         },
         {IDOK, IDOK},
         {calibration, remote},
         1,
         S::kPreparation,
         0},
        {"remote cancel",
         [](SequencerFixture& f) { f.beam.readings.remote = FALSE; },
         {IDCANCEL},
         {remote},
         2,
         S::kIdle,
         1},
        {"specimen cancel", nothing, {IDCANCEL}, {specimen}, 2, S::kIdle, 1},
        {"contact load off, cancel",
         [](SequencerFixture& f) { f.beam.readings.force.m_data = 50.0f; },
         {IDOK, IDCANCEL},
         {specimen, contact},
         2,
         S::kIdle,
         1},
        {"contact load off, retry",
         [](SequencerFixture& f) { f.beam.readings.force.m_data = 24.9f; },
         {IDOK, IDOK},
         {specimen, contact},
         1,
         S::kPreparation,
         0},
    };
    for (const PrepCase& c : cases) {
        SCOPED_TRACE(c.name);
        Reset();
        Run(c);
    }
}

TEST_F(Sequencer, ZeroModeThreeTriesThen552) {
    beam.refuse["Z"] = 0;
    beam.zero = FALSE;
    beam.refuse["Z"] = 5;  // the instrument never comes to ZERO
    box.Answer(IDOK);      // the abort message
    ASSERT_TRUE(seq->StartTest());
    Update(3);
    EXPECT_EQ(seq->GetZeroTries(), 3);
    EXPECT_EQ(seq->GetState(), S::kAbort);
    Update();
    ASSERT_EQ(box.Count(), 1u);
    EXPECT_EQ(box.Texts()[0], "The RYX could not be set to ZERO mode.\n\nTest will be aborted.");
    EXPECT_EQ(box.Boxes()[0].type, MB_OK | MB_ICONSTOP);
    EXPECT_EQ(window.closes, 1);
    EXPECT_EQ(doc.m_testState, 6);
    EXPECT_EQ(beam.Sent(), "");  // no load was ever accepted: nothing to stop
}

TEST_F(Sequencer, RefusedWithoutAUsableSampleInterval) {
    for (int interval : {0, -30}) {
        doc.m_sampleInterval = interval;
        box.Answer(IDOK);
        EXPECT_FALSE(seq->StartTest());
        EXPECT_FALSE(beam.registered);
        EXPECT_FALSE(window.running);
    }
    EXPECT_EQ(box.Texts()[0], fw::LoadString(913));
}

// ---- thickness ---------------------------------------------------------------------------

TEST_F(Sequencer, AutomaticThickness) {
    struct Case {
        double datum;
        bool hasDatum;
        float first, second;
        float expected;  // 0: 721
    };
    const Case cases[] = {
        {10.0, true, 4.0f, 6.0f, 12.0f - (5.0f - 10.0f)},
        {10.0, false, 4.0f, 6.0f, 0},
        {10.0, true, 30.0f, 30.0f, 0},     // negative thickness
        {-200.0, true, 4.0f, 6.0f, 0},     // beyond 100 mm
    };
    for (const Case& c : cases) {
        Reset();
        doc.m_beamThickness.m_data = FLT_MAX;
        env.datum = c.datum;
        env.hasDatum = c.hasDatum;
        ASSERT_TRUE(seq->StartTest());
        EXPECT_TRUE(seq->GetFlags() & S::kMeasureThickness);
        box.Answer({IDOK, IDOK});  // 736, 708
        Update();
        beam.readings.deflection.m_data = c.first;
        Update();  // 708, first deflection
        EXPECT_EQ(seq->GetState(), S::kThickness);
        beam.readings.deflection.m_data = c.second;
        if (c.expected == 0) box.Answer(IDOK);
        Update();
        if (c.expected != 0) {
            EXPECT_EQ(seq->GetState(), S::kPreload);
            EXPECT_FLOAT_EQ(doc.m_beamThickness.m_data, c.expected);
        } else {
            EXPECT_EQ(seq->GetState(), S::kAbort);
            Update();
            EXPECT_TRUE(StartsWith(box.Texts().back(), fw::LoadString(721)));
        }
    }
}

// ---- preload, release, test load -------------------------------------------------------

TEST_F(Sequencer, PreloadRefusedFiveTimesGives524) {
    ASSERT_TRUE(seq->StartTest());
    box.Answer(IDOK);
    Update(2);
    beam.refuse["L"] = 5;
    Update(4);
    EXPECT_EQ(seq->GetState(), S::kPreload);
    Update();
    EXPECT_EQ(seq->GetState(), S::kAbort);
    box.Answer(IDOK);
    Update();
    EXPECT_EQ(box.Texts().back(), "The preload could not be applied. \n\nTest will be aborted.");
    EXPECT_EQ(beeps.Count(), 1u);
}

// The step counter is shared: refusals of the preload count towards the
// release, whose first update then already sends "D", and fewer refusals of
// "D" are borne.
TEST_F(Sequencer, PreloadRefusalsCountTowardsTheRelease) {
    struct Case {
        int endRefusals;
        int updates;  // release updates after the preload is shown
        int state;
        std::string sent;
    };
    for (const Case& c : {Case{0, 1, S::kReleaseCheck, "L2 D"}, Case{2, 3, S::kReleaseCheck, "L2 D"},
                          Case{3, 3, S::kAbort, "L2 D"}}) {  // the abort's stop sends it
        SCOPED_TRACE(c.endRefusals);
        Reset();
        ASSERT_TRUE(seq->StartTest());
        box.Answer(IDOK);
        Update(2);
        beam.refuse["L"] = 4;
        Update(6);  // four refusals, then accepted and shown
        ASSERT_EQ(seq->GetState(), S::kPreloadRelease);
        EXPECT_EQ(seq->GetStep(), 4);
        beam.refuse["D"] = c.endRefusals;
        Update(c.updates);
        EXPECT_EQ(seq->GetState(), c.state);
        EXPECT_EQ(beam.Sent(), c.sent);
        if (c.state == S::kAbort) {
            EXPECT_EQ(seq->AbortText(), fw::LoadString(516));
        }
    }
}

TEST_F(Sequencer, ReleaseRefusedGives516AndNotReleasedGives528) {
    ASSERT_TRUE(seq->StartTest());
    box.Answer(IDOK);
    Update(4);
    ASSERT_EQ(seq->GetState(), S::kPreloadRelease);
    beam.refuse["D"] = 100;
    Update(6);
    EXPECT_EQ(seq->GetState(), S::kPreloadRelease);
    Update();
    EXPECT_EQ(seq->GetState(), S::kAbort);
    EXPECT_EQ(seq->AbortText(), fw::LoadString(516));
    EXPECT_FALSE(window.timerRunning);  // killed on entering the abort

    // 528
    Reset();
    ASSERT_TRUE(seq->StartTest());
    box.Answer(IDOK);
    Update(6);
    ASSERT_EQ(seq->GetState(), S::kReleaseCheck);
    beam.readings.force.m_data = 60.0f;
    Update(3);
    EXPECT_EQ(seq->GetState(), S::kAbort);
    EXPECT_EQ(seq->AbortText(), fw::LoadString(528));
    EXPECT_EQ(beam.Sent(), "L2 D Z Z Z");
    box.Answer(IDOK);
    Update();
}

TEST_F(Sequencer, RefusedTestLoadIsResentWithTheSameValue) {
    SetTimes(40000, 10, 30);  // 80000 samples: split into chunks
    RunToRecovery();
    beam.refuse["L"] = 2;
    ExpireTimer();
    EXPECT_EQ(seq->GetState(), S::kTestLoad);
    Update(3);
    EXPECT_EQ(seq->GetState(), S::kTesting);
    EXPECT_EQ(beam.refusedLoads, (std::vector<WORD>{65400, 65400}));
    EXPECT_EQ(beam.Sent(), "L2 D L65400");
}

TEST_F(Sequencer, TestLoadRefusedFiveTimesGives544) {
    RunToRecovery();
    beam.refuse["L"] = 5;
    ExpireTimer();
    Update(4);
    EXPECT_EQ(seq->GetState(), S::kAbort);
    EXPECT_EQ(seq->AbortText(), fw::LoadString(544));
    box.Answer(IDOK);
    Update();
}

TEST_F(Sequencer, LongLoadSendsItsChunksAndRetriesARefusedOne) {
    SetTimes(32701, 0, 30);  // 65402 samples: 65400, then 602 at tick 64800
    env.stopMaxDefl = 0;
    RunToRecovery();
    StartTesting();
    Ticks(64799);
    EXPECT_EQ(beam.Sent(), "L2 D L65400");
    beam.refuse["L"] = 1;
    Ticks(1);  // tick 64800: refused
    EXPECT_EQ(beam.Sent(), "L2 D L65400");
    Ticks(1);  // retried
    EXPECT_EQ(beam.Sent(), "L2 D L65400 L602");
    beam.zero = FALSE;
    Ticks(700);
    EXPECT_EQ(seq->GetState(), S::kIdle);
    EXPECT_EQ(beam.Sent(), "L2 D L65400 L602 D");
}

// ---- timer 9 -----------------------------------------------------------------------------

TEST_F(Sequencer, EarlyTimerExpiryIsActedOnInRecoveryOnly) {
    ASSERT_TRUE(seq->StartTest());
    box.Answer(IDOK);
    Update(4);
    ASSERT_EQ(seq->GetState(), S::kPreloadRelease);
    ExpireTimer();  // too early: remembered
    EXPECT_EQ(seq->GetState(), S::kPreloadRelease);
    Update(3);  // release, release check -> straight on to the test load
    EXPECT_EQ(seq->GetState(), S::kTestLoad);
    Update(2);
    EXPECT_EQ(seq->GetState(), S::kTesting);
}

TEST_F(Sequencer, TimerNeverAppliesTheLoadAfterAnAbort) {
    RunToRecovery();
    // Abort through the close questions; the timer is killed.
    seq->SetCloseQuestionOpen(true);
    seq->EndByClose();
    EXPECT_FALSE(window.timerRunning);
    ExpireTimer();
    EXPECT_EQ(seq->GetState(), S::kIdle);
    EXPECT_EQ(beam.Sent(), "L2 D");  // the preload's "D" ended the reporting; "Z" is the document's
}

// ---- testing ------------------------------------------------------------------------------

TEST_F(Sequencer, ZeroAtTheEndOfTheLoadCarriesThePreviousPoint) {
    RunToRecovery();
    StartTesting();
    Ticks(479);
    beam.readings.deflection.m_data = 9.0f;
    beam.readings.force.m_data = 1.0f;
    beam.zero = TRUE;  // the instrument ended the load by itself
    env.stopMaxDefl = 0;
    Update();
    EXPECT_EQ(doc.GetDeflection(480)->m_data, doc.GetDeflection(479)->m_data);
    EXPECT_EQ(doc.GetForce(480)->m_data, 35.0f);
}

TEST_F(Sequencer, LoadNotReleasedWarnsAtTheFinish) {
    RunToRecovery();
    StartTesting();
    beam.readings.force.m_data = 50.0f;
    Ticks(484);
    EXPECT_TRUE(seq->GetFlags() & S::kLoadNotReleased);
    box.Answer(IDOK);  // 548
    Ticks(30);
    EXPECT_EQ(seq->GetState(), S::kIdle);
    EXPECT_EQ(box.Texts().back(), fw::LoadString(548));
    EXPECT_EQ(window.closes, 0);
}

TEST_F(Sequencer, DeflectionLimitAbortsAndStopsTheInstrument) {
    RunToRecovery();
    StartTesting();
    Ticks(100);
    beam.readings.deflection.m_data = 5.01f;
    Update();
    EXPECT_EQ(seq->GetState(), S::kAbort);
    EXPECT_EQ(beam.Sent(), "L2 D L480 D");  // "D" at once, "Z" when it can
    box.Answer(IDOK);
    Update();
    EXPECT_EQ(beam.Sent(), "L2 D L480 D Z");
    EXPECT_EQ(box.Texts().back(), "The test sample has been damaged.\n\nTest will be aborted.");
    EXPECT_EQ(window.closes, 1);
    EXPECT_EQ(doc.m_testState, 6);
}

TEST_F(Sequencer, NoDeflectionLimitWhenSwitchedOff) {
    env.stopMaxDefl = 0;
    RunToRecovery();
    StartTesting();
    for (int i = 0; i < 501; ++i) {
        beam.readings.deflection.m_data = 5.5f + 0.001f * static_cast<float>(i);
        Update();
    }
    EXPECT_EQ(seq->GetState(), S::kIdle);
    EXPECT_EQ(doc.GetPointCount(), 501);
    EXPECT_EQ(window.closes, 0);
}

TEST_F(Sequencer, DamagedOnTheLastTickOfALongTestOffersTheSave) {
    SetTimes(240, 300, 30);
    RunToRecovery();
    StartTesting();
    Ticks(1080);
    beam.readings.deflection.m_data = 6.0f;
    box.Answer({IDOK, IDYES});  // 532, 602
    Update();                   // the last tick
    EXPECT_EQ(seq->GetState(), S::kAbort);
    Update();
    EXPECT_EQ(box.Texts()[2], fw::LoadString(602));
    EXPECT_TRUE(std::filesystem::exists(dir + "/T1.ryx"));
    EXPECT_EQ(doc.GetPointCount(), 511);
    EXPECT_EQ(window.reports, 1);
}

// Yes at 602 saves the range widened with the reading of the update that
// asked, and what is saved and exported is what the report shows.
TEST_F(Sequencer, SavedAbortedTestHasTheRangeOfTheLastReading) {
    env.saveLims = 1;
    SetTimes(240, 300, 30);
    RunToRecovery();
    StartTesting();
    Ticks(600);
    beam.readings.deflection.m_data = 6.0f;  // the beam breaks
    beam.readings.temperature.m_data = -11.7f;
    Update();
    ASSERT_EQ(seq->GetState(), S::kAbort);
    beam.readings.temperature.m_data = -11.4f;
    box.Answer({IDOK, IDYES});  // 532, 602
    Update();
    EXPECT_EQ(box.Texts().back(), fw::LoadString(602));
    EXPECT_EQ(seq->GetState(), S::kIdle);
    EXPECT_FLOAT_EQ(doc.m_maxTemperature.m_data, -11.4f);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(SavedAsInMemory(doc, true));
    EXPECT_EQ(window.closes, 0);
}

TEST_F(Sequencer, AbortAfterTick500OffersTheSaveAndNoCloses) {
    SetTimes(240, 300, 30);
    RunToRecovery();
    StartTesting();
    Ticks(600);
    beam.readings.deflection.m_data = 6.0f;
    Update();
    box.Answer({IDOK, IDNO});
    Update();
    EXPECT_EQ(box.Count(), 3u);
    EXPECT_EQ(window.closes, 1);
    EXPECT_FALSE(std::filesystem::exists(dir + "/T1.ryx"));
}

TEST_F(Sequencer, LostLinkAfterTick500OffersTheSave) {
    SetTimes(240, 300, 30);
    RunToRecovery();
    StartTesting();
    Ticks(600);
    beam.status = 55;
    box.Answer({IDOK, IDYES});  // the loss, 602
    Update();
    ASSERT_EQ(beam.errors.size(), 1u);
    EXPECT_EQ(beam.errors[0], "Test will be aborted.");
    EXPECT_EQ(box.Texts()[1], fw::LoadString(304) + "\n\nTest will be aborted.");
    EXPECT_EQ(box.Texts().back(), fw::LoadString(602));
    EXPECT_TRUE(std::filesystem::exists(dir + "/T1.ryx"));
    EXPECT_EQ(window.closes, 0);
}

TEST_F(Sequencer, LostLinkEarlyClosesOnceThoughStillRegistered) {
    RunToRecovery();
    beam.status = 1117;
    box.Answer(IDOK);
    Update();
    EXPECT_EQ(beam.errors.size(), 1u);
    EXPECT_EQ(window.closes, 1);
    EXPECT_FALSE(window.timerRunning);
    EXPECT_FALSE(seq->PendingStop().Pending());  // the link is down: nothing to send
    // Until its window has closed the view still hears of updates: the same
    // loss is not reported again, nor the close posted twice.
    Update(3);
    EXPECT_EQ(beam.errors.size(), 1u);
    EXPECT_EQ(window.closes, 1);
    EXPECT_EQ(box.Count(), 2u);  // 736 and the loss
}

// The line drops while the specimen question is open and is back before
// the operator answers: the step was overtaken all the same, and the loss is
// reported with its own message (not the present status's, which has none),
// once, before the window closes.
TEST_F(Sequencer, ALossThatPassedWhileItsBoxWasOpenIsStillReported) {
    ASSERT_TRUE(seq->StartTest());
    box.OnShow([this](const fw::ScriptedMessageBox::Shown& shown) {
        if (shown.text != fw::LoadString(736)) return;
        beam.status = 55;
        Update(2);
        beam.status = 0;
        Update(2);
    });
    box.Answer({IDOK, IDOK});  // the specimen, the loss
    Update();
    box.OnShow(nullptr);
    ASSERT_EQ(box.Count(), 2u);
    EXPECT_EQ(box.Texts()[1], fw::LoadString(304) + "\n\nTest will be aborted.");
    EXPECT_EQ(window.closes, 1);
    EXPECT_EQ(seq->GetState(), S::kIdle);
    Update(2);  // the line is fine again: the test is over all the same
    EXPECT_EQ(box.Count(), 2u);
    EXPECT_EQ(window.closes, 1);
}

// The real error box runs a nested loop that goes on delivering updates,
// each with a failed reading while the line stays down: one report, one
// end of the test, whichever way the line went and wherever the test was.
TEST_F(Sequencer, LostLineIsReportedOnceWhileItsBoxDeliversUpdates) {
    struct Case {
        const char* name;
        unsigned status;
        int recovery;  // s
        int ticks;     // -1: in the recovery after the preload; -2: in its release
    };
    const Case cases[] = {
        {"port fails in the preload", 1117, 10, -2},  {"line silent in the preload", 55, 10, -2},
        {"port fails in the recovery", 1117, 10, -1}, {"line silent in the recovery", 55, 10, -1},
        {"port fails while testing", 1117, 10, 240},  {"line silent while testing", 55, 10, 240},
        {"port fails beyond 250 s", 1117, 300, 600},  {"line silent beyond 250 s", 55, 300, 600},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Reset();
        SetTimes(240, c.recovery, 30);
        if (c.ticks == -2) {
            ASSERT_TRUE(seq->StartTest());
            box.Answer(IDOK);
            Update(4);
            ASSERT_EQ(seq->GetState(), S::kPreloadRelease);
        } else {
            RunToRecovery();
        }
        if (c.ticks >= 0) {
            StartTesting();
            Ticks(c.ticks);
        }
        UpdatesInEveryBox(3);
        const bool offer = c.ticks > 500;
        box.Answer(IDOK);              // the loss
        if (offer) box.Answer(IDYES);  // 602: keep the data
        beam.status = c.status;
        const size_t before = box.Count();  // 736
        Update();
        Update(2);  // and more, before the window has gone
        ASSERT_EQ(box.Count(), before + (offer ? 2u : 1u));
        EXPECT_EQ(box.Texts()[before],
                  fw::LoadString(c.status == 55 ? 304 : 300) + "\n\nTest will be aborted.");
        EXPECT_EQ(beam.errors.size(), 1u);
        EXPECT_TRUE(beam.lossTold);  // the box told it: the bar does not again
        if (offer) {
            EXPECT_EQ(box.Texts()[before + 1], fw::LoadString(602));
            EXPECT_EQ(window.closes, 0);
            EXPECT_EQ(window.reports, 1);
            EXPECT_TRUE(std::filesystem::exists(dir + "/T1.ryx"));
        } else {
            EXPECT_EQ(window.closes, 1);
            EXPECT_EQ(doc.m_testState, 6);
            EXPECT_FALSE(std::filesystem::exists(dir + "/T1.ryx"));
        }
        EXPECT_EQ(seq->GetState(), S::kIdle);
        EXPECT_FALSE(window.timerRunning);
        box.OnShow(nullptr);
    }
}

// Whether the loss has been told: the test's own loss box tells it, and
// marks it so that the live-readings bar does not tell it again once the
// test has gone. A line lost while the test is already ending (its abort
// message, the offer to keep an aborted test's data, the finish's warning)
// ends the test as it was ending, with no loss box: that loss stays
// unmarked, for the bar to tell.
TEST_F(Sequencer, OnlyTheLossItsOwnBoxToldIsMarkedAsTold) {
    struct Case {
        const char* name;
        int recovery;  // s
        int ticks;     // before the end is brought about
        bool damaged;  // the beam breaks after the ticks (the abort message)
        UINT lostIn;   // the box open as the line goes; 0: lost during the ticks' next update
        bool keep;     // the data kept (602 Yes), or the test finished
        bool told;
    };
    const Case cases[] = {
        {"lost while testing: the loss box", 10, 100, false, 0, false, true},
        {"lost past 250 s: the loss box and 602", 300, 600, false, 0, true, true},
        {"lost in the abort message", 10, 100, true, 532, false, false},
        {"lost in the offer to keep the data", 300, 600, true, 602, true, false},
        {"lost in the finish's warning of a load left on", 10, 484, false, 548, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Reset();
        SetTimes(240, c.recovery, 30);
        RunToRecovery();
        StartTesting();
        if (c.lostIn == 548) beam.readings.force.m_data = 50.0f;  // the load stays on
        Ticks(c.ticks);
        const std::string lostIn = c.lostIn ? fw::LoadString(c.lostIn).substr(0, 20) : std::string();
        bool cut = false;
        box.OnShow([&](const fw::ScriptedMessageBox::Shown& shown) {
            if (cut || lostIn.empty() || !StartsWith(shown.text, lostIn)) return;
            cut = true;
            beam.status = 55;
            Update(3);  // the box's loop goes on delivering the dead line's updates
        });
        const size_t before = box.Count();
        if (c.lostIn == 0) {
            box.Answer(IDOK);               // the loss
            if (c.keep) box.Answer(IDYES);  // 602
            beam.status = 55;
            Update(2);
        } else if (c.damaged) {
            box.Answer(IDOK);               // the abort message
            if (c.keep) box.Answer(IDYES);  // 602
            beam.readings.deflection.m_data = 6.0f;
            Update(2);
        } else {
            box.Answer(IDOK);  // 548
            Ticks(30);
        }
        box.OnShow(nullptr);
        EXPECT_TRUE(c.lostIn == 0 || cut);
        EXPECT_EQ(seq->GetState(), S::kIdle);
        EXPECT_TRUE(seq->HasEnded());
        EXPECT_EQ(beam.lossTold, c.told);
        // The loss box only where the loss was told.
        EXPECT_EQ(beam.errors.size(), c.told ? 1u : 0u);
        // The loss box, the abort message or 548; and 602 where the data was kept.
        EXPECT_EQ(box.Count() - before, c.keep && c.lostIn != 548 ? 2u : 1u);
        EXPECT_EQ(window.closes, c.keep ? 0 : 1);
        EXPECT_EQ(std::filesystem::exists(dir + "/T1.ryx"), c.keep);
    }
}

TEST_F(Sequencer, FailedReadingRightAfterTheLastTickKeepsTheFinishedTest) {
    RunToRecovery();
    StartTesting();
    Ticks(501);
    EXPECT_EQ(seq->GetState(), S::kIdle);
    EXPECT_TRUE(std::filesystem::exists(dir + "/T1.ryx"));
    beam.status = 55;  // the view is off the notify list: no more updates reach it
    EXPECT_FALSE(beam.registered);
    // But one already posted does: the finished test is not reported aborted
    // and its window (with the report) stays.
    Update();
    EXPECT_TRUE(beam.errors.empty());
    EXPECT_EQ(window.closes, 0);
    EXPECT_EQ(doc.m_testState, 0);
}

TEST_F(Sequencer, CloseQuestionOpenKeepsRecordingAndHoldsTheRest) {
    RunToRecovery();
    StartTesting();
    Ticks(495);
    seq->SetCloseQuestionOpen(true);
    Ticks(10);  // the last tick passes while 601 is open
    EXPECT_EQ(doc.GetPointCount(), 501);
    EXPECT_EQ(beam.Sent(), "L2 D L480 D");
    EXPECT_EQ(seq->GetState(), S::kFinish);
    EXPECT_FALSE(std::filesystem::exists(dir + "/T1.ryx"));
    seq->SetCloseQuestionOpen(false);  // No at 601: the test finishes now
    EXPECT_EQ(seq->GetState(), S::kIdle);
    EXPECT_TRUE(std::filesystem::exists(dir + "/T1.ryx"));

    // In the preparation nothing moves while the question is open.
    Reset();
    ASSERT_TRUE(seq->StartTest());
    seq->SetCloseQuestionOpen(true);
    Update(3);
    EXPECT_EQ(box.Count(), 0u);
    EXPECT_EQ(seq->GetState(), S::kPreparation);
    beam.status = 55;
    Update();  // the error path waits too
    EXPECT_TRUE(beam.errors.empty());
    seq->EndByClose();
    EXPECT_EQ(seq->GetState(), S::kIdle);
}

TEST_F(Sequencer, FailedSaveAtTheFinishOffersAnotherName) {
    std::filesystem::create_directory(dir + "/T1.ryx");  // a folder where the file should go
    window.savePath = dir + "/T1b.ryx";
    RunToRecovery();
    StartTesting();
    box.Answer({IDOK, IDYES});  // the save failure, 914
    Ticks(501);
    ASSERT_EQ(box.Count(), 3u);
    EXPECT_EQ(box.Texts()[2], fw::FormatString1(914, dir + "/T1.ryx"));
    EXPECT_TRUE(std::filesystem::is_regular_file(dir + "/T1b.ryx"));
    EXPECT_EQ(doc.GetPathName(), dir + "/T1b.ryx");
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(window.advanced, 1);
}

// The data folder fills during the test: the finish says so, for the test
// file and for the LIMS file, and offers another name.
TEST_F(Sequencer, FullDiskAtTheFinishNamesTheCause) {
    env.saveLims = 1;
    RunToRecovery();
    StartTesting();
    Ticks(500);
    platform::SetWriteFailureHook([](const std::string&) { return ENOSPC; });
    box.Answer({IDOK, IDNO, IDOK});  // the save failure, 914, the LIMS failure
    Ticks(1);
    platform::SetWriteFailureHook(nullptr);
    const std::string full = "\n\nThere is no space left on the disk.";
    ASSERT_EQ(box.Count(), 4u);
    EXPECT_EQ(box.Texts()[1], fw::LoadString(61698) + full);
    EXPECT_EQ(box.Texts()[2], fw::FormatString1(914, dir + "/T1.ryx"));
    EXPECT_EQ(box.Texts()[3], fw::LoadString(411) + full);
    EXPECT_FALSE(std::filesystem::exists(dir + "/T1.ryx"));
    EXPECT_TRUE(doc.IsModified());
}

TEST_F(Sequencer, FailedSaveDeclinedKeepsTheTestModified) {
    std::filesystem::create_directory(dir + "/T1.ryx");
    RunToRecovery();
    StartTesting();
    box.Answer({IDOK, IDNO});
    Ticks(501);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(window.advanced, 0);
    EXPECT_EQ(window.reports, 1);
}

TEST_F(Sequencer, LimsFileWhenTheSettingAsks) {
    env.saveLims = 1;
    RunToRecovery();
    StartTesting();
    Ticks(501);
    bool found = false;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        if (e.path().filename().string().find("LIMS") != std::string::npos ||
            e.path().extension() == ".csv")
            found = true;
    EXPECT_TRUE(found);
}

}  // namespace
