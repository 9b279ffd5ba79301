#include "instrument/CQXRS485Port.h"

#include <new>

#include "instrument/CQXSerialConfig.h"

using namespace platform;

unsigned CQXRS485Port::Read(void* buffer, DWORD& count, DWORD wanted) {
    count = 0;
    DWORD got = 0;
    unsigned result = m_line.Read(buffer, wanted, got);
    count = got;
    if (result == 0) {
        if (!m_hasTerminator || got < wanted || got == 0 ||
            static_cast<const char*>(buffer)[got - 1] == m_terminator)
            return kErrorSuccess;
        result = kErrorMoreData;  // the buffer filled before the terminator came
    }
    DWORD errors = 0;
    if (m_line.ClearCommError(errors) == 0 && errors != 0) result = kErrorIoDevice;
    return result;
}

unsigned CQXRS485Port::Write(const void* buffer, DWORD count) {
    DWORD written = 0;
    unsigned result = m_line.Write(buffer, count, written);
    if (result == 0) {
        if (written == count) {
            Flush();
            return kErrorSuccess;
        }
        result = kErrorCanNotComplete;
    }
    DWORD errors = 0;
    const bool lineErrors = m_line.ClearCommError(errors) == 0 && errors != 0;
    Purge(kPurgeTxAbort | kPurgeTxClear);
    return lineErrors ? kErrorIoDevice : result;
}

unsigned CQXRS485Port::OnOpen() {
    CQXRS485Config config(*this);
    if (const unsigned e = config.SetupComm(512, 512)) return e;

    unsigned result = kErrorSuccess;
    bool dcbRead = false;
    bool timeoutsRead = false;
    try {
        m_savedDcb = std::make_unique<LineSettings>();
        m_savedTimeouts = std::make_unique<CommTimeouts>();
    } catch (const std::bad_alloc&) {
        result = kErrorOutOfMemory;
    }
    if (result == 0) {
        result = m_line.GetCommState(*m_savedDcb);
        dcbRead = result == 0;
    }
    if (result == 0) {
        result = m_line.GetCommTimeouts(*m_savedTimeouts);
        timeoutsRead = result == 0;
    }
    if (result == 0) result = config.Configure();
    if (result == 0) return kErrorSuccess;

    // Put back what was found, then give the line up.
    if (dcbRead) m_line.SetCommState(*m_savedDcb);
    if (timeoutsRead) m_line.SetCommTimeouts(*m_savedTimeouts);
    m_savedDcb.reset();
    m_savedTimeouts.reset();
    m_line.Close();
    return result;
}
