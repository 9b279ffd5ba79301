#include "app/LiveReadings.h"

#include <cstdio>

namespace {

std::string Format(const char* fmt, double v) {
    char text[64];
    std::snprintf(text, sizeof text, fmt, v);
    return text;
}

constexpr unsigned kCalibrationDefault = 1015;  // readings still valid

}  // namespace

LiveReadings::Result LiveReadings::Apply(const Update& u) {
    Result r;
    if (u.target && *u.target != m_target) {
        r.writes.push_back({kTarget, Format("  %.2f", *u.target)});
        m_target = *u.target;
    }
    const bool shown = u.readingsValid || u.status == kCalibrationDefault;
    if (shown) {
        m_valid = true;
        if (u.temperature != m_temperature)
            r.writes.push_back({kTemperature, Format("  %.2f", u.temperature)});
        if (u.force != m_force)
            r.writes.push_back({kForce, Format(u.forceResolution ? "  %.1f" : "  %.f", u.force)});
        if (u.deflection != m_deflection) r.writes.push_back({kDeflection, Format("  %.3f", u.deflection)});
        m_force = u.force;
        m_deflection = u.deflection;
        m_temperature = u.temperature;
    } else if (u.testRunning) {
        // A failed reading carries no values (the protocol's reset zeroes
        // them): the last ones stay, and the live test view reports the
        // failure itself.
    } else if (m_valid) {
        // Once per failure episode; failures before the first valid reading
        // say nothing, nor does a loss a box has told already (the test's
        // own loss box). A loss while a test was ending, which no box told,
        // is told here once the test has gone.
        m_valid = false;
        r.writes.push_back({kTemperature, "   ?"});
        r.writes.push_back({kForce, "   ?"});
        r.writes.push_back({kDeflection, "   ?"});
        m_force = m_deflection = m_temperature = kUnshown;
        r.reportError = !u.lossTold;
    }
    return r;
}
