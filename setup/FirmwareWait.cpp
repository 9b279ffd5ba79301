#include "setup/FirmwareWait.h"

#include "instrument/CQXBeamProtocol.h"
#include "setup/SetupPages.h"

namespace setup {

bool FirmwareKnown(const std::string& version) {
    return !version.empty() && version != "?";
}

FirmwareWait::FirmwareWait(SetupInstrument& beam, platform::Clock& clock)
    : m_beam(beam), m_clock(clock), m_start(clock.Now()) {}

uint32_t FirmwareWait::Limit() {
    return CQXBeamProtocol::ReplyTimeout(CQXBeamProtocol::kCmdV) + kWritePass;
}

FirmwareWait::State FirmwareWait::Check() {
    if (m_state != State::Waiting) return m_state;
    if (FirmwareKnown(m_beam.GetFirmwareVersion()))
        m_state = State::Known;
    else if (m_beam.GetStatus() != 0 || m_clock.Now() - m_start > Limit())
        // The request went unanswered (55), or the line failed (1117).
        m_state = State::NoVersion;
    return m_state;
}

}  // namespace setup
