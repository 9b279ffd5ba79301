#include "instrument/ReadingConversion.h"

#include "instrument/Rounding.h"
#include "settings/CQXRegistry.h"

namespace {

// Reads one setting, or takes its default and notes that.
template <class T, class Getter>
T Setting(Getter get, T fallback, bool& defaultsUsed) {
    T value{};
    if ((theRegistry.*get)(value) != 0) {
        defaultsUsed = true;
        return fallback;
    }
    return value;
}

}  // namespace

ConvertedReadings ConvertFrame(const BeamState& raw, BOOL& tarePending, ConversionValues& values,
                               RYXTempEquation& equation) {
    using D = ConversionDefaults;
    ConvertedReadings out;
    bool defaults = false;

    values.forceZero = Setting(&CQXRegistry::GetForceZero, D::kForceZero, defaults);
    values.forceConstant = Setting(&CQXRegistry::GetForceConstant, D::kForceConstant, defaults);
    DWORD resolution = 0;
    const double forceStep = theRegistry.GetForceResolution(resolution) == 0 && resolution != 0 ? 0.1 : 1.0;
    const int forceCounts = static_cast<int>(raw.rawForce) - static_cast<int>(values.forceZero);
    out.force = static_cast<float>(RoundTo(forceCounts * values.forceConstant, forceStep));

    const WORD white = Setting(&CQXRegistry::GetDeflectionWhite, D::kDeflectionWhite, defaults);
    const WORD zero = Setting(&CQXRegistry::GetDeflectionZero, D::kDeflectionZero, defaults);
    const double red = Setting(&CQXRegistry::GetGageBlockRed, D::kGageBlockRed, defaults);
    const WORD d = raw.rawDeflection;
    double offset = 0;
    WORD reference = zero;
    if (d > white) {
        // Above the white gage block: the blue range, measured from White
        // plus the gage blocks' difference.
        values.deflectionConstant =
            Setting(&CQXRegistry::GetDeflectionBluConstant, D::kBluConstant, defaults);
        reference = white;
        double gageWhite = 0;
        if (theRegistry.GetGageBlockWhite(gageWhite) == 0) {
            offset = red - gageWhite;
        } else {
            offset = D::kGageBlockOffset;
            defaults = true;
        }
    } else if (d > zero) {
        values.deflectionConstant =
            Setting(&CQXRegistry::GetDeflectionWhtConstant, D::kWhtConstant, defaults);
    } else {
        values.deflectionConstant =
            Setting(&CQXRegistry::GetDeflectionTopConstant, D::kTopConstant, defaults);
    }
    values.compliance = Setting(&CQXRegistry::GetDeflectionCompliance, D::kCompliance, defaults);

    const int deflectionCounts = static_cast<int>(d) - static_cast<int>(reference);
    const double position = deflectionCounts * values.deflectionConstant + offset;
    // The machine's own give under the force, with the force as stored.
    const double bend = static_cast<double>(out.force) * values.compliance;
    if (tarePending) {
        tarePending = FALSE;
        values.tare = position - bend;
    }
    if (!raw.test) values.tare = 0;
    out.deflection =
        static_cast<float>(RoundTo(position - values.tare - bend, static_cast<double>(0.00001f)));

    out.defaultsUsed = defaults;
    out.temperature = static_cast<float>(equation.RawToTemperature(raw.rawTemperature, TRUE));
    return out;
}
