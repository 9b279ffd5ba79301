#include "e2e/support/LockstepStation.h"

#include <unistd.h>

#include <QApplication>
#include <memory>

#include "framework/ui/Window.h"
#include "platform/Paths.h"

namespace e2e {

void LockstepStationTest::SetUp() {
    StationTest::SetUp();
    platform::SetDefaultClock(&idleClock);
    clockSet = true;
    auto lockstep = std::make_unique<LockstepWait>();
    wait = lockstep.get();
    ASSERT_TRUE(App().m_beam.SetWorkerWait(std::move(lockstep)));

    ryxsim::Simulator::Options o;
    o.instrument.calibration = calibration;
    o.clock = &idleClock;
    sim = std::make_unique<ryxsim::Simulator>(o);
    ASSERT_EQ(sim->Start(), 0u);
    const std::string ports = platform::JoinPath(ConfigDir(), "ports");
    ASSERT_EQ(platform::EnsureDirectory(ports), 0u);
    const std::string link = platform::JoinPath(ports, "com1");
    unlink(link.c_str());
    ASSERT_EQ(symlink(sim->DevicePath().c_str(), link.c_str()), 0);
    WriteSettings(-12.0);
    ASSERT_EQ(sim->BytesWritten(), 0u);

    ASSERT_TRUE(StartStation());
    ASSERT_EQ(boxes.Count(), 0u) << boxes.Texts()[0];
    ASSERT_TRUE(wait->WaitAsleep());
    frame = App().m_pMainFrame;
}

void LockstepStationTest::TearDown() {
    if (wait) wait->Free();  // the station's close stops the worker
    StationTest::TearDown();
    if (clockSet) platform::SetDefaultClock(nullptr);
}

bool LockstepStationTest::Step(bool inBox) {
    idleClock.Advance(kPassMs);
    if (!simGone) {
        if (const auto synced = SyncLine(App().m_beam, *sim, *wait); !synced) {
            ADD_FAILURE() << synced.message();
            return false;
        }
    }
    if (!wait->Pass()) {
        ADD_FAILURE() << "the worker did not come back from its pass";
        return false;
    }
    if (!inBox) {
        Pump();
        return true;
    }
    fw::CheckWindowTimers();
    for (int i = 0; i < 6; ++i) QApplication::processEvents();
    return true;
}

void LockstepStationTest::Pump() {
    fw::CheckWindowTimers();
    for (int i = 0; i < 6; ++i) App().PumpOnce(false);
}

bool LockstepStationTest::StepUntil(const std::function<bool()>& done, uint32_t ms, bool inBox) {
    for (uint32_t t = 0; t < ms; t += kPassMs) {
        if (done()) return true;
        if (!Step(inBox)) return false;
    }
    return done();
}

}  // namespace e2e
