#include "calibration/CDatumWiz.h"

#include <QPushButton>

#include "framework/core/Strings.h"
#include "settings/CQXRegistry.h"

namespace {

constexpr UINT kIdsResult = 716;
constexpr double kDefaultThickThickness = 6.35;  // mm

std::vector<WizardStep> Steps() {
    return {
        {200, kNoStep, kNoStep, 1, false},  // 0
        {700, 2, kNoStep, kNoStep, true},   // 1: insert the thick beam, 35 mN
        {704, kNoStep, kNoStep, 3, false},  // 2: first face
        {708, 4, 1, kNoStep, true},         // 3: flip
        {704, kNoStep, kNoStep, 5, false},  // 4: second face
        {712, 6, 1, kNoStep, true},         // 5: remove; the datum
        {kIdsResult, kNoStep, kNoStep, kNoStep, false, true},  // 6
    };
}

}  // namespace

DatumCalibration::DatumCalibration(WizardInstrument& instrument)
    : WizardEngine(instrument, Source::kReadings, Steps(), kErrorStep) {}

bool DatumCalibration::TakeReading(int step) {
    if (step != 2 && step != 4) return true;
    if (!CheckReading(-2, 2, 5, 65, kIdsErratic)) return false;
    const double d = static_cast<double>(Readings().deflection.m_data);
    (step == 2 ? m_first : m_second) = d;
    return true;
}

bool DatumCalibration::LeaveByNext(int step) {
    if (step == 5) m_datum = m_first + (m_second - m_first) * 0.5;
    return true;
}

std::string DatumCalibration::ResultText(int) {
    double thick = kDefaultThickThickness;
    if (theRegistry.GetAutoThicknessThickThickness(thick) != 0) thick = kDefaultThickThickness;
    return FormatPrompt(fw::LoadString(kIdsResult), m_datum, thick);
}

unsigned DatumCalibration::SaveValues() {
    CQXSettingsGroup group;
    if (unsigned e = theRegistry.SetAutoThicknessDatum(m_datum)) return e;
    return group.Commit();
}

CDatumWiz::CDatumWiz(CQXBendingBeam& beam, QWidget* parent)
    : WizardDialog(m_logic, 153, "Steel Beam Datum Calibration", 1037, parent),
      m_instrument(beam),
      m_logic(m_instrument) {
    CancelButton()->setText(QStringLiteral("Cancel"));
}
