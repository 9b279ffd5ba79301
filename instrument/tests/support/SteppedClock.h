#pragma once
// A clock that a test moves one worker pass at a time: the worker's Sleep
// blocks until the test grants it, and Step() returns once the worker has
// run its next pass and is asleep again, so a test sees every pass in turn
// without any real-time wait. Free() lets every sleep through, for stopping.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "platform/Clock.h"

namespace testsupport {

class SteppedClock final : public platform::Clock {
public:
    explicit SteppedClock(uint32_t start = 100000) : m_now(start) {}

    uint32_t Now() override {
        std::lock_guard lock(m_mutex);
        return m_now;
    }
    void Sleep(uint32_t ms) override {
        std::unique_lock lock(m_mutex);
        ++m_sleeps;
        m_asleep = true;
        m_changed.notify_all();
        m_changed.wait(lock, [&] { return m_grants > 0 || m_free; });
        if (m_grants > 0) --m_grants;
        m_asleep = false;
        m_now += ms;
        m_changed.notify_all();
    }

    // Lets the sleeping worker wake (its sleep moves the clock) and waits
    // until it is asleep again after one pass. False when it does not come
    // back within a few seconds (a test failure, not a timing).
    bool Step() {
        std::unique_lock lock(m_mutex);
        if (!m_changed.wait_for(lock, kPatience, [&] { return m_asleep; })) return false;
        const uint64_t before = m_sleeps;
        ++m_grants;
        m_changed.notify_all();
        return m_changed.wait_for(lock, kPatience, [&] { return m_sleeps > before && m_asleep; });
    }
    // Waits until the worker has gone to sleep for the first time.
    bool WaitAsleep() {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, kPatience, [&] { return m_asleep; });
    }
    // Moves the time without a pass (the worker stays asleep).
    void Advance(uint32_t ms) {
        std::lock_guard lock(m_mutex);
        m_now += ms;
    }
    void Free() {
        std::lock_guard lock(m_mutex);
        m_free = true;
        m_changed.notify_all();
    }

private:
    static constexpr std::chrono::seconds kPatience{10};
    std::mutex m_mutex;
    std::condition_variable m_changed;
    uint32_t m_now;
    uint64_t m_sleeps = 0;
    int m_grants = 0;
    bool m_asleep = false;
    bool m_free = false;
};

}  // namespace testsupport
