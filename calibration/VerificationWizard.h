#pragma once
// The periodic verification of the instrument in five parts in one dialog:
// the displacement transducer (gage block), the freely operating air
// bearing (two drop tests), the load cell (2 g, 4 g and 100 g and the zero
// reading), the thermometric device (a reference thermometer) and an
// overview; then one row with all values and verdicts is appended to the
// verification log. It writes no calibration value except Force\Zero, which
// it writes at once when it takes the Red level (step 5), whatever happens
// later. Verification is the logic on the wizard engine, VerificationWizard
// its dialog (1540).
#include <functional>
#include <memory>
#include <string>

#include "calibration/ReferenceTemperature.h"
#include "calibration/VerificationLog.h"
#include "calibration/WizardDialog.h"
#include "calibration/WizardEngine.h"
#include "platform/Clock.h"

class QLabel;
class QLineEdit;

class Verification : public WizardEngine {
public:
    static constexpr int kGageResultStep = 10;
    static constexpr int kAirBearingResultStep = 19;
    static constexpr int kLoadCellResultStep = 30;
    static constexpr int kTemperatureStep = 31;
    static constexpr int kOverviewStep = 32;
    static constexpr int kSavingStep = 33;
    static constexpr int kSavedStep = 34;
    static constexpr int kErrorStep = 35;  // no reading check: never shown
    static constexpr uint32_t kSteelBeamWaitMs = 10000;
    static constexpr uint32_t kFreeFloatWaitMs = 3000;

    // clock: the timed waits of the drop tests (the station's clock unless a
    // test gives its own). The log's path is read here, through a settings
    // store of the default program key "RYXw" over the same hive, whatever
    // key the station runs under.
    explicit Verification(WizardInstrument& instrument, platform::Clock& clock = platform::DefaultClock());

    const std::string& LogPath() const { return m_logPath; }
    // The text of the reference temperature entry (edit 1049), as typed.
    void SetReferenceText(std::string text) { m_referenceText = std::move(text); }
    // The temperature entry shows from the temperature step, also after Back
    // from it, until the overview hides it.
    bool TemperatureEntryShown() const { return m_entryShown; }
    // Called once each step is shown (the dialog shows or hides the entry).
    void SetStepListener(std::function<void(int step)> listener) { m_stepListener = std::move(listener); }
    // The local time a row is stamped with (tests fix it).
    void SetTimeSource(std::function<Time64()> now) { m_now = std::move(now); }

    // The verdicts (true: failed), the values and the saved flag.
    bool DisplacementFailed() const { return m_displacementFailed; }
    bool SteelBeamFailed() const { return m_steelBeamFailed; }
    bool FreeFloatFailed() const { return m_freeFloatFailed; }
    bool LoadCellFailed() const { return m_loadCellFailed; }
    bool TemperaturePassed() const { return m_temperaturePassed; }
    bool Saved() const { return m_saved; }
    // The row as it is (or would be) written.
    VerificationRecord Record() const;

protected:
    bool TakeReading(int step) override;
    bool LeaveByNext(int step) override;
    std::string Prompt(int step, const WizardStep& row) override;
    std::string ResultText(int step) override;
    unsigned SaveValues() override { return 0; }  // Force\Zero went at step 5
    void AdjustView(int step, WizardView& view) override;
    void StepShown(int step) override;

private:
    bool StartCheck();
    std::string GageResult();
    std::string AirBearingResult() const;
    std::string LoadCellResult();
    std::string Overview() const;
    uint32_t Elapsed() { return m_clock.Now() - m_start; }

    platform::Clock& m_clock;
    std::function<Time64()> m_now;
    std::function<void(int)> m_stepListener;
    std::string m_logPath;
    std::string m_referenceText;
    bool m_saved = false;
    bool m_entryShown = false;
    uint32_t m_start = 0;

    bool m_displacementFailed = true;
    bool m_steelBeamFailed = true;
    bool m_freeFloatFailed = true;
    bool m_loadCellFailed = true;
    bool m_temperaturePassed = false;

    CQXFloatData m_targetTemperature, m_currentTemperature;
    CQXFloatData m_topDeflection, m_redDeflection, m_whiteDeflection, m_blueDeflection;
    CQXFloatData m_preTareForce;
    CQXFloatData m_topHeight, m_redHeight, m_whiteHeight, m_blueHeight;
    double m_thinBeamForce = 0, m_thinBeamDeflection = 0;
    double m_freeFloatDeflection = 0, m_negativeLimitDeflection = 0;
    CQXFloatData m_contactForce, m_force2g, m_force4g, m_secondContactForce, m_force100g, m_deflection100g,
        m_zeroLoadCellForce;
    CQXFloatData m_referenceTemperature;
};

class VerificationWizard : public WizardDialog {
    Q_OBJECT
public:
    explicit VerificationWizard(CQXBendingBeam& beam, QWidget* parent = nullptr);
    // Over another instrument and clock (tests).
    VerificationWizard(WizardInstrument& instrument, platform::Clock& clock, QWidget* parent = nullptr);
    ~VerificationWizard() override;
    Verification& Logic() { return m_logic; }
    QLineEdit* ReferenceEdit() const { return m_edit; }
    QLabel* ReferenceLabel() const { return m_label; }

    bool OnInitDialog() override;

private:
    void Build();
    void ShowEntry();

    std::unique_ptr<BeamInstrument> m_beamInstrument;  // with the station's instrument only
    Verification m_logic;
    QLabel* m_label;
    QLineEdit* m_edit;
    QLabel* m_unit;
};
