#pragma once
// The base serial port: a line handle and the name it was opened under. The
// operations return Windows error codes (0 is success), which the instrument
// object reduces to its status.
#include <string>

#include "platform/SerialLine.h"
#include "platform/WinTypes.h"

class CQXCommPort {
public:
    CQXCommPort() = default;
    // Closes nothing through the hooks; the derived destructors close.
    virtual ~CQXCommPort() = default;
    CQXCommPort(const CQXCommPort&) = delete;
    CQXCommPort& operator=(const CQXCommPort&) = delete;

    // 0 when closed; else OnClose (its result is not used) and the line's close.
    virtual unsigned Close();
    virtual unsigned Flush();
    // An open port returns 0 and stays as it is, whatever the name. Else the
    // name (COMn through the alias folder, any other name as a path) is opened
    // exclusively and OnOpen's result returned; a failed open leaves it closed.
    virtual unsigned Open(const std::string& name);
    virtual unsigned Purge(DWORD flags);
    virtual unsigned Read(void* buffer, DWORD& count, DWORD wanted);
    virtual unsigned Write(const void* buffer, DWORD count);
    virtual unsigned OnOpen();
    virtual unsigned OnClose();

    virtual BOOL IsOpen() const { return m_line.IsOpen() ? TRUE : FALSE; }
    // The count of received bytes not read yet; 120 where a port cannot tell.
    virtual unsigned BytesWaiting(DWORD& count);

    const std::string& GetName() const { return m_name; }
    platform::SerialLine& Line() { return m_line; }

protected:
    platform::SerialLine m_line;  // closed while the port is closed
    std::string m_name;
};
