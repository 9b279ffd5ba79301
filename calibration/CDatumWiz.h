#pragma once
// The auto-thickness datum: the deflection with the thick steel beam under
// a light contact force, on both faces, averaged. Its reading check works:
// a reading outside the window shows the Retry/Ignore step. DatumCalibration
// is the logic, CDatumWiz its dialog (153).
#include "calibration/WizardDialog.h"
#include "calibration/WizardEngine.h"

class DatumCalibration : public WizardEngine {
public:
    static constexpr int kResultStep = 6;
    static constexpr int kErrorStep = 7;
    static constexpr UINT kIdsErratic = 720;

    explicit DatumCalibration(WizardInstrument& instrument);

    double First() const { return m_first; }
    double Second() const { return m_second; }
    double Datum() const { return m_datum; }

protected:
    bool TakeReading(int step) override;
    bool LeaveByNext(int step) override;
    std::string ResultText(int step) override;
    unsigned SaveValues() override;

private:
    double m_first = 0;
    double m_second = 0;
    double m_datum = 0;
};

class CDatumWiz : public WizardDialog {
    Q_OBJECT
public:
    explicit CDatumWiz(CQXBendingBeam& beam, QWidget* parent = nullptr);
    DatumCalibration& Logic() { return m_logic; }

private:
    BeamInstrument m_instrument;
    DatumCalibration m_logic;
};
