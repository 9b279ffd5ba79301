#include "simulator/tests/support/StationView.h"

#include <cmath>

namespace ryxsim::testing {

Readings StationView::Convert(const Frame& f) {
    Readings r;
    r.force = std::round((int(f.force) - int(m_cal.forceZero)) * m_cal.forceConstant * 10.0) / 10.0;
    const int white = m_cal.DeflectionWhiteCount();
    const int zero = m_cal.deflectionZero;
    double raw;
    if (f.deflection > white)
        raw = (int(f.deflection) - white) * m_cal.blueSlope + (m_cal.gage.red - m_cal.gage.white);
    else if (f.deflection > zero)
        raw = (int(f.deflection) - zero) * m_cal.whiteSlope;
    else
        raw = (int(f.deflection) - zero) * m_cal.topSlope;
    const double bend = static_cast<float>(r.force) * m_cal.compliance;
    if (m_tarePending) {
        m_tarePending = false;
        m_tare = raw - bend;
    }
    if (!m_test) m_tare = 0;
    r.deflection = raw - m_tare - bend;
    if (m_hundredths) {
        r.temperature = static_cast<int16_t>(f.temperature) / 100.0;
    } else {
        // The thermistor path: the bridge's voltage, its resistance, then the
        // equation with the coefficients the settings hold.
        const double v = f.temperature * 20.0 / 65536.0 - 10.0;
        const double ohm = -16200.0 - (1.98602e9 * v + 9.6714e10) / (208980.0 * v - 2250000.0);
        const double l = std::log(ohm);
        r.temperature =
            std::round((1000.0 / (m_cal.a0 + m_cal.a1 * l + m_cal.a3 * l * l * l) - 273.0) * 100) / 100;
    }
    return r;
}

double StiffnessMPa(double force, double deflection, double width, double thickness) {
    const float g =
        static_cast<float>((4.0f * static_cast<float>(width)) * static_cast<float>(thickness) *
                           static_cast<float>(thickness) * static_cast<float>(thickness) / 1048772.0f);
    float d = static_cast<float>(deflection) * g;
    if (d == 0) d = 1.1920929e-7f;
    return static_cast<float>(force) / (d * 1000.0f);
}

}  // namespace ryxsim::testing
