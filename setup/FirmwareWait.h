#pragma once
// The sheet's OK has just opened the line, and the instrument has not told
// its firmware yet: the Equipment page is to be judged once it has, since
// from firmware 2 on the instrument measures the bath itself and the probe
// is not asked for. The wait ends when the version has come, when the link
// has given up on it (its reply time-out: a status other than 0), or, at the
// latest, when that time-out has passed on the clock. Plain logic: the sheet
// runs it with its event loop, the tests with a clock of their own.
#include <cstdint>
#include <string>

#include "platform/Clock.h"

namespace setup {

class SetupInstrument;

// Whether a firmware version text is the instrument's answer ("?" and empty
// stand until it has come).
bool FirmwareKnown(const std::string& version);

class FirmwareWait {
public:
    enum class State { Waiting, Known, NoVersion };

    // The wait starts now on clock.
    FirmwareWait(SetupInstrument& beam, platform::Clock& clock);
    // The longest wait: the version request's reply time-out, and the
    // worker's pass that writes the request after the port has opened.
    static uint32_t Limit();
    static constexpr uint32_t kWritePass = 100;

    // Looks again; once it is no longer Waiting it stays as it is.
    State Check();

private:
    SetupInstrument& m_beam;
    platform::Clock& m_clock;
    uint32_t m_start;
    State m_state = State::Waiting;
};

}  // namespace setup
