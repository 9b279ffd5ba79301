#include "instrument/CQXSerialConfig.h"

using namespace platform;

unsigned CQXSerialConfig::SetTimeouts(const CommTimeouts& timeouts) {
    return m_line.SetCommTimeouts(timeouts);
}

unsigned CQXSerialConfig::SetTimeoutsByBaud() {
    const DWORD t = CharTime();
    CommTimeouts timeouts;
    timeouts.ReadIntervalTimeout = 15 * t;
    timeouts.ReadTotalTimeoutMultiplier = 2 * t;
    timeouts.ReadTotalTimeoutConstant = 500;
    timeouts.WriteTotalTimeoutMultiplier = t;
    timeouts.WriteTotalTimeoutConstant = 5000;
    return SetTimeouts(timeouts);
}

unsigned CQXSerialConfig::BuildFromString(const std::string& mode, LineSettings& dcb) {
    dcb = LineSettings{};
    dcb.DCBlength = sizeof(LineSettings);
    return BuildLineSettings(mode, dcb);
}

unsigned CQXSerialConfig::ApplyCommString(const std::string& mode) {
    LineSettings dcb;
    if (const unsigned e = BuildFromString(mode, dcb)) return e;
    return m_line.SetCommState(dcb);
}

unsigned CQXRS485Config::ApplyCommString(const std::string& mode) {
    LineSettings dcb;
    if (const unsigned e = BuildFromString(mode, dcb)) return e;
    dcb.SetRtsControl(kRtsControlToggle);
    return m_line.SetCommState(dcb);
}

unsigned CQXSerialConfig::GetStoredString(std::string& out) {
    out.clear();
    return kErrorNoData;
}

unsigned CQXSerialConfig::GetDefaultString(std::string& out) {
    out = kDefaultMode;
    return kErrorSuccess;
}

unsigned CQXSerialConfig::ApplyStored() {
    std::string stored;
    if (GetStoredString(stored) != 0 || stored.empty()) return kErrorNoData;
    return ApplyCommString(stored);
}

unsigned CQXSerialConfig::ApplyDefault() {
    std::string mode;
    if (const unsigned e = GetDefaultString(mode)) return e;
    return ApplyCommString(mode);
}

DWORD CQXSerialConfig::GetBaudRate() {
    LineSettings dcb;
    if (m_line.GetCommState(dcb) != 0) return 0;
    return dcb.BaudRate;
}

DWORD CQXSerialConfig::CharTime() {
    const DWORD baud = GetBaudRate();
    // A rate that cannot be read (or one the line reports as 0) is taken as
    // the default 9600 the port was just configured with, rather than a
    // division by zero.
    if (baud == 0 || baud >= 9600) return 1;
    return static_cast<DWORD>(8000.0f / static_cast<float>(baud)) + 1;
}

unsigned CQXSerialConfig::SetupComm(DWORD inQueue, DWORD outQueue) {
    return m_line.SetupComm(inQueue, outQueue);
}

unsigned CQXSerialConfig::SetCommMask(DWORD mask) {
    return m_line.SetCommMask(mask);
}

unsigned CQXSerialConfig::Configure() {
    if (ApplyStored() != 0) {
        if (const unsigned e = ApplyDefault()) return e;
    }
    return SetTimeoutsByBaud();
}
