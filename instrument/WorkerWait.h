#pragma once
// How the instrument's worker waits between passes.
//
// A pass has work only when a byte has come, a command has been queued, or a
// time-out or poll falls due, so the real worker sleeps until the first of
// those (at least the pass interval, at most until the next deadline)
// instead of waking every 10 ms: on a virtual machine a bare 10 ms sleep
// loop already costs about 1% of a core. The tests' worker steps on an
// injected clock instead, one fixed pass at a time.
#include <cstdint>

#include "platform/Clock.h"

class WorkerWait {
public:
    virtual ~WorkerWait() = default;
    // Waits up to ms, or less when input arrives on fd (-1: none to watch)
    // or Wake is called.
    virtual void Wait(uint32_t ms, int fd) = 0;
    // Ends the current or next wait early (from any thread).
    virtual void Wake() = 0;
};

// poll() on the line and an eventfd. After a wake by input it still keeps
// kMinGap since the wait began, so a line that never pauses cannot turn the
// worker into a busy loop.
class EventWait final : public WorkerWait {
public:
    static constexpr uint32_t kMinGap = 3;
    EventWait();
    ~EventWait() override;
    EventWait(const EventWait&) = delete;
    EventWait& operator=(const EventWait&) = delete;
    void Wait(uint32_t ms, int fd) override;
    void Wake() override;

private:
    int m_event = -1;
};

// A fixed pass interval on the given clock, whatever is asked.
class ClockWait final : public WorkerWait {
public:
    ClockWait(platform::Clock& clock, uint32_t passMs) : m_clock(clock), m_passMs(passMs) {}
    void Wait(uint32_t, int) override { m_clock.Sleep(m_passMs); }
    void Wake() override {}

private:
    platform::Clock& m_clock;
    uint32_t m_passMs;
};
