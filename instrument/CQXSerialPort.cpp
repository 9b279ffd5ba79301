#include "instrument/CQXSerialPort.h"

#include "platform/Clock.h"

CQXSerialPort::~CQXSerialPort() {
    CQXCommPort::Close();
}

unsigned CQXSerialPort::Purge(DWORD flags) {
    return m_line.Purge(flags);
}

unsigned CQXSerialPort::OnClose() {
    using namespace platform;
    unsigned result = Purge(kPurgeTxAbort | kPurgeRxAbort | kPurgeTxClear | kPurgeRxClear);
    if (m_savedDcb) {
        const unsigned e = m_line.SetCommState(*m_savedDcb);
        if (result == 0) result = e;
        m_savedDcb.reset();
    }
    if (m_savedTimeouts) {
        if (result == 0) result = m_line.SetCommTimeouts(*m_savedTimeouts);
        m_savedTimeouts.reset();
    }
    return result;
}

void CQXSerialPort::SetTerminator(char c) {
    m_terminator = c;
    m_hasTerminator = c != kNoTerminator ? TRUE : FALSE;
}

unsigned CQXSerialPort::FlushAndWait(DWORD ms) {
    const unsigned e = CQXCommPort::Flush();
    if (e == 0) platform::Sleep(ms);
    return e;
}
