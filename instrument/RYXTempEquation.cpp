#include "instrument/RYXTempEquation.h"

#include <cfloat>
#include <cmath>
#include <cstdint>

#include "framework/core/Exceptions.h"
#include "instrument/CQXRootFinder.h"
#include "instrument/Rounding.h"
#include "instrument/TempOffsetTable.h"
#include "platform/Numbers.h"
#include "settings/CQXRegistry.h"

double RYXTempEquation::Evaluate(double x) {
    const double l = std::log(x);
    return ((m_c[3] * l + m_c[2]) * l + m_c[1]) * l + m_c[0];
}

bool RYXTempEquation::IsThermistorPath() const {
    const std::string version = m_firmware ? m_firmware() : std::string();
    return platform::AtofC(version) < 2;
}

void RYXTempEquation::UseStoredCoefficients() {
    for (int i = 0; i < 4; ++i) m_c[i] = m_a[i];
}

BOOL RYXTempEquation::LoadCoefficients() {
    BOOL result = TRUE;
    m_offset = 0;
    TempOffsetTable table;
    if (table.LoadOffsets()) {
        double bath = 0;
        if (theRegistry.GetTestBath(bath) == 0) {
            double offset = static_cast<double>(FLT_MAX);
            try {
                offset = table.GetOffset(bath);
            } catch (const fw::InvalidArgException&) {
                // A set-point outside the table's degrees has no calibration.
            }
            if (offset == static_cast<double>(FLT_MAX))
                result = FALSE;
            else
                m_offset = offset;
        }
    }
    if (IsThermistorPath()) {
        struct {
            unsigned (CQXRegistry::*get)(double&);
            double fallback;
            int index;
        } const coefficients[] = {{&CQXRegistry::GetTemperatureA0, kDefaultA0, 0},
                                  {&CQXRegistry::GetTemperatureA1, kDefaultA1, 1},
                                  {&CQXRegistry::GetTemperatureA3, kDefaultA3, 3}};
        for (const auto& c : coefficients) {
            double v = 0;
            if ((theRegistry.*c.get)(v) != 0) {
                v = c.fallback;
                result = FALSE;
            }
            m_a[c.index] = v;
        }
        m_a[2] = 0;
        UseStoredCoefficients();
    }
    return result;
}

double RYXTempEquation::RawToTemperature(WORD raw, BOOL withOffset) {
    if (!IsThermistorPath()) {
        const double h = static_cast<int16_t>(raw) / 100.0;
        return withOffset ? h + m_offset : h;
    }
    // The 16-bit converter spans -10 V to +10 V across the bridge.
    const double v = raw * 20.0 / 65536.0 - 10.0;
    const double r = -16200.0 - (1.98602e9 * v + 9.6714e10) / (208980.0 * v - 2250000.0);
    double t = 1000.0 / Evaluate(r) - 273.0;
    if (withOffset) t += m_offset;
    return RoundTo(t, 0.01);
}

WORD RYXTempEquation::TemperatureToRaw(double t) {
    if (!IsThermistorPath()) {
        // To the nearest count: truncating sent about one whole-degree
        // set-point in fourteen out a hundredth low.
        const double counts = RoundTo((t - m_offset) * 100.0, 1);
        if (!(counts >= INT16_MIN && counts <= INT16_MAX)) throw fw::InvalidArgException();
        return static_cast<WORD>(static_cast<int16_t>(counts));
    }
    const double x = 1000.0 / (t + 273.0 - m_offset);
    m_a[0] -= x;
    UseStoredCoefficients();
    double r = 0;
    try {
        r = CQXRootFinder(*this, 1000.0, 160000.0, 100, 1.0).FindRoot();
    } catch (...) {
        m_a[0] += x;
        UseStoredCoefficients();
        throw;
    }
    m_a[0] += x;
    UseStoredCoefficients();
    const double v = (2250000.0 * r - 6.0264e10) / (208980.0 * r + 5.371496e9);
    const double counts = RoundTo(v * 3276.8 + 32768.0, 1);
    // A root beyond the bridge's span has no word.
    if (!(counts >= 0 && counts <= 65535)) throw fw::InvalidArgException();
    return static_cast<WORD>(counts);
}
