#pragma once
// The deflection calibration: the gage block at its Top, Red, White and
// Blue levels under the 100 g mass; three slopes between neighbouring
// levels, their mean as the deflection constant, the zero counts at Red.
// DeflectionCalibration is the logic, CalibrationDeflectionWizard its
// dialog (131).
#include "calibration/WizardDialog.h"
#include "calibration/WizardEngine.h"

class DeflectionCalibration : public WizardEngine {
public:
    static constexpr int kResultStep = 10;
    static constexpr int kErrorStep = 11;
    static constexpr UINT kIdsReadingsUnusable = 251;

    explicit DeflectionCalibration(WizardInstrument& instrument);

    struct Heights {
        double top = 0, red = 0, white = 0, blue = 0;  // mm
    };
    struct Counts {
        WORD top = 0, red = 0, white = 0, blue = 0;
    };
    struct Constants {
        double topSlope = 0, whiteSlope = 0, blueSlope = 0, constant = 0;  // mm per count
    };
    // The slopes and their mean; false unless the counts rise from Top to
    // Blue and every result is finite and positive.
    static bool ComputeConstants(const Heights& h, const Counts& c, Constants& out);

    const Counts& RawCounts() const { return m_counts; }
    WORD DeflectionZero() const { return m_deflectionZero; }
    WORD ForceZero() const { return m_forceZero; }
    const Constants& Result() const { return m_constants; }

protected:
    bool TakeReading(int step) override;
    std::string ResultText(int step) override;
    unsigned SaveValues() override;

private:
    bool ReadGageBlock();

    Heights m_heights;
    Counts m_counts;
    WORD m_deflectionZero = 0;
    WORD m_forceZero = 0;
    Constants m_constants;
};

class CalibrationDeflectionWizard : public WizardDialog {
    Q_OBJECT
public:
    explicit CalibrationDeflectionWizard(CQXBendingBeam& beam, QWidget* parent = nullptr);
    DeflectionCalibration& Logic() { return m_logic; }

private:
    BeamInstrument m_instrument;
    DeflectionCalibration m_logic;
};
