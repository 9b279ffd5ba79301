#pragma once
// Millisecond tick clock in the manner of GetTickCount: a 32-bit count that
// wraps, so callers compare with unsigned differences (now - then > limit).
// Every timed piece of the station takes a Clock, so tests run on ManualClock.
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace platform {

class Clock {
public:
    virtual ~Clock() = default;
    virtual uint32_t Now() = 0;
    virtual void Sleep(uint32_t ms) = 0;
};

// The real clock: steady_clock milliseconds and a real sleep.
class SteadyClock final : public Clock {
public:
    uint32_t Now() override;
    void Sleep(uint32_t ms) override;
};

// A clock that moves only when told. Sleep(ms) waits until another thread has
// advanced the clock by ms, or, with auto-advance on, moves the clock itself
// (virtual time: a sleeper never waits in real time).
class ManualClock final : public Clock {
public:
    explicit ManualClock(uint32_t start = 0, bool autoAdvance = false)
        : m_now(start), m_autoAdvance(autoAdvance) {}
    uint32_t Now() override;
    void Sleep(uint32_t ms) override;
    void Advance(uint32_t ms);
    void Set(uint32_t now);
    void SetAutoAdvance(bool on);
    // Releases every sleeper, now and until ReleaseSleepers(false): used when a
    // worker that sleeps on this clock is being stopped.
    void ReleaseSleepers(bool on = true);
    // Blocks until at least n threads are inside Sleep: lets a test advance
    // time only once a worker has reached its wait.
    void WaitForSleepers(int n);

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    uint32_t m_now;
    bool m_release = false;
    int m_sleepers = 0;
    bool m_autoAdvance;
};

// The process-wide clock: the steady clock unless a test replaced it.
Clock& DefaultClock();
void SetDefaultClock(Clock* clock);  // nullptr restores the steady clock
// The process-wide clock of each moment: every call goes to DefaultClock()
// as it is then, so an object built before a test replaced the default clock
// (the station's instrument, a member of the application) follows it too.
Clock& FollowDefaultClock();
inline uint32_t GetTickCount() { return DefaultClock().Now(); }
inline void Sleep(uint32_t ms) { DefaultClock().Sleep(ms); }

}  // namespace platform
