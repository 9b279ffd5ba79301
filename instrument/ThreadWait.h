#pragma once
// How the comm controller's and the timer's threads wait: until they are
// woken, or at most a time measured on a clock. A wait sleeps on a condition
// variable, so a stop or a pause ends it at once and an idle thread costs
// nothing.
//
// The real clock waits in real time; a test supplies a clock that moves only
// when told, and its waits end when it has moved far enough (as the
// instrument's worker takes a WorkerWait).
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

#include "platform/Clock.h"

class ThreadWait {
public:
    static constexpr uint32_t kInfinite = 0xFFFFFFFF;  // INFINITE: no time-out

    virtual ~ThreadWait() = default;
    // Until Wake (true; the wake is used up) or until ms have passed on the
    // clock (false). A wake given while nobody waits ends the next wait at once.
    virtual bool Wait(uint32_t ms) = 0;
    // From any thread.
    virtual void Wake() = 0;
};

// The station's tick clock (platform::Clock: 32 bits, wrapping) with waits
// that a wake can end early, which a plain Sleep cannot be.
class WaitClock : public platform::Clock {
public:
    virtual std::unique_ptr<ThreadWait> NewWait() = 0;
};

// The steady clock, and waits in real time.
class RealWaitClock final : public WaitClock {
public:
    uint32_t Now() override;
    void Sleep(uint32_t ms) override;
    std::unique_ptr<ThreadWait> NewWait() override;
};

// The process's real clock.
WaitClock& DefaultWaitClock();
