#include "e2e/support/LockstepStation.h"

#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QTimer>
#include <memory>

#include "framework/core/CommandIds.h"
#include "framework/ui/Window.h"
#include "platform/Paths.h"
#include "testing/RYXTestSetup.h"

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

void ReadyLockstepStationTest::SetUp() {
    LockstepStationTest::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_TRUE(StepUntil([&] { return App().m_beam.GetFirmwareVersion() == "2.000"; }, 5000));
    for (int i = 0; i < 40; ++i) ASSERT_TRUE(Step());
}

void ReadyLockstepStationTest::TearDown() {
    boxes.OnShow(nullptr);
    for (const auto& b : boxes.Boxes()) EXPECT_TRUE(b.scripted) << "unexpected box: " << b.text;
    EXPECT_EQ(boxes.Unanswered(), 0u);
    LockstepStationTest::TearDown();
}

CQXRYXTestView* ReadyLockstepStationTest::StartTest() {
    frame->UpdateCommandUI();
    QAction* run = frame->FindAction(ID_FILE_NEW);
    if (!run || !run->isEnabled()) return nullptr;
    QTimer::singleShot(0, [] {
        if (auto* dialog = qobject_cast<RYXTestSetup*>(QApplication::activeModalWidget())) dialog->accept();
    });
    run->trigger();
    return CQXRYXTestView::RunningView();
}

}  // namespace e2e
