#pragma once
// The station against the simulator on one virtual clock, moved a worker pass
// at a time: the window timers, the sequencer's preload timer and the
// instrument's protocol times (the default clock), the idle-time set-point
// and the simulator all read idleClock, and every pass waits (by event) until
// every byte sent either way has arrived.
#include <functional>

#include "app/CQXRYXMainFrame.h"
#include "e2e/support/Lockstep.h"
#include "e2e/support/Station.h"
#include "testing/CQXRYXTestView.h"

namespace e2e {

class LockstepStationTest : public StationTest {
protected:
    static constexpr uint32_t kPassMs = 50;  // protocol time per worker pass

    // The simulator straight on COM1, without a tap (one line to account
    // for), every setting written, the station started and its worker held.
    void SetUp() override;
    void TearDown() override;

    // One pass of protocol time: the line catches up (while the simulator is
    // there to answer), the worker runs a pass, then the window side: the
    // outermost loop with its idle work, or, inside a box, the box's loop
    // (events and timers, no idle work).
    bool Step(bool inBox = false);
    // The window side outside a box: the window timers now due, the events
    // the pass posted, idle work.
    void Pump();
    // Steps until done holds, for at most ms of protocol time.
    bool StepUntil(const std::function<bool()>& done, uint32_t ms, bool inBox = false);

    LockstepWait* wait = nullptr;
    bool clockSet = false;
    bool simGone = false;  // the simulator's end of the line was closed
    CQXRYXMainFrame* frame = nullptr;
};

// A lockstep station whose link is up (the version asked and answered,
// readings polled) before the case begins, and which fails a case that left
// a box the script did not expect or did not answer.
class ReadyLockstepStationTest : public LockstepStationTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // New Test, the setup as proposed; the test runs in its view (null when
    // New Test is not enabled or no test started).
    CQXRYXTestView* StartTest();
};

}  // namespace e2e
