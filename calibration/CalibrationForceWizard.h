#pragma once
// The force and compliance calibration: the thick steel beam loaded with
// one to four 100 g masses; the force constant from the raw force steps,
// the compliance from the raw deflection steps and the stored deflection
// constant. ForceCalibration is the logic, CalibrationForceWizard its dialog
// (133).
#include <memory>

#include "calibration/WizardDialog.h"
#include "calibration/WizardEngine.h"

class ForceCalibration : public WizardEngine {
public:
    static constexpr int kResultStep = 13;
    static constexpr int kErrorStep = 14;
    static constexpr UINT kIdsReadingsUnusable = 250;

    explicit ForceCalibration(WizardInstrument& instrument);

    WORD RawForce(int k) const { return m_force[k]; }
    WORD RawDeflection(int k) const { return m_deflection[k]; }
    double DeflectionConstant() const { return m_deflectionConstant; }
    double ForceConstant() const { return m_forceConstant; }
    double Compliance() const { return m_compliance; }

    // The two constants from four pairs of raw counts and the deflection
    // constant; false when the counts do not rise or the constants are not
    // finite and positive.
    static bool ComputeConstants(const WORD force[4], const WORD deflection[4], double deflectionConstant,
                                 double& forceConstant, double& compliance);

protected:
    bool TakeReading(int step) override;
    bool LeaveByNext(int step) override;
    std::string ResultText(int step) override;
    unsigned SaveValues() override;

private:
    WORD m_force[4] = {};
    WORD m_deflection[4] = {};
    double m_deflectionConstant = 0;
    double m_forceConstant = 0;
    double m_compliance = 0;
};

class CalibrationForceWizard : public WizardDialog {
    Q_OBJECT
public:
    explicit CalibrationForceWizard(CQXBendingBeam& beam, QWidget* parent = nullptr);
    ForceCalibration& Logic() { return m_logic; }

private:
    BeamInstrument m_instrument;
    ForceCalibration m_logic;
};
