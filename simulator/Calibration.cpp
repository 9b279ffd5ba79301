#include "simulator/Calibration.h"

#include <cmath>

namespace ryxsim {

uint16_t ToCount(double value) {
    if (!(value > 0)) return 0;  // NaN too
    if (value >= 65535.0) return 65535;
    return static_cast<uint16_t>(std::lround(value));
}

uint16_t Calibration::DeflectionWhiteCount() const {
    return ToCount(deflectionZero + (gage.red - gage.white) / whiteSlope);
}

uint16_t Calibration::PositionToCount(double mm) const {
    if (mm <= 0) return ToCount(deflectionZero + mm / topSlope);
    const double whiteMm = gage.red - gage.white;
    if (mm <= whiteMm) return ToCount(deflectionZero + mm / whiteSlope);
    return ToCount(DeflectionWhiteCount() + (mm - whiteMm) / blueSlope);
}

double Calibration::CountToPosition(uint16_t count) const {
    const uint16_t white = DeflectionWhiteCount();
    if (count > white) return (int(count) - int(white)) * blueSlope + (gage.red - gage.white);
    if (count > deflectionZero) return (int(count) - int(deflectionZero)) * whiteSlope;
    return (int(count) - int(deflectionZero)) * topSlope;
}

uint16_t Calibration::ForceToCount(double mN) const {
    return ToCount(forceZero + mN / forceConstant);
}

double Calibration::CountToForce(uint16_t count) const {
    return (int(count) - int(forceZero)) * forceConstant;
}

double Calibration::ResistanceToCelsius(double ohm) const {
    const double l = std::log(ohm);
    return 1000.0 / (a0 + a1 * l + a3 * l * l * l) - 273.0;
}

double Calibration::CelsiusToResistance(double celsius) const {
    // The equation is monotonic in ln R: bisect on it, which needs no
    // derivative and cannot wander off.
    const double want = 1000.0 / (celsius + 273.0);
    double lo = std::log(10.0), hi = std::log(1e7);
    for (int i = 0; i < 200; ++i) {
        const double mid = 0.5 * (lo + hi);
        const double v = a0 + a1 * mid + a3 * mid * mid * mid;
        (v < want ? lo : hi) = mid;
    }
    return std::exp(0.5 * (lo + hi));
}

// The bridge: the 16-bit converter spans -10 V to +10 V.
uint16_t Calibration::ResistanceToCount(double ohm) {
    const double volts = (2250000.0 * ohm - 6.0264e10) / (208980.0 * ohm + 5.371496e9);
    return ToCount(volts * 3276.8 + 32768.0);
}

double Calibration::CountToResistance(uint16_t count) {
    const double volts = count * 20.0 / 65536.0 - 10.0;
    return -16200.0 - (1.98602e9 * volts + 9.6714e10) / (208980.0 * volts - 2250000.0);
}

uint16_t Calibration::TemperatureToWord(double celsius, bool hundredths) const {
    if (hundredths) {
        const double h = std::round(celsius * 100.0);
        const double clamped = h < -32768 ? -32768 : h > 32767 ? 32767 : h;
        return static_cast<uint16_t>(static_cast<int16_t>(clamped));
    }
    return ResistanceToCount(CelsiusToResistance(celsius));
}

bool Calibration::WordToTemperature(uint16_t word, bool hundredths, double& celsius) const {
    if (hundredths) {
        celsius = static_cast<int16_t>(word) / 100.0;
        return true;
    }
    const double ohm = CountToResistance(word);
    if (!(ohm > 0) || !std::isfinite(ohm)) return false;
    const double t = ResistanceToCelsius(ohm);
    if (!std::isfinite(t)) return false;
    celsius = t;
    return true;
}

}  // namespace ryxsim
