#pragma once
// Applies line settings and time-outs to one open port: a short-lived helper
// made for the configuration steps of an open.
#include <string>

#include "instrument/CQXCommPort.h"

class CQXSerialConfig {
public:
    explicit CQXSerialConfig(CQXCommPort& port) : m_line(port.Line()) {}
    virtual ~CQXSerialConfig() = default;
    CQXSerialConfig(const CQXSerialConfig&) = delete;
    CQXSerialConfig& operator=(const CQXSerialConfig&) = delete;

    virtual unsigned SetTimeouts(const platform::CommTimeouts& timeouts);
    // Time-outs from the character time t: {15t, 2t, 500, t, 5000}.
    virtual unsigned SetTimeoutsByBaud();
    // A zeroed record filled from the mode string and applied.
    virtual unsigned ApplyCommString(const std::string& mode);
    // No stored line settings exist: empty and 232.
    virtual unsigned GetStoredString(std::string& out);
    virtual unsigned GetDefaultString(std::string& out);
    virtual unsigned ApplyStored();
    virtual unsigned ApplyDefault();

    // The line's baud rate, 0 when it cannot be read.
    DWORD GetBaudRate();
    // Milliseconds per character: 1 from 9600 baud up, else 8000 / baud + 1
    // (1200 baud: 7).
    DWORD CharTime();
    unsigned SetupComm(DWORD inQueue, DWORD outQueue);
    unsigned SetCommMask(DWORD mask);
    // The stored settings, else the default ones; then the time-outs by baud.
    unsigned Configure();

    static constexpr const char* kDefaultMode = "baud=9600 parity=N data=8 stop=1";

protected:
    // Fills a fresh record from the mode string; shared by the variants.
    unsigned BuildFromString(const std::string& mode, platform::LineSettings& dcb);

    platform::SerialLine& m_line;
};

// The RS-485 variant: RTS is toggled by the driver around each transmission.
class CQXRS485Config : public CQXSerialConfig {
public:
    using CQXSerialConfig::CQXSerialConfig;
    unsigned ApplyCommString(const std::string& mode) override;
};
