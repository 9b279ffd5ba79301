// The station's instrument link against the simulated instrument, without
// windows: the real CQXBendingBeam opens the simulator's pseudo-terminal
// through the COM1 alias and converts its frames with the settings the
// simulator wrote. Both run on one virtual clock that the test moves a worker
// pass at a time, so a second of protocol time costs no second of real time.
#include <gtest/gtest.h>
#include <poll.h>

#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "framework/core/TestDoubles.h"
#include "instrument/CQXBendingBeam.h"
#include "e2e/support/Lockstep.h"
#include "instrument/WorkerWait.h"
#include "platform/Clock.h"
#include "platform/Hive.h"
#include "platform/tests/TempDir.h"
#include "simulator/Pty.h"
#include "simulator/SettingsWriter.h"
#include "simulator/Simulator.h"

namespace {

constexpr uint32_t kPassMs = 10;  // the worker's pass interval
// How long a pass waits for bytes the simulator has just written to reach
// the station's end of the line (the pty hands them on asynchronously).
constexpr int kArrivalMs = 2;

using e2e::LockstepWait;

class InstrumentLinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("RYX_CONFIG_DIR", config.Path().c_str(), 1);
        ryxsim::SettingsPlan plan;
        plan.dataDir = config.File("data");
        plan.port = "COM1";
        plan.bath = -12.0;
        std::string error;
        ASSERT_EQ(ryxsim::WriteSettings(platform::Hive::DefaultPath(), plan, &error), 0u) << error;

        ryxsim::Simulator::Options options;
        options.instrument.calibration = plan.calibration;
        options.instrument.firmware = Firmware();
        options.clock = &clock;
        sim = std::make_unique<ryxsim::Simulator>(options);
        ASSERT_EQ(sim->Start(), 0u);
        ASSERT_EQ(alias.Publish(config.Path(), "COM1", sim->DevicePath(), &error), 0u) << error;

        window = posts.CreateWindow();
        beam.AddNotifyWindow(window);
    }
    void TearDown() override {
        wait->Free();
        beam.Close();
        if (sim) sim->Stop();
        ::unsetenv("RYX_CONFIG_DIR");
    }
    virtual std::string Firmware() const { return "2.000"; }

    // One worker pass at the next pass time, with whatever the simulator
    // had to say by then on the line.
    bool Step() {
        clock.Advance(kPassMs);
        sim->Sync();
        if (const int fd = wait->Fd(); fd >= 0) {
            pollfd p{fd, POLLIN, 0};
            ::poll(&p, 1, kArrivalMs);
        }
        return wait->Pass();
    }
    // Passes until done holds, for at most ms of protocol time.
    bool RunUntil(const std::function<bool()>& done, uint32_t ms) {
        for (uint32_t t = 0; t < ms; t += kPassMs) {
            if (done()) return true;
            if (!Step()) return false;
        }
        return done();
    }
    // Worker started with the port closed, then the port opened as COM1.
    void Connect() {
        ASSERT_TRUE(beam.Open());
        ASSERT_TRUE(wait->WaitAsleep());
        ASSERT_EQ(beam.SetPort("COM1"), 0u);
        ASSERT_TRUE(RunUntil([&] { return beam.GetFirmwareVersion() == Firmware(); }, 500));
    }
    BeamReadings Readings() {
        BeamReadings r;
        EXPECT_TRUE(beam.GetReadings(r)) << "status " << beam.GetStatus();
        return r;
    }
    int Count() {
        BeamReadings r;
        beam.GetReadings(r);
        return r.count;
    }
    // The next data frame after this one (polled or sent by the instrument).
    bool NextFrame(uint32_t ms = 1500) {
        const int count = Count();
        return RunUntil([&] { return Count() > count; }, ms);
    }
    // A command still pending is refused; one accepted again proves the
    // previous one acknowledged, as long as no time-out cleared it (which
    // would have been a status 55 and a protocol reset).
    void ExpectAcknowledged(const std::function<BOOL()>& send) {
        EXPECT_TRUE(RunUntil(send, 900)) << "no acknowledgement within the reply time-out";
        EXPECT_EQ(beam.GetStatus(), 0u);
        EXPECT_EQ(beam.GetFirmwareVersion(), Firmware());
    }

    platform::ManualClock clock{100000};
    ryxtest::TempDir config;
    fw::RecordingPostService posts;
    fw::ServiceScope<fw::WindowPostService> postScope{posts};
    fw::ScriptedMessageBox boxes;
    fw::ServiceScope<fw::MessageBoxService> boxScope{boxes};
    std::unique_ptr<ryxsim::Simulator> sim;
    ryxsim::PortAlias alias;
    std::unique_ptr<LockstepWait> ownWait = std::make_unique<LockstepWait>();
    LockstepWait* wait = ownWait.get();  // the beam owns it from here on
    CQXBendingBeam beam{clock, std::move(ownWait)};
    fw::WindowId window = fw::kNoWindow;
};

TEST_F(InstrumentLinkTest, OpeningThePortAsksTheVersionAndPolledReadingsMatchTheBench) {
    EXPECT_EQ(beam.GetStatus(), 1117u);
    ASSERT_TRUE(beam.Open());
    ASSERT_TRUE(wait->WaitAsleep());
    EXPECT_EQ(beam.GetStatus(), 1117u);
    EXPECT_EQ(posts.PostsTo(window).size(), 0u);
    ASSERT_EQ(beam.SetPort("COM1"), 0u);
    EXPECT_EQ(beam.GetStatus(), 0u);
    EXPECT_EQ(posts.Count(WM_INSTRUMENT_UPDATE), 1u);  // the change to 0
    ASSERT_TRUE(RunUntil([&] { return beam.GetFirmwareVersion() == "2.000"; }, 500));

    // The first poll comes a second after the reset.
    ASSERT_TRUE(NextFrame());
    for (int frame = 0; frame < 3; ++frame) {
        SCOPED_TRACE(frame);
        if (frame > 0) {
            ASSERT_TRUE(NextFrame());
        }
        const BeamReadings r = Readings();
        const ryxsim::ModelState bench = sim->State();
        const double compliance = sim->GetCalibration().compliance;
        EXPECT_EQ(beam.GetStatus(), 0u);
        EXPECT_NEAR(r.force.m_data, 35.0, 1.0);  // the shaft's contact load on the binder beam
        EXPECT_NEAR(r.force.m_data, bench.force, 0.5);
        EXPECT_NEAR(bench.bath, -12.0, 0.1);
        EXPECT_NEAR(r.temperature.m_data, bench.bath, 0.05);
        // The shaft tip on the beam, less the frame's own give under the force.
        EXPECT_NEAR(r.deflection.m_data, bench.position - bench.force * compliance, 0.002);
        EXPECT_GT(r.deflection.m_data, 0.0f);
        EXPECT_LT(r.deflection.m_data, 1.0f);
        EXPECT_EQ(r.mode, 1);  // heating and cooling
        EXPECT_TRUE(r.remote);
        EXPECT_TRUE(r.zero);
        EXPECT_FALSE(r.test);
    }
    EXPECT_EQ(sim->FramesSent(), 0u);  // every frame so far was polled
    EXPECT_TRUE(boxes.Texts().empty());
}

TEST_F(InstrumentLinkTest, ASetPointReachesTheBath) {
    Connect();
    for (const double setPoint : {-15.0, -20.5, -12.0}) {
        SCOPED_TRACE(setPoint);
        ASSERT_TRUE(RunUntil([&] { return beam.SetTemperature(setPoint); }, 1500));
        EXPECT_TRUE(RunUntil([&] { return sim->State().setPoint == setPoint; }, 900));
        EXPECT_EQ(beam.GetStatus(), 0u);
    }
}

TEST_F(InstrumentLinkTest, ZeroAndLoadAreAcknowledgedAndTheLoadSendsItsOwnFrames) {
    Connect();
    ASSERT_TRUE(NextFrame());
    ASSERT_TRUE(beam.SendZero());
    ExpectAcknowledged([&] { return beam.SendZero(); });

    ASSERT_TRUE(RunUntil([&] { return beam.StartLoad(20); }, 1500));  // 10 s of load
    // The first frame of the load comes with the acknowledgement and fixes
    // the tare; then a frame every half second with no poll.
    const int before = Count();
    BeamState state;
    ASSERT_TRUE(RunUntil([&] { return beam.GetState(state) && state.test && state.count > before; }, 900));
    EXPECT_TRUE(sim->State().testLoad);
    BeamReadings r = Readings();
    EXPECT_EQ(r.count, before + 1);
    EXPECT_TRUE(r.test);
    EXPECT_NEAR(r.deflection.m_data, 0.0, 0.002);
    const uint64_t framesBefore = sim->FramesSent();
    for (int i = 0; i < 4; ++i) ASSERT_TRUE(NextFrame(700));
    EXPECT_GE(sim->FramesSent(), framesBefore + 4);
    r = Readings();
    EXPECT_TRUE(r.test);
    EXPECT_FALSE(r.zero);  // the instrument shows the load
    EXPECT_NEAR(r.force.m_data, sim->State().force, 1.0);
    EXPECT_GT(r.force.m_data, 500.0f);
    EXPECT_GT(r.deflection.m_data, 0.0f);  // the beam creeps under the load

    ASSERT_TRUE(RunUntil([&] { return beam.EndLoad(); }, 700));
    ASSERT_TRUE(RunUntil([&] { return beam.GetState(state) && !state.test; }, 900));
    EXPECT_EQ(beam.GetStatus(), 0u);
    // Polling takes over again.
    ASSERT_TRUE(NextFrame());
    EXPECT_FALSE(Readings().test);
}

TEST_F(InstrumentLinkTest, ASilentInstrumentIs55AndTheLinkRecoversWhenItSpeaksAgain) {
    Connect();
    ASSERT_TRUE(NextFrame());
    const size_t updates = posts.Count(WM_INSTRUMENT_UPDATE);
    sim->SetSilent(true);
    ASSERT_TRUE(RunUntil([&] { return beam.GetStatus() == 55u; }, 2000));
    EXPECT_GT(posts.Count(WM_INSTRUMENT_UPDATE), updates);
    EXPECT_EQ(beam.GetFirmwareVersion(), "?");
    BeamReadings r;
    EXPECT_FALSE(beam.GetReadings(r));
    // Still nothing for a while: 55 holds.
    EXPECT_FALSE(RunUntil([&] { return beam.GetStatus() != 55u; }, 1500));

    sim->SetSilent(false);
    ASSERT_TRUE(RunUntil([&] { return beam.GetStatus() == 0u; }, 4000));
    EXPECT_EQ(beam.GetFirmwareVersion(), "2.000");
    EXPECT_NEAR(Readings().force.m_data, 35.0, 1.0);
}

// Firmware before 2 sends the thermistor bridge's count, and the set-point
// goes out as the count the root search finds for it.
class OldFirmwareLinkTest : public InstrumentLinkTest {
protected:
    std::string Firmware() const override { return "1.500"; }
};

TEST_F(OldFirmwareLinkTest, TheThermistorPathReadsAndSetsTheBath) {
    Connect();
    ASSERT_TRUE(NextFrame());
    const BeamReadings r = Readings();
    EXPECT_NEAR(r.temperature.m_data, sim->State().bath, 0.05);
    EXPECT_NEAR(r.force.m_data, 35.0, 1.0);
    for (const double setPoint : {-18.0, -6.5}) {
        SCOPED_TRACE(setPoint);
        ASSERT_TRUE(RunUntil([&] { return beam.SetTemperature(setPoint); }, 1500));
        EXPECT_TRUE(RunUntil([&] { return std::abs(sim->State().setPoint - setPoint) < 0.02; }, 900))
            << sim->State().setPoint;
        EXPECT_EQ(beam.GetStatus(), 0u);
    }
}

}  // namespace
