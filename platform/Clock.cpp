#include "platform/Clock.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace platform {

uint32_t SteadyClock::Now() {
    using namespace std::chrono;
    return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void SteadyClock::Sleep(uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

uint32_t ManualClock::Now() {
    std::lock_guard lock(m_mutex);
    return m_now;
}

void ManualClock::Sleep(uint32_t ms) {
    std::unique_lock lock(m_mutex);
    if (m_autoAdvance) {
        m_now += ms;
        lock.unlock();
        m_cv.notify_all();
        std::this_thread::yield();
        return;
    }
    const uint32_t start = m_now;
    ++m_sleepers;
    m_cv.notify_all();
    m_cv.wait(lock, [&] { return m_now - start >= ms || m_release; });
    --m_sleepers;
}

void ManualClock::Advance(uint32_t ms) {
    {
        std::lock_guard lock(m_mutex);
        m_now += ms;
    }
    m_cv.notify_all();
}

void ManualClock::Set(uint32_t now) {
    {
        std::lock_guard lock(m_mutex);
        m_now = now;
    }
    m_cv.notify_all();
}

void ManualClock::SetAutoAdvance(bool on) {
    {
        std::lock_guard lock(m_mutex);
        m_autoAdvance = on;
    }
    m_cv.notify_all();
}

void ManualClock::ReleaseSleepers(bool on) {
    {
        std::lock_guard lock(m_mutex);
        m_release = on;
    }
    m_cv.notify_all();
}

void ManualClock::WaitForSleepers(int n) {
    std::unique_lock lock(m_mutex);
    m_cv.wait(lock, [&] { return m_sleepers >= n; });
}

namespace {
SteadyClock g_steady;
std::atomic<Clock*> g_clock{nullptr};
}  // namespace

Clock& DefaultClock() {
    Clock* c = g_clock.load(std::memory_order_acquire);
    return c ? *c : g_steady;
}

void SetDefaultClock(Clock* clock) { g_clock.store(clock, std::memory_order_release); }

namespace {
class Follower final : public Clock {
public:
    uint32_t Now() override { return DefaultClock().Now(); }
    void Sleep(uint32_t ms) override { DefaultClock().Sleep(ms); }
};
}  // namespace

Clock& FollowDefaultClock() {
    static Follower follower;
    return follower;
}

}  // namespace platform
