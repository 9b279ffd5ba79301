#pragma once
// The conversion of one data frame's raw counts into deflection (mm), force
// (mN) and bath temperature (degC), from the calibration settings read
// afresh at every frame, so that a stored calibration applies at once. A
// setting that cannot be read is replaced by its default, and the frame
// says so (the instrument's status then reads 1015).
#include "instrument/BeamState.h"
#include "instrument/RYXTempEquation.h"
#include "platform/WinTypes.h"

struct ConversionDefaults {
    static constexpr WORD kForceZero = 35750;
    static constexpr double kForceConstant = 0.151;
    static constexpr WORD kDeflectionWhite = 29060;
    static constexpr WORD kDeflectionZero = 19037;
    static constexpr double kGageBlockRed = 15.0;
    static constexpr double kBluConstant = 0.000158;
    static constexpr double kWhtConstant = 0.000154;
    static constexpr double kTopConstant = 0.000153;
    static constexpr double kGageBlockOffset = 2.0;  // when Gage Block\White is missing
    static constexpr double kCompliance = 6.871e-6;
};

// What the conversion keeps between frames (the instrument object holds it).
struct ConversionValues {
    WORD forceZero = 0;
    double forceConstant = 0;
    double deflectionConstant = 0;  // of the range the last frame fell in
    double compliance = 0;
    double tare = 0;  // mm: the deflection when the load was applied
};

struct ConvertedReadings {
    float deflection = 0;
    float force = 0;
    float temperature = 0;
    bool defaultsUsed = false;
};

// raw.test tells whether a load is applied; tarePending (set by the load's
// acknowledgement) is cleared when this frame fixes the tare.
ConvertedReadings ConvertFrame(const BeamState& raw, BOOL& tarePending, ConversionValues& values,
                               RYXTempEquation& equation);
