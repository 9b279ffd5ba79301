#include "instrument/CQXMultiThread.h"

#include <system_error>

CQXMultiThread::CQXMultiThread(WaitClock& clock) : m_wake(clock.NewWait()) {}

CQXMultiThread::~CQXMultiThread() {
    StopThread();
}

BOOL CQXMultiThread::CreateThread(uint32_t pollTimeout) {
    if (m_thread.joinable()) return FALSE;
    m_pollTimeout = pollTimeout;
    m_stop = false;
    try {
        m_thread = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
        return FALSE;
    }
    return TRUE;
}

void CQXMultiThread::Wake() {
    m_wake->Wake();
}

void CQXMultiThread::StopThread() {
    if (!m_thread.joinable()) return;
    m_stop = true;
    m_wake->Wake();
    m_thread.join();
    m_threadId = std::thread::id();
}

void CQXMultiThread::Run() {
    m_threadId = std::this_thread::get_id();
    while (!m_stop) {
        m_wake->Wait(m_pollTimeout);
        if (m_stop) break;  // woken to stop: no further round
        OnPoll();
    }
}
