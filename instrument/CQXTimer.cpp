#include "instrument/CQXTimer.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <system_error>

#include "framework/core/WindowTimer.h"

CQXTimer::CQXTimer(WaitClock& clock) : CQXTimer(fw::kNoWindow, 0, clock) {}

CQXTimer::CQXTimer(fw::WindowId window, UINT timerId, WaitClock& clock)
    : m_window(window), m_timerId(timerId), m_clock(clock), m_wake(clock.NewWait()) {}

CQXTimer::~CQXTimer() {
    Stop();
}

void CQXTimer::Start(UINT interval, int priority) {
    Stop();
    if (interval == 0) return;
    m_interval = interval;
    m_priority = priority;
    if (priority < 0 && fw::WindowTimers().SetTimer(m_window, m_timerId, interval)) {
        m_running = TRUE;
        return;
    }
    m_running = StartThread() ? TRUE : FALSE;
}

bool CQXTimer::StartThread() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = false;
        m_paused = false;
    }
    try {
        m_thread = std::thread([this] { ThreadProc(); });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void CQXTimer::Stop() {
    if (!m_running) return;
    if (m_thread.joinable()) {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_wake->Wake();
        m_thread.join();  // always: the thread uses this object
        m_interval = 0;
    } else {
        fw::WindowTimers().KillTimer(m_window, m_timerId);
    }
    m_running = FALSE;
}

void CQXTimer::Pause() {
    if (!m_running) return;
    if (m_thread.joinable()) {
        {
            std::lock_guard lock(m_mutex);
            m_paused = true;
        }
        m_wake->Wake();
    } else {
        fw::WindowTimers().KillTimer(m_window, m_timerId);
    }
}

void CQXTimer::Resume() {
    if (!m_running) return;
    if (m_thread.joinable()) {
        {
            std::lock_guard lock(m_mutex);
            if (!m_paused) return;
            m_paused = false;
        }
        m_wake->Wake();
    } else if (!fw::WindowTimers().SetTimer(m_window, m_timerId, m_interval)) {
        m_running = StartThread() ? TRUE : FALSE;
    }
}

void CQXTimer::ThreadProc() {
    if (m_priority > 0) {
        // Higher priority where the system allows it; an ordinary user is
        // refused, which leaves the thread at normal priority.
        const int nice = -std::min(m_priority, 19);
        ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), nice);
    }
    uint32_t start = m_clock.Now();
    for (;;) {
        bool stop = false;
        bool paused = false;
        {
            std::lock_guard lock(m_mutex);
            stop = m_stop;
            paused = m_paused;
        }
        if (stop) break;
        if (paused) {
            // The interval goes on counting meanwhile: one that ran out
            // during the pause ticks as soon as the timer is resumed.
            m_wake->Wait(ThreadWait::kInfinite);
            continue;
        }
        const uint32_t elapsed = m_clock.Now() - start;
        if (elapsed >= m_interval) {
            fw::PostMessage(m_window, fw::kWmTimer, m_timerId, 0);
            start = m_clock.Now();
            continue;
        }
        m_wake->Wait(m_interval - elapsed);
    }
}
