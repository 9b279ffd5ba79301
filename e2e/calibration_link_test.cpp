// The calibration wizards' logic against the simulated instrument, without
// windows: the real CQXBendingBeam reads the simulator through the COM1
// alias, and simulator and worker run on one virtual clock that the test
// moves a worker pass at a time. The operator's actions at each prompt are
// those of BenchActions.h; the wizards' own updates come from the posts the
// instrument object makes to their window.
#include <gtest/gtest.h>
#include <poll.h>

#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "calibration/CCheckWiz.h"
#include "calibration/CDatumWiz.h"
#include "calibration/CalibrationDeflectionWizard.h"
#include "calibration/CalibrationForceWizard.h"
#include "e2e/support/BenchActions.h"
#include "framework/core/Strings.h"
#include "framework/core/TestDoubles.h"
#include "instrument/CQXBendingBeam.h"
#include "e2e/support/Lockstep.h"
#include "instrument/WorkerWait.h"
#include "platform/Clock.h"
#include "platform/Hive.h"
#include "platform/tests/TempDir.h"
#include "settings/CQXRegistry.h"
#include "simulator/Pty.h"
#include "simulator/SettingsWriter.h"
#include "simulator/Simulator.h"

namespace {

constexpr uint32_t kPassMs = 10;
constexpr int kArrivalMs = 2;

using e2e::LockstepWait;

class CalibrationLinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("RYX_CONFIG_DIR", config.Path().c_str(), 1);
        plan.dataDir = config.File("data");
        std::string error;
        ASSERT_EQ(ryxsim::WriteSettings(platform::Hive::DefaultPath(), plan, &error), 0u) << error;
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
        ASSERT_TRUE(RunUntil([&] { return Count() >= 2; }, 5000));
    }
    void TearDown() override {
        wait->Free();
        beam.Close();
        if (sim) sim->Stop();
        ::unsetenv("RYX_CONFIG_DIR");
    }

    bool Step() {
        clock.Advance(kPassMs);
        sim->Sync();
        if (const int fd = wait->Fd(); fd >= 0) {
            pollfd p{fd, POLLIN, 0};
            ::poll(&p, 1, kArrivalMs);
        }
        return wait->Pass();
    }
    bool RunUntil(const std::function<bool()>& done, uint32_t ms) {
        for (uint32_t t = 0; t < ms; t += kPassMs) {
            if (done()) return true;
            if (!Step()) return false;
        }
        return done();
    }
    int Count() {
        BeamState s;
        beam.GetState(s);
        return s.count;
    }

    // Runs a wizard as its dialog would, the operator following every prompt;
    // returns how it ended. Its result prompt goes to `result`.
    int Run(WizardEngine& wizard, unsigned dialogId, std::string* result = nullptr) {
        const auto actions = e2e::PromptActions();
        int ended = 0;
        wizard.SetListener({}, [&](int r) { ended = r; });
        posts.Clear();
        wizard.Start(window);
        int step = -1;
        bool acted = false;
        int countAtAction = 0;
        bool waitForFrames = false;
        // At most ten minutes of protocol time for any wizard.
        for (uint32_t t = 0; t < 600000 && !ended; t += kPassMs) {
            if (!posts.PostsTo(window).empty()) {
                posts.Clear();
                wizard.OnInstrumentUpdate();
                continue;
            }
            if (wizard.Step() != step) {
                step = wizard.Step();
                acted = false;
            }
            const WizardView& v = wizard.View();
            if (v.nextCaption == "&Retry") {
                ADD_FAILURE() << "error step in " << dialogId << ": " << v.prompt;
                wizard.Cancel();
                break;
            }
            if (v.nextEnabled) {
                if (!acted) {
                    acted = true;
                    auto it = actions.find({dialogId, step});
                    if (it != actions.end()) it->second(*sim);
                    const auto& table = wizard.Table();
                    const int next = table[static_cast<size_t>(step)].next;
                    waitForFrames = next >= 0 && table[static_cast<size_t>(next)].reading != kNoStep;
                    countAtAction = Count();
                }
                if (!waitForFrames || Count() >= countAtAction + 2) {
                    if (v.nextCaption == "&OK" && result) *result = v.prompt;
                    wizard.Next();
                    continue;
                }
            }
            if (!Step()) break;
        }
        return ended;
    }
    // The readings two frames after now.
    BeamReadings Fresh() {
        const int from = Count();
        EXPECT_TRUE(RunUntil([&] { return Count() >= from + 2; }, 3000));
        BeamReadings r;
        EXPECT_TRUE(beam.GetReadings(r)) << "status " << beam.GetStatus();
        return r;
    }

    platform::ManualClock clock{100000};
    ryxtest::TempDir config;
    ryxsim::SettingsPlan plan;
    fw::RecordingPostService posts;
    fw::ServiceScope<fw::WindowPostService> postScope{posts};
    fw::ScriptedMessageBox boxes;
    fw::ServiceScope<fw::MessageBoxService> boxScope{boxes};
    std::unique_ptr<ryxsim::Simulator> sim;
    ryxsim::PortAlias alias;
    std::unique_ptr<LockstepWait> ownWait = std::make_unique<LockstepWait>();
    LockstepWait* wait = ownWait.get();
    CQXBendingBeam beam{clock, std::move(ownWait)};
    BeamInstrument instrument{beam};
    fw::WindowId window = fw::kNoWindow;
};

TEST_F(CalibrationLinkTest, CalibrationsFromConstantsTenPercentOffGiveTheBenchsReadingsAndAPassedConfidenceTest) {
    const ryxsim::Calibration& cal = plan.calibration;
    ASSERT_EQ(theRegistry.SetForceConstant(cal.forceConstant * 1.1), 0u);
    ASSERT_EQ(theRegistry.SetForceZero(static_cast<WORD>(cal.forceZero + 300)), 0u);
    ASSERT_EQ(theRegistry.SetDeflectionZero(static_cast<WORD>(cal.deflectionZero - 200)), 0u);
    ASSERT_EQ(theRegistry.SetDeflectionTopConstant(cal.topSlope * 1.1), 0u);
    ASSERT_EQ(theRegistry.SetDeflectionWhtConstant(cal.whiteSlope * 0.9), 0u);
    ASSERT_EQ(theRegistry.SetDeflectionBluConstant(cal.blueSlope * 1.1), 0u);
    ASSERT_EQ(theRegistry.SetDeflectionConstant(cal.whiteSlope * 1.1), 0u);
    ASSERT_EQ(theRegistry.SetDeflectionCompliance(cal.compliance * 1.1), 0u);

    // Before: the station's readings are off.
    sim->PlaceGageBlock(ryxsim::GageLevel::kBlue);
    EXPECT_GT(std::abs(Fresh().deflection.m_data - sim->State().position), 0.1);

    DeflectionCalibration deflection(instrument);
    ASSERT_EQ(Run(deflection, 131), IDOK);
    ForceCalibration force(instrument);
    ASSERT_EQ(Run(force, 133), IDOK);
    ConfidenceTest check(instrument);
    std::string verdict;
    ASSERT_EQ(Run(check, 132, &verdict), IDOK);
    EXPECT_EQ(verdict.rfind("\r\nThe Confidence Test passed.", 0), 0u) << verdict;
    EXPECT_EQ(boxes.Count(), 0u);

    // The station's converted readings against the bench, within its noise.
    sim->InsertBeam(ryxsim::BeamKind::kThickSteel);
    sim->AddMass(200);
    BeamReadings r = Fresh();
    EXPECT_NEAR(r.force.m_data, sim->State().force, 1.5);
    for (auto level : {ryxsim::GageLevel::kTop, ryxsim::GageLevel::kRed, ryxsim::GageLevel::kWhite,
                       ryxsim::GageLevel::kBlue}) {
        sim->PlaceGageBlock(level);
        r = Fresh();
        EXPECT_NEAR(r.deflection.m_data, sim->State().position, 0.002) << ryxsim::GageName(level);
        EXPECT_NEAR(r.force.m_data, 0.0, 1.0) << ryxsim::GageName(level);
    }
    // The thick beam's own bending is part of the compliance measured on it.
    const double thick = 101.6 * 101.6 * 101.6 / (4.0 * 200000.0 * 12.7 * std::pow(6.35, 3)) / 1000.0;
    double compliance = 0;
    ASSERT_EQ(theRegistry.GetDeflectionCompliance(compliance), 0u);
    EXPECT_NEAR(compliance / (cal.compliance + thick), 1.0, 0.06);
}

TEST_F(CalibrationLinkTest, DatumOfTheThickBeam) {
    DatumCalibration datum(instrument);
    std::string result;
    ASSERT_EQ(Run(datum, 153, &result), IDOK);
    double d = 0;
    ASSERT_EQ(theRegistry.GetAutoThicknessDatum(d), 0u);
    EXPECT_NEAR(d, ryxsim::SimulatedDatum(plan.calibration), 0.002);
    EXPECT_NE(result.find("at a thickness of 6.350 mm."), std::string::npos) << result;
}

// The line goes silent in the middle of a reading: the instrument's own
// message, and the wizard ends having written nothing.
TEST_F(CalibrationLinkTest, ALostInstrumentEndsTheWizardWithItsMessage) {
    double before = 0;
    ASSERT_EQ(theRegistry.GetDeflectionConstant(before), 0u);
    DeflectionCalibration deflection(instrument);
    int ended = 0;
    deflection.SetListener({}, [&](int r) { ended = r; });
    deflection.Start(window);
    ASSERT_TRUE(RunUntil(
        [&] {
            if (!posts.PostsTo(window).empty()) {
                posts.Clear();
                deflection.OnInstrumentUpdate();
            }
            return deflection.Step() == 1;
        },
        5000));
    deflection.Next();
    deflection.Next();  // the Top reading waits
    sim->SetSilent(true);
    ASSERT_TRUE(RunUntil(
        [&] {
            if (!posts.PostsTo(window).empty()) {
                posts.Clear();
                deflection.OnInstrumentUpdate();
            }
            return ended != 0;
        },
        10000));
    EXPECT_EQ(ended, IDCANCEL);
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Texts()[0].rfind(fw::LoadString(304), 0), 0u) << boxes.Texts()[0];
    double after = 0;
    ASSERT_EQ(theRegistry.GetDeflectionConstant(after), 0u);
    EXPECT_EQ(after, before);
}

}  // namespace
