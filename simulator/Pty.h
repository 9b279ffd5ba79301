#pragma once
// The pseudo-terminal the simulated instrument sits on, and the COMn alias
// that lets the station find its far end.
#include <string>

#include "platform/Errors.h"

namespace ryxsim {

class PseudoTerminal {
public:
    PseudoTerminal() = default;
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    // Opens the pair: the master non-blocking for the simulator, the far end
    // in raw mode. The simulator keeps the far end open itself, so the
    // station may close and reopen it without the line hanging up.
    platform::ErrorCode Open();
    void Close();
    bool IsOpen() const { return m_master >= 0; }
    int MasterFd() const { return m_master; }
    const std::string& DevicePath() const { return m_path; }

private:
    int m_master = -1;
    int m_slave = -1;
    std::string m_path;
};

// <configDir>/ports/<alias in lower case> -> the device, removed again when
// the alias is destroyed if it still points there.
class PortAlias {
public:
    PortAlias() = default;
    ~PortAlias();
    PortAlias(const PortAlias&) = delete;
    PortAlias& operator=(const PortAlias&) = delete;

    // alias "COM1" to "COM4" (any case). An existing link is replaced only
    // when it is dangling: a live one belongs to somebody else (another
    // simulator or a real adapter), and taking it would be a surprise.
    platform::ErrorCode Publish(const std::string& configDir, const std::string& alias,
                                const std::string& device, std::string* error = nullptr);
    void Remove();
    const std::string& LinkPath() const { return m_link; }

    static bool IsValidAlias(const std::string& alias);

private:
    std::string m_link;
    std::string m_target;
};

}  // namespace ryxsim
