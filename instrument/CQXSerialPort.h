#pragma once
// A serial port that keeps the line settings it found at open and puts them
// back when it closes, and knows the byte that ends a reply.
#include <memory>

#include "instrument/CQXCommPort.h"

class CQXSerialPort : public CQXCommPort {
public:
    static constexpr char kNoTerminator = static_cast<char>(0xFF);

    CQXSerialPort() = default;
    ~CQXSerialPort() override;

    unsigned Purge(DWORD flags) override;
    // Purges, then restores the saved line settings and time-outs and frees
    // them; the first error.
    unsigned OnClose() override;

    // 0xFF (kNoTerminator) means none.
    void SetTerminator(char c);
    char GetTerminator() const { return m_terminator; }
    BOOL HasTerminator() const { return m_hasTerminator; }
    // Flush, then wait ms when it succeeded; the flush result.
    unsigned FlushAndWait(DWORD ms);

    bool HasSavedSettings() const { return m_savedDcb != nullptr || m_savedTimeouts != nullptr; }

protected:
    char m_terminator = '\r';
    BOOL m_hasTerminator = TRUE;
    std::unique_ptr<platform::LineSettings> m_savedDcb;       // only while open
    std::unique_ptr<platform::CommTimeouts> m_savedTimeouts;  // only while open
};
