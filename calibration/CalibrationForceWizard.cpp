#include "calibration/CalibrationForceWizard.h"

#include <cmath>

#include "framework/core/Strings.h"
#include "settings/CQXRegistry.h"

namespace {

constexpr double kHundredGrams = 980.665;  // mN, the weight of 100 g
constexpr UINT kIdsCalibrationOutdated = 431;
constexpr UINT kIdsResult = 249;

std::vector<WizardStep> Steps() {
    return {
        {200, kNoStep, kNoStep, 1, false},   // 0: checking; the deflection constant
        {202, 2, kNoStep, kNoStep, true},    // 1
        {220, 3, 1, kNoStep, true},          // 2
        {224, 4, 2, kNoStep, true},          // 3
        {228, 5, 3, kNoStep, true},          // 4: 100 g
        {230, kNoStep, kNoStep, 6, false},   // 5: reading 1
        {232, 7, 4, kNoStep, true},          // 6: 200 g
        {230, kNoStep, kNoStep, 8, false},   // 7: reading 2
        {236, 9, 6, kNoStep, true},          // 8: 300 g
        {230, kNoStep, kNoStep, 10, false},  // 9: reading 3
        {240, 11, 8, kNoStep, true},         // 10: 400 g
        {230, kNoStep, kNoStep, 12, false},  // 11: reading 4
        {244, 13, 10, kNoStep, true},        // 12: remove all; the constants
        {kIdsResult, kNoStep, kNoStep, kNoStep, false, true},  // 13
    };
}

}  // namespace

ForceCalibration::ForceCalibration(WizardInstrument& instrument)
    : WizardEngine(instrument, Source::kState, Steps(), kErrorStep) {}

bool ForceCalibration::TakeReading(int step) {
    if (step == 0) {
        // A constant that cannot be right is as good as none.
        double k = 0;
        if (theRegistry.GetDeflectionConstant(k) != 0 || !std::isfinite(k) || k <= 0) {
            Fail(kIdsCalibrationOutdated, MB_OK | MB_SETFOREGROUND);
            return false;
        }
        m_deflectionConstant = k;
        return true;
    }
    const int k = (step - 5) / 2;  // steps 5, 7, 9, 11
    if (k < 0 || k > 3) return false;
    m_force[k] = State().rawForce;
    m_deflection[k] = State().rawDeflection;
    return true;
}

bool ForceCalibration::ComputeConstants(const WORD force[4], const WORD deflection[4],
                                        double deflectionConstant, double& forceConstant,
                                        double& compliance) {
    double f = 0, c = 0;
    for (int i = 0; i < 3; ++i) {
        const int df = static_cast<int>(force[i + 1]) - static_cast<int>(force[i]);
        const int dd = static_cast<int>(deflection[i + 1]) - static_cast<int>(deflection[i]);
        if (df <= 0) return false;  // each mass must add force
        f += kHundredGrams / df;
        c += dd * deflectionConstant / kHundredGrams;
    }
    f /= 3;
    c /= 3;
    if (!std::isfinite(f) || f <= 0 || !std::isfinite(c) || c <= 0) return false;
    forceConstant = f;
    compliance = c;
    return true;
}

bool ForceCalibration::LeaveByNext(int step) {
    if (step != 12) return true;
    if (!ComputeConstants(m_force, m_deflection, m_deflectionConstant, m_forceConstant, m_compliance)) {
        // Retry and Ignore both go back to the start of the readings:
        // there is nothing here that could be saved.
        ShowError(kIdsReadingsUnusable, 2);
        return false;
    }
    return true;
}

std::string ForceCalibration::ResultText(int) {
    return FormatPrompt(fw::LoadString(kIdsResult), m_forceConstant, m_compliance * 1000000.0);
}

unsigned ForceCalibration::SaveValues() {
    CQXSettingsGroup group;
    if (unsigned e = theRegistry.SetForceConstant(m_forceConstant)) return e;
    if (unsigned e = theRegistry.SetDeflectionCompliance(m_compliance)) return e;
    if (unsigned e = theRegistry.SetLastCalibration(WizardClockNow())) return e;
    return group.Commit();
}

CalibrationForceWizard::CalibrationForceWizard(CQXBendingBeam& beam, QWidget* parent)
    : WizardDialog(m_logic, 133, "Force and Compliance Calibration ", 1002, parent),
      m_instrument(beam),
      m_logic(m_instrument) {}
