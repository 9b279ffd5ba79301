#pragma once
// The re-entrant lock the instrument object and the settings store guard
// their state with (a critical section on the original platform).
#include <mutex>

namespace platform {

class RecursiveLock {
public:
    void lock() { m_mutex.lock(); }
    void unlock() { m_mutex.unlock(); }
    bool try_lock() { return m_mutex.try_lock(); }

private:
    std::recursive_mutex m_mutex;
};

using LockGuard = std::lock_guard<RecursiveLock>;

}  // namespace platform
