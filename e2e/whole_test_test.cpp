// A whole bending beam test against the simulated instrument: the real
// instrument object, test document, settings and sequencer, the simulator on
// a pseudo-terminal, and one virtual clock for the simulator, the worker and
// the preload timer, which the test moves a worker pass at a time. A test of
// more than four minutes of protocol time takes seconds.
#include <gtest/gtest.h>

#include <cfloat>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "data/CQXRYXTestDoc.h"
#include "data/ExportFormats.h"
#include "data/tests/support/SavedTest.h"
#include "e2e/support/Lockstep.h"
#include "framework/core/TestDoubles.h"
#include "instrument/CQXBendingBeam.h"
#include "instrument/WorkerWait.h"
#include "platform/Clock.h"
#include "platform/Hive.h"
#include "platform/tests/TempDir.h"
#include "settings/CQXRegistry.h"
#include "simulator/Pty.h"
#include "simulator/SettingsWriter.h"
#include "simulator/Simulator.h"
#include "testing/StationAdapters.h"
#include "testing/TestSequencer.h"

namespace {

constexpr uint32_t kPassMs = 50;  // protocol time per worker pass

using e2e::LockstepWait;

// The window side, with the preload timer on the test's clock.
class ClockWindow : public SequencerWindow {
public:
    explicit ClockWindow(platform::Clock& clock) : m_clock(clock) {}
    std::string GetCaption() override { return caption; }
    void SetCaption(const std::string& c) override { caption = c; }
    void ShowBeamThickness(float) override {}
    void ClearBeamThickness() override {}
    void StartPreloadTimer(UINT ms) override {
        timerMs = ms;
        timerStart = m_clock.Now();
        timerRunning = true;
    }
    void KillPreloadTimer() override { timerRunning = false; }
    bool TimerDue() { return timerRunning && m_clock.Now() - timerStart >= timerMs; }
    void PostClose() override { ++closes; }
    void Invalidate() override {}
    bool AddGraphPoint(float, float) override { return true; }
    bool OpenReport() override { return true; }
    void SetTestRunning(bool r) override { running = r; }
    void AdvanceDefaultTestName() override {}
    bool AskSavePath(std::string&) override { return false; }

    std::string caption;
    UINT timerMs = 0;
    uint32_t timerStart = 0;
    bool timerRunning = false;
    int closes = 0;
    bool running = false;

private:
    platform::Clock& m_clock;
};

class WholeTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("RYX_CONFIG_DIR", config.Path().c_str(), 1);
        theRegistry.SetProgramKey("RYXw");
        ryxsim::SettingsPlan plan;
        plan.dataDir = config.File("data");
        plan.bath = -12.0;
        std::string error;
        ASSERT_EQ(ryxsim::WriteSettings(platform::Hive::DefaultPath(), plan, &error), 0u) << error;
        ASSERT_EQ(theRegistry.SetTestFileName("E2E1"), 0u);
        ASSERT_EQ(theRegistry.SetTestSaveLIMS(1), 0u);

        ryxsim::Simulator::Options options;
        options.instrument.calibration = plan.calibration;
        options.clock = &clock;
        sim = std::make_unique<ryxsim::Simulator>(options);
        ASSERT_EQ(sim->Start(), 0u);
        ASSERT_EQ(alias.Publish(config.Path(), "COM1", sim->DevicePath(), &error), 0u) << error;
        window = posts.CreateWindow();

        ASSERT_TRUE(beam.Open());
        ASSERT_TRUE(wait->WaitAsleep());
        ASSERT_EQ(beam.SetPort("COM1"), 0u);
        ASSERT_TRUE(Run([&] { return beam.GetFirmwareVersion() != "?"; }, 2000));
        boxes.Answer({IDOK, IDOK, IDOK, IDOK});
    }
    void TearDown() override {
        wait->Free();
        beam.Close();
        if (sim) sim->Stop();
        ::unsetenv("RYX_CONFIG_DIR");
    }

    // One worker pass, then the updates it posted, then the preload timer.
    bool Step(TestSequencer& seq, ClockWindow& win) {
        if (beforeStep) beforeStep();
        clock.Advance(kPassMs);
        if (const auto synced = e2e::SyncLine(beam, *sim, *wait); !synced) {
            ADD_FAILURE() << synced.message();
            return false;
        }
        if (!wait->Pass()) return false;
        const auto all = posts.PostsTo(window);
        for (; delivered < all.size(); ++delivered)
            if (all[delivered].message == WM_INSTRUMENT_UPDATE) seq.OnInstrumentData();
        if (win.TimerDue()) {
            win.timerRunning = false;
            seq.OnPreloadTimer();
        }
        return true;
    }
    bool Run(const std::function<bool()>& done, uint32_t ms) {
        for (uint32_t t = 0; t < ms; t += kPassMs) {
            if (done()) return true;
            clock.Advance(kPassMs);
            if (const auto synced = e2e::SyncLine(beam, *sim, *wait); !synced) {
                ADD_FAILURE() << synced.message();
                return false;
            }
            if (!wait->Pass()) return false;
        }
        return done();
    }
    // Runs one test from StartTest until the sequencer is idle again.
    void RunTest(CQXRYXTestDoc& doc, ClockWindow& win, uint32_t maxMs = 400000) {
        SequencerBeam instrument(beam, window);
        TestSequencer seq(doc, instrument, win, env, clock);
        ASSERT_TRUE(seq.StartTest());
        uint32_t t = 0;
        while (seq.GetState() != TestSequencer::kIdle && t < maxMs) {
            ASSERT_TRUE(Step(seq, win));
            t += kPassMs;
        }
        EXPECT_EQ(seq.GetState(), TestSequencer::kIdle);
        // Whatever is left of the stop, sent at the next passes.
        for (int i = 0; i < 40 && seq.PendingStop().Pending(); ++i) {
            seq.PumpStop();
            ASSERT_TRUE(Step(seq, win));
        }
    }

    ryxtest::TempDir config;
    platform::ManualClock clock{100000};
    fw::RecordingPostService posts;
    fw::ServiceScope<fw::WindowPostService> postScope{posts};
    fw::ScriptedMessageBox boxes;
    fw::ServiceScope<fw::MessageBoxService> boxScope{boxes};
    fw::RecordingBeep beeps;
    fw::ServiceScope<fw::BeepService> beepScope{beeps};
    std::unique_ptr<ryxsim::Simulator> sim;
    ryxsim::PortAlias alias;
    std::unique_ptr<LockstepWait> ownWait = std::make_unique<LockstepWait>();
    LockstepWait* wait = ownWait.get();
    CQXBendingBeam beam{clock, std::move(ownWait)};
    RegistryEnvironment env;
    fw::WindowId window = fw::kNoWindow;
    size_t delivered = 0;
    std::function<void()> beforeStep;  // the bench changed as the test goes on
};

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST_F(WholeTest, DefaultTestFromNewDocumentToTheSavedFileAndTheLimsFile) {
    CQXRYXTestDoc doc;
    ASSERT_TRUE(doc.OnNewDocument());
    ClockWindow win(clock);
    // The bath warms over the last ten points, 0.1 degC a point: the reading
    // on which the test finishes is the warmest of all.
    beforeStep = [&] {
        if (const int n = doc.GetPointCount(); n > 490) sim->SetBathTemperature(-12.0 + 0.1 * (n - 490));
    };
    RunTest(doc, win);

    // Every box was one the operator expects: the bath calibration and the specimen.
    for (const std::string& text : boxes.Texts())
        EXPECT_TRUE(text.rfind("A temperature calibration", 0) == 0 || text.rfind("Place the test specimen", 0) == 0)
            << text;
    EXPECT_EQ(win.closes, 0);
    ASSERT_EQ(doc.GetPointCount(), 501);
    const std::string path = config.File("data") + "/E2E1.ryx";
    ASSERT_EQ(doc.GetPathName(), path);
    // The point list: count 501 (F5 01), the first record with its class,
    // then 500 records naming the class by its index.
    EXPECT_TRUE(e2e::HasPointList(ReadAll(path), 501));

    // Within the simulator's binder: 200 MPa and m = 0.35 at -12 degC.
    EXPECT_NEAR(doc.m_measuredStiffness[3].m_data, 200.0, 10.0);
    EXPECT_NEAR(doc.m_mValue[3].m_data, 0.35, 0.02);
    EXPECT_TRUE(std::filesystem::is_regular_file(exportformat::LimsPath(path)));
    EXPECT_FALSE(sim->State().testLoad);
    // What was saved and exported is the test in memory, its range widened
    // by the last reading included.
    EXPECT_NEAR(doc.m_maxTemperature.m_data, -10.9, 0.051);
    EXPECT_NEAR(doc.m_minTemperature.m_data, -12.0, 0.051);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(SavedAsInMemory(doc, true));
}

// After an aborted test the instrument is stopped ("D", then "Z"), so the
// next test's automatic thickness reads untared deflections and measures the
// beam as a first test does.
TEST_F(WholeTest, SecondTestAfterAnAbortMeasuresTheSameThickness) {
    ASSERT_EQ(theRegistry.SetTestThickness(FLT_MAX), 0u);
    ASSERT_EQ(theRegistry.SetTestSaveLIMS(0), 0u);
    boxes.Clear();
    for (int i = 0; i < 20; ++i) boxes.Answer(IDOK);
    boxes.OnShow([&](const fw::ScriptedMessageBox::Shown& shown) {
        if (shown.text.rfind("Flip the beam", 0) == 0) sim->FlipBeam();
    });
    auto measure = [&](bool abort) {
        CQXRYXTestDoc doc;
        EXPECT_TRUE(doc.OnNewDocument());
        EXPECT_EQ(doc.m_beamThickness.m_data, FLT_MAX);
        ClockWindow win(clock);
        SequencerBeam instrument(beam, window);
        TestSequencer seq(doc, instrument, win, env, clock);
        EXPECT_TRUE(seq.StartTest());
        for (uint32_t t = 0; t < 60000 && seq.GetState() != TestSequencer::kTesting; t += kPassMs)
            EXPECT_TRUE(Step(seq, win));
        EXPECT_EQ(seq.GetState(), TestSequencer::kTesting);
        for (int i = 0; i < 40; ++i) EXPECT_TRUE(Step(seq, win));
        const float thickness = doc.m_beamThickness.m_data;
        if (abort) {
            // Abort Test, Yes at 601: the test ends, the document re-zeroes.
            seq.SetCloseQuestionOpen(true);
            seq.EndByClose();
            seq.RequestStop(true);
            for (int i = 0; i < 100 && seq.PendingStop().Pending(); ++i) {
                seq.PumpStop();
                EXPECT_TRUE(Step(seq, win));
            }
            EXPECT_FALSE(seq.PendingStop().Pending());
            for (int i = 0; i < 40; ++i) EXPECT_TRUE(Step(seq, win));
            EXPECT_FALSE(sim->State().testLoad);
            BeamState state;
            EXPECT_TRUE(beam.GetState(state));
            EXPECT_FALSE(state.test);
        }
        sim->FlipBeam();  // the operator takes the beam out and puts it back as it was
        return thickness;
    };
    const float first = measure(true);
    EXPECT_GT(first, 5.5f);
    EXPECT_LT(first, 7.2f);
    const float second = measure(false);
    EXPECT_NEAR(second, first, 0.02);
}

}  // namespace
