// The simulated instrument inside the instrument object: it answers a
// command by changing the frame texts as the instrument would, and makes up
// a data frame for "G". Nothing in the station calls it.
#include <cstdio>
#include <cstring>

#include "instrument/CQXBeamProtocol.h"
#include "instrument/CQXBendingBeam.h"

namespace {

constexpr WORD kTareDeflection = 19037;
constexpr WORD kTareForce = 35750;
constexpr WORD kLoadForce = 42064;
constexpr WORD kRestDeflection = 22616;
constexpr uint32_t kRampCounts = 480;
constexpr unsigned kRampTop = 22528;
constexpr unsigned kRampBottom = 21085;
constexpr unsigned kRampStep = 3;

// Four upper-case hex digits, as the frame processing reads them.
void WriteWord(char (&text)[5], WORD value) {
    std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(value));
}

}  // namespace

WORD CQXBeamProtocol::SimulateDeflection() {
    WORD value = kRestDeflection;
    if (m_state.test) {
        const uint32_t n = m_loadCounter;
        const uint32_t step = n % kRampCounts;
        value = (n / kRampCounts) % 2 == 1 ? static_cast<WORD>(step * kRampStep + kRampBottom)
                                           : static_cast<WORD>(kRampTop - step * kRampStep);
    }
    WriteWord(m_words[0], value);
    return value;
}

BOOL CQXBeamProtocol::SimulateResponse(int command) {
    switch (command) {
        case kCmdG:
            if (m_zeroLetter == 'L') {
                if (m_loadCounter == 0)
                    m_zeroLetter = 'Z';
                else
                    --m_loadCounter;
            }
            if (m_tarePending || m_zeroLetter == 'Z') {
                WriteWord(m_words[0], kTareDeflection);
                WriteWord(m_words[1], kTareForce);
            } else {
                WriteWord(m_words[1], kLoadForce);
                SimulateDeflection();
            }
            m_remoteLetter = 'R';
            m_pendingCommand = kCmdG;
            ProcessDataFrame();
            break;
        case kCmdV:
            m_firmwareVersion = "2.0";
            break;
        case kCmdR:
            ResetProtocol();
            break;
        case kCmdD:
            m_state.test = FALSE;
            break;
        case kCmdH:
            m_controlLetter = 'H';
            break;
        case kCmdC:
            m_controlLetter = 'C';
            break;
        case kCmdB:
            m_controlLetter = 'B';
            break;
        case kCmdN:
            m_controlLetter = 'N';
            break;
        case kCmdL:
            m_zeroLetter = 'L';
            m_state.test = TRUE;
            m_tarePending = TRUE;
            m_loadCounter = static_cast<uint32_t>(m_loadValue) + 1;
            break;
        case kCmdZ:
            m_zeroLetter = 'Z';
            break;
        case kCmdT:
            std::memcpy(m_words[2], "4B50", 5);
            break;
        default:
            return FALSE;
    }
    m_pendingCommand = kCmdNone;
    return TRUE;
}

BOOL CQXBendingBeam::SimulateResponse(int command) {
    platform::LockGuard lock(m_lock);
    return m_protocol.SimulateResponse(command);
}

WORD CQXBendingBeam::SimulateDeflection() {
    platform::LockGuard lock(m_lock);
    return m_protocol.SimulateDeflection();
}
