#pragma once
// A wait clock that moves only when the test advances it. A thread's wait
// ends when it is woken or when the clock has moved its time-out on, and
// WaitBlocked lets the test go on only once the threads have done all they
// can at the current time, so no test ever waits a fixed time.
//
// Declare the clock before the objects whose waits it makes.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <set>

#include "instrument/ThreadWait.h"

namespace testsupport {

class ManualWaitClock final : public WaitClock {
public:
    explicit ManualWaitClock(uint32_t start = 100000) : m_now(start) {}

    uint32_t Now() override {
        std::lock_guard lock(m_mutex);
        return m_now;
    }
    // Until the clock has been advanced by ms.
    void Sleep(uint32_t ms) override {
        std::unique_lock lock(m_mutex);
        const uint32_t start = m_now;
        m_changed.wait(lock, [&] { return m_now - start >= ms; });
    }
    std::unique_ptr<ThreadWait> NewWait() override { return std::make_unique<ManualWait>(*this); }

    void Advance(uint32_t ms) {
        {
            std::lock_guard lock(m_mutex);
            m_now += ms;
        }
        m_changed.notify_all();
    }
    // Blocks until exactly n threads wait with nothing pending to end their
    // wait (no wake, time-out not reached). False when that does not come
    // within a few seconds: a test failure, not a timing.
    bool WaitBlocked(int n) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, kPatience, [&] { return Blocked() == n; });
    }
    // Waits begun so far, by every thread.
    uint64_t WaitsBegun() {
        std::lock_guard lock(m_mutex);
        return m_begun;
    }

private:
    static constexpr std::chrono::seconds kPatience{10};

    class ManualWait final : public ThreadWait {
    public:
        explicit ManualWait(ManualWaitClock& clock) : m_clock(clock) {
            std::lock_guard lock(m_clock.m_mutex);
            m_clock.m_waits.insert(this);
        }
        ~ManualWait() override {
            std::lock_guard lock(m_clock.m_mutex);
            m_clock.m_waits.erase(this);
        }
        bool Wait(uint32_t ms) override {
            std::unique_lock lock(m_clock.m_mutex);
            m_waiting = true;
            m_start = m_clock.m_now;
            m_ms = ms;
            ++m_clock.m_begun;
            m_clock.m_changed.notify_all();
            m_clock.m_changed.wait(lock, [&] { return m_woken || TimeUp(); });
            m_waiting = false;
            const bool woken = m_woken;
            m_woken = false;
            m_clock.m_changed.notify_all();
            return woken;
        }
        void Wake() override {
            {
                std::lock_guard lock(m_clock.m_mutex);
                m_woken = true;
            }
            m_clock.m_changed.notify_all();
        }
        // Under the clock's mutex.
        bool TimeUp() const { return m_ms != kInfinite && m_clock.m_now - m_start >= m_ms; }
        bool Blocked() const { return m_waiting && !m_woken && !TimeUp(); }

    private:
        ManualWaitClock& m_clock;
        bool m_waiting = false;
        bool m_woken = false;
        uint32_t m_start = 0;
        uint32_t m_ms = 0;
    };

    int Blocked() const {
        int n = 0;
        for (const ManualWait* w : m_waits) n += w->Blocked() ? 1 : 0;
        return n;
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    uint32_t m_now;
    uint64_t m_begun = 0;
    std::set<ManualWait*> m_waits;
};

}  // namespace testsupport
