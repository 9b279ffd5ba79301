#pragma once
// The confidence test: the thin steel beam under 100 g and then 400 g; the
// flexural modulus of the steel from the force and deflection differences,
// judged against the setup's limits and stored, passed or failed.
// ConfidenceTest is the logic, CCheckWiz its dialog (132).
#include "calibration/WizardDialog.h"
#include "calibration/WizardEngine.h"

class ConfidenceTest : public WizardEngine {
public:
    static constexpr int kResultStep = 7;
    static constexpr int kErrorStep = 8;
    static constexpr UINT kIdsReadingsUnusable = 252;
    static constexpr UINT kIdsThinBeamInvalid = 253;
    static constexpr double kDefaultWidth = 12.7;       // mm
    static constexpr double kDefaultThickness = 1.17;   // mm
    static constexpr double kSpanCubed = 1048772.096;   // mm^3, 101.6 mm span

    explicit ConfidenceTest(WizardInstrument& instrument);

    // Pa, from forces in mN and deflections in mm; 0 when the differences
    // are not positive or the result is not finite.
    static double ComputeModulus(double force1, double force2, double deflection1, double deflection2,
                                 double width, double thickness);

    double Modulus() const { return m_modulus; }
    double StiffnessGPa() const { return m_stiffness; }
    bool Passed() const { return m_passed; }

protected:
    bool TakeReading(int step) override;
    bool LeaveByNext(int step) override;
    std::string ResultText(int step) override;
    unsigned SaveValues() override;

private:
    double m_force1 = 0, m_force2 = 0;
    double m_deflection1 = 0, m_deflection2 = 0;
    double m_modulus = 0;
    double m_stiffness = 0;
    bool m_passed = false;
};

class CCheckWiz : public WizardDialog {
    Q_OBJECT
public:
    explicit CCheckWiz(CQXBendingBeam& beam, QWidget* parent = nullptr);
    ConfidenceTest& Logic() { return m_logic; }

private:
    BeamInstrument m_instrument;
    ConfidenceTest m_logic;
};
