#include "calibration/CalibrationDeflectionWizard.h"

#include <cmath>

#include "framework/core/Strings.h"
#include "settings/CQXRegistry.h"

namespace {

constexpr UINT kIdsGageBlock = 406;
constexpr UINT kIdsResult = 248;

std::vector<WizardStep> Steps() {
    return {
        {200, kNoStep, kNoStep, 1, false},   // 0: checking; the gage block heights
        {202, 2, kNoStep, kNoStep, true},    // 1
        {203, 3, 1, kNoStep, true},          // 2: Top
        {206, kNoStep, kNoStep, 4, false},   // 3
        {208, 5, 2, kNoStep, true},          // 4: Red
        {206, kNoStep, kNoStep, 6, false},   // 5: also both zero counts
        {212, 7, 4, kNoStep, true},          // 6: White
        {206, kNoStep, kNoStep, 8, false},   // 7
        {216, 9, 6, kNoStep, true},          // 8: Blue
        {206, kNoStep, kNoStep, 10, false},  // 9: then the constants
        {kIdsResult, kNoStep, kNoStep, kNoStep, false, true},  // 10
    };
}

bool Positive(double v) {
    return std::isfinite(v) && v > 0;
}

}  // namespace

DeflectionCalibration::DeflectionCalibration(WizardInstrument& instrument)
    : WizardEngine(instrument, Source::kState, Steps(), kErrorStep) {}

bool DeflectionCalibration::ReadGageBlock() {
    // In this order, stopping at the first that is missing.
    Heights h;
    if (theRegistry.GetGageBlockTop(h.top) || theRegistry.GetGageBlockRed(h.red) ||
        theRegistry.GetGageBlockWhite(h.white) || theRegistry.GetGageBlockBlue(h.blue))
        return false;
    if (!(std::isfinite(h.top) && h.top > h.red && h.red > h.white && h.white > h.blue && h.blue > 0))
        return false;
    m_heights = h;
    return true;
}

bool DeflectionCalibration::TakeReading(int step) {
    const WORD d = State().rawDeflection;
    switch (step) {
        case 0:
            if (!ReadGageBlock()) {
                Fail(kIdsGageBlock);
                return false;
            }
            return true;
        case 3:
            m_counts.top = d;
            return true;
        case 5:
            m_counts.red = d;
            m_deflectionZero = d;
            m_forceZero = State().rawForce;
            return true;
        case 7:
            m_counts.white = d;
            return true;
        case 9:
            m_counts.blue = d;
            if (!ComputeConstants(m_heights, m_counts, m_constants)) {
                ShowError(kIdsReadingsUnusable, 2);
                return false;
            }
            return true;
        default:
            return false;
    }
}

bool DeflectionCalibration::ComputeConstants(const Heights& h, const Counts& c, Constants& out) {
    const int tr = static_cast<int>(c.red) - static_cast<int>(c.top);
    const int rw = static_cast<int>(c.white) - static_cast<int>(c.red);
    const int wb = static_cast<int>(c.blue) - static_cast<int>(c.white);
    if (tr <= 0 || rw <= 0 || wb <= 0) return false;
    Constants k;
    k.topSlope = (h.top - h.red) / tr;
    k.whiteSlope = (h.red - h.white) / rw;
    k.blueSlope = (h.white - h.blue) / wb;
    k.constant = (k.topSlope + k.whiteSlope + k.blueSlope) / 3;
    if (!Positive(k.topSlope) || !Positive(k.whiteSlope) || !Positive(k.blueSlope) || !Positive(k.constant))
        return false;
    out = k;
    return true;
}

std::string DeflectionCalibration::ResultText(int) {
    return FormatPrompt(fw::LoadString(kIdsResult), m_constants.constant * 1000.0);
}

unsigned DeflectionCalibration::SaveValues() {
    CQXSettingsGroup group;
    if (unsigned e = theRegistry.SetForceZero(m_forceZero)) return e;
    if (unsigned e = theRegistry.SetDeflectionZero(m_deflectionZero)) return e;
    if (unsigned e = theRegistry.SetDeflectionTopConstant(m_constants.topSlope)) return e;
    if (unsigned e = theRegistry.SetDeflectionWhtConstant(m_constants.whiteSlope)) return e;
    if (unsigned e = theRegistry.SetDeflectionBluConstant(m_constants.blueSlope)) return e;
    if (unsigned e = theRegistry.SetDeflectionWhite(m_counts.white)) return e;
    if (unsigned e = theRegistry.SetDeflectionConstant(m_constants.constant)) return e;
    if (unsigned e = theRegistry.SetLastCalibration(WizardClockNow())) return e;
    return group.Commit();
}

CalibrationDeflectionWizard::CalibrationDeflectionWizard(CQXBendingBeam& beam, QWidget* parent)
    : WizardDialog(m_logic, 131, "Deflection Calibration ", 1002, parent),
      m_instrument(beam),
      m_logic(m_instrument) {}
