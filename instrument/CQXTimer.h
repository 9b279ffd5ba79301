#pragma once
// A timer that delivers WM_TIMER (wParam: the timer id, lParam 0) to a
// window, either as a window timer or from a thread of its own.
//
// Thread mode: the thread sleeps on a condition variable until the interval
// has passed on the clock, posts WM_TIMER, and starts the next interval;
// Stop, Pause and Resume wake it at once. A paused thread keeps its
// interval's start, as a suspended thread would: an interval that ran out
// during the pause ticks at once on Resume. A window timer set again on
// Resume starts a new interval. Not thread-safe itself: one owner calls
// Start, Stop, Pause and Resume.
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "framework/core/WindowPost.h"
#include "instrument/ThreadWait.h"
#include "platform/WinTypes.h"

class CQXTimer {
public:
    // Without a window: the ticks reach nobody.
    explicit CQXTimer(WaitClock& clock = DefaultWaitClock());
    CQXTimer(fw::WindowId window, UINT timerId, WaitClock& clock = DefaultWaitClock());
    ~CQXTimer();  // Stop
    CQXTimer(const CQXTimer&) = delete;
    CQXTimer& operator=(const CQXTimer&) = delete;

    // Stops the timer; an interval of 0 leaves it stopped. A priority of 0 or
    // more runs a thread at that priority (as far as the system allows); a
    // negative one asks the window for a timer and runs the thread only when
    // it has none to give.
    void Start(UINT interval, int priority);
    // Kills the window timer, or stops the thread and waits for it to end.
    void Stop();
    void Pause();
    // Sets the window timer again (the thread when that fails), or wakes the
    // thread.
    void Resume();

    BOOL IsRunning() const { return m_running; }
    bool IsThreadMode() const { return m_thread.joinable(); }
    UINT GetInterval() const { return m_interval; }

private:
    bool StartThread();
    void ThreadProc();

    BOOL m_running = FALSE;
    fw::WindowId m_window;
    UINT m_timerId;
    UINT m_interval = 0;
    int m_priority = 0;
    WaitClock& m_clock;
    std::unique_ptr<ThreadWait> m_wake;
    std::thread m_thread;  // not joinable in window mode

    // Shared with the thread.
    std::mutex m_mutex;
    bool m_stop = false;
    bool m_paused = false;
};
