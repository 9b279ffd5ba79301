#include "calibration/CCheckWiz.h"

#include <QPushButton>
#include <cmath>
#include <utility>

#include "framework/core/Strings.h"
#include "instrument/Rounding.h"
#include "settings/CQXRegistry.h"

namespace {

constexpr UINT kIdsPassed = 372;
constexpr UINT kIdsFailed = 374;
constexpr double kDefaultMin = 1.83;  // 100 GPa
constexpr double kDefaultMax = 2.23;
constexpr double kResultDivisor = 99999997952.0;  // 1e11 as a float holds it

std::vector<WizardStep> Steps() {
    return {
        {200, kNoStep, kNoStep, 1, false},              // 0
        {350, 2, kNoStep, kNoStep, true},               // 1: insert the thin beam
        {354, 3, 1, kNoStep, true},                     // 2: 100 g
        {358, kNoStep, kNoStep, 4, false},              // 3
        {362, 5, 2, kNoStep, true},                     // 4: another 300 g
        {358, kNoStep, kNoStep, 6, false},              // 5
        {366, 7, 4, kNoStep, true},                     // 6: remove; the modulus
        {370, kNoStep, kNoStep, kNoStep, false, true},  // 7
    };
}

// A stored dimension, its default when missing; false when it is there but
// not a finite positive number (its default is taken then as well).
bool Dimension(unsigned (CQXRegistry::*get)(double&), double fallback, double& out) {
    double v = 0;
    out = fallback;
    if ((theRegistry.*get)(v) != 0) return true;
    if (!std::isfinite(v) || v <= 0) return false;
    out = v;
    return true;
}

}  // namespace

ConfidenceTest::ConfidenceTest(WizardInstrument& instrument)
    : WizardEngine(instrument, Source::kReadings, Steps(), kErrorStep) {}

bool ConfidenceTest::TakeReading(int step) {
    const double f = static_cast<double>(Readings().force.m_data);
    const double d = static_cast<double>(Readings().deflection.m_data);
    if (step == 3) {
        m_force1 = f;
        m_deflection1 = d;
    } else if (step == 5) {
        m_force2 = f;
        m_deflection2 = d;
    }
    return true;
}

double ConfidenceTest::ComputeModulus(double force1, double force2, double deflection1, double deflection2,
                                      double width, double thickness) {
    const double df = force2 - force1;
    const double dd = deflection2 - deflection1;
    if (!(df > 0) || !(dd > 0)) return 0;
    const double modulus =
        (df / 1000) / ((dd / 1000) * (width * 4 * thickness * thickness * thickness / kSpanCubed / 1000));
    return std::isfinite(modulus) && modulus > 0 ? modulus : 0;
}

bool ConfidenceTest::LeaveByNext(int step) {
    if (step != 6) return true;
    double width = 0, thickness = 0;
    const bool widthOk = Dimension(&CQXRegistry::GetBeamDimensionsThinWidth, kDefaultWidth, width);
    const bool thicknessOk =
        Dimension(&CQXRegistry::GetBeamDimensionsThinThickness, kDefaultThickness, thickness);
    // A nonsense entry would give a nonsense modulus: its default stands in,
    // as for an entry never made, and the operator is told. The other value,
    // when it is sound, is used as stored.
    if (!widthOk || !thicknessOk) Ask(fw::LoadString(kIdsThinBeamInvalid));
    m_modulus = ComputeModulus(m_force1, m_force2, m_deflection1, m_deflection2, width, thickness);
    if (m_modulus <= 0) {
        ShowError(kIdsReadingsUnusable, 1);
        return false;
    }
    return true;
}

std::string ConfidenceTest::ResultText(int) {
    double lo = kDefaultMin, hi = kDefaultMax;
    if (theRegistry.GetConfidenceTestMin(lo) != 0) lo = kDefaultMin;
    if (theRegistry.GetConfidenceTestMax(hi) != 0) hi = kDefaultMax;
    if (hi < lo) std::swap(lo, hi);
    m_stiffness = RoundSignificant(m_modulus / 1e9, 3);
    const double loGPa = RoundSignificant(lo * 100, 3);
    const double hiGPa = RoundSignificant(hi * 100, 3);
    m_passed = loGPa <= m_stiffness && m_stiffness <= hiGPa;
    return FormatPrompt(fw::LoadString(m_passed ? kIdsPassed : kIdsFailed), m_stiffness, loGPa, hiGPa);
}

unsigned ConfidenceTest::SaveValues() {
    // Saved whether passed or failed.
    CQXSettingsGroup group;
    if (unsigned e = theRegistry.SetConfidenceTestResult(RoundSignificant(m_modulus / kResultDivisor, 3)))
        return e;
    if (unsigned e = theRegistry.SetConfidenceTestLast(WizardClockNow())) return e;
    return group.Commit();
}

CCheckWiz::CCheckWiz(CQXBendingBeam& beam, QWidget* parent)
    : WizardDialog(m_logic, 132, "Confidence Test ", 1020, parent),
      m_instrument(beam),
      m_logic(m_instrument) {
    CancelButton()->setText(QStringLiteral("Cancel"));
}
