#include "instrument/CQXCommPort.h"

#include "platform/PortNames.h"

unsigned CQXCommPort::Close() {
    if (!m_line.IsOpen()) return platform::kErrorSuccess;
    OnClose();
    // The line is released even when its close reports an error.
    return m_line.Close();
}

unsigned CQXCommPort::Flush() {
    return m_line.Flush();
}

unsigned CQXCommPort::Open(const std::string& name) {
    if (m_line.IsOpen()) return platform::kErrorSuccess;
    if (const unsigned e = m_line.Open(platform::ResolvePortName(name))) return e;
    m_name = name;
    return OnOpen();
}

unsigned CQXCommPort::Purge(DWORD) {
    return platform::kErrorCallNotImplemented;
}

unsigned CQXCommPort::Read(void*, DWORD& count, DWORD) {
    count = 0;
    return platform::kErrorCallNotImplemented;
}

unsigned CQXCommPort::Write(const void*, DWORD) {
    return platform::kErrorCallNotImplemented;
}

unsigned CQXCommPort::OnOpen() {
    return platform::kErrorSuccess;
}

unsigned CQXCommPort::OnClose() {
    return platform::kErrorSuccess;
}

unsigned CQXCommPort::BytesWaiting(DWORD& count) {
    if (!m_line.IsOpen()) {
        count = 0;
        return platform::kErrorCallNotImplemented;
    }
    return m_line.InputWaiting(count);
}
