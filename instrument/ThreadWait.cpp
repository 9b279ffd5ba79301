#include "instrument/ThreadWait.h"

#include <chrono>

namespace {

class RealWait final : public ThreadWait {
public:
    bool Wait(uint32_t ms) override {
        std::unique_lock lock(m_mutex);
        const auto woken = [this] { return m_woken; };
        if (ms == kInfinite)
            m_changed.wait(lock, woken);
        else
            m_changed.wait_for(lock, std::chrono::milliseconds(ms), woken);
        const bool wasWoken = m_woken;
        m_woken = false;
        return wasWoken;
    }
    void Wake() override {
        {
            std::lock_guard lock(m_mutex);
            m_woken = true;
        }
        m_changed.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_woken = false;
};

platform::SteadyClock g_steady;
RealWaitClock g_real;

}  // namespace

uint32_t RealWaitClock::Now() {
    return g_steady.Now();
}

void RealWaitClock::Sleep(uint32_t ms) {
    g_steady.Sleep(ms);
}

std::unique_ptr<ThreadWait> RealWaitClock::NewWait() {
    return std::make_unique<RealWait>();
}

WaitClock& DefaultWaitClock() {
    return g_real;
}
