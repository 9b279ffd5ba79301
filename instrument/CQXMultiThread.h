#pragma once
// A service thread: it sleeps until it is woken or its poll time-out has
// passed, then calls OnPoll, until it is stopped.
#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>

#include "instrument/ThreadWait.h"
#include "platform/WinTypes.h"

class CQXMultiThread {
public:
    explicit CQXMultiThread(WaitClock& clock = DefaultWaitClock());
    // Stops the thread and waits for it to end; no wait for a thread that
    // never started.
    virtual ~CQXMultiThread();
    CQXMultiThread(const CQXMultiThread&) = delete;
    CQXMultiThread& operator=(const CQXMultiThread&) = delete;

    // Starts the thread with the poll time-out (ms on the clock, or
    // ThreadWait::kInfinite: it polls only when woken). FALSE when it cannot
    // start or already runs.
    BOOL CreateThread(uint32_t pollTimeout);
    // Ends the current or next wait at once (from any thread).
    void Wake();
    bool IsThreadStarted() const { return m_thread.joinable(); }

protected:
    // Called on the thread after each wait.
    virtual void OnPoll() {}
    // Sets the stop flag, wakes the thread and waits for it to end. Every
    // derived class calls it first thing in its destructor, so that the
    // thread never runs into members, or a virtual table, that are being
    // destroyed. Not on the thread itself.
    void StopThread();
    bool IsServiceThread() const { return std::this_thread::get_id() == m_threadId.load(); }

private:
    void Run();

    std::atomic<bool> m_stop{false};
    uint32_t m_pollTimeout = ThreadWait::kInfinite;
    std::unique_ptr<ThreadWait> m_wake;
    std::thread m_thread;
    std::atomic<std::thread::id> m_threadId{};
};
