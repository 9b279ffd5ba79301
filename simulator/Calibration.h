#pragma once
// The simulated instrument's own transducers: how its load cell, its LVDT
// and its bath thermistor turn engineering values into raw 16-bit counts.
// The settings that --write-settings produces are these same numbers, so a
// station that reads them converts the counts back to what the model holds.
#include <cstdint>

namespace ryxsim {

struct GageBlock {
    // Heights of the four levels (mm); the shaft resting on Red reads zero
    // deflection, and a lower level reads a positive deflection.
    double top = 16.500;
    double red = 15.000;
    double white = 13.000;
    double blue = 11.000;
};

struct Calibration {
    // Load cell: count = forceZero + force / forceConstant.
    uint16_t forceZero = 35812;
    double forceConstant = 0.15080;  // mN per count

    // LVDT: three slopes around the gage block's Red (the zero count) and
    // White levels, as a deflection calibration measures them.
    uint16_t deflectionZero = 19100;
    double topSlope = 0.0001525;    // mm per count, at and above Red
    double whiteSlope = 0.0001540;  // between Red and White
    double blueSlope = 0.0001565;   // below White

    // Frame and shaft compliance: the LVDT reads this much extra travel per mN.
    double compliance = 6.95e-6;  // mm per mN

    // Thermistor of the bath (old firmware): 1000 / T(K) = a0 + a1 ln R + a3 ln^3 R.
    double a0 = 1.3125;
    double a1 = 0.2303;
    double a3 = 2.1650e-4;

    GageBlock gage;

    // The count at the White level, where the middle slope gives way.
    uint16_t DeflectionWhiteCount() const;

    // Position of the shaft tip in mm below the Red level -> LVDT count.
    uint16_t PositionToCount(double mm) const;
    // The inverse, with the same three ranges the station uses.
    double CountToPosition(uint16_t count) const;

    uint16_t ForceToCount(double mN) const;
    double CountToForce(uint16_t count) const;

    // Bath temperature word as the firmware sends it.
    uint16_t TemperatureToWord(double celsius, bool hundredths) const;
    // A set-point word of the "T" command back to degrees Celsius; false when
    // the word means no temperature the thermistor can have.
    bool WordToTemperature(uint16_t word, bool hundredths, double& celsius) const;

    // Thermistor resistance (ohm) <-> temperature (degC, with 273 as the
    // firmware has it) and bridge count <-> resistance.
    double ResistanceToCelsius(double ohm) const;
    double CelsiusToResistance(double celsius) const;
    static uint16_t ResistanceToCount(double ohm);
    static double CountToResistance(uint16_t count);
};

// Clamps and rounds to a 16-bit count.
uint16_t ToCount(double value);

}  // namespace ryxsim
