#include "calibration/VerificationWizard.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
#include <cmath>
#include <ctime>

#include "framework/core/Beep.h"
#include "framework/core/Strings.h"
#include "settings/CQXRegistry.h"

namespace {

constexpr UINT kIdsCheckingForRyx = 200;
constexpr UINT kIdsOk = 155;
constexpr UINT kIdsPass = 160;
constexpr UINT kIdsFail = 161;
constexpr UINT kIdsReferenceLabel = 162;
constexpr UINT kIdsDegrees = 163;
constexpr UINT kIdsEnterReference = 164;
constexpr UINT kIdsGageMissing = 406;
constexpr UINT kIdsControlOff = 534;
constexpr UINT kIdsOutOfTolerance = 541;
constexpr UINT kIdsDisplacement = 800;
constexpr UINT kIdsAirBearing = 801;
constexpr UINT kIdsLoadCell = 802;
constexpr UINT kIdsReadingGage = 206;
constexpr UINT kIdsReadingMeasurements = 704;
constexpr UINT kIdsGageResult = 850;
constexpr UINT kIdsAirBearingResult = 858;
constexpr UINT kIdsLoadCellResult = 865;
constexpr UINT kIdsOverview = 867;
constexpr UINT kIdsSaving = 868;
constexpr UINT kIdsSaved = 869;
constexpr UINT kIdsNotSaved = 870;

constexpr double kBathTolerance = 0.1;         // degC, at the start and against the reference
constexpr double kGageTolerance = 0.015;       // mm
constexpr double kReturnForceTolerance = 5.0;  // mN
constexpr double kLoadTolerance = 5.0;         // mN, not reached
constexpr double kFreeFloatRise = 1.0;         // mm the 2 g mass must move the floating shaft
// The values are single precision: a difference that is exactly a limit in
// the values as read or entered stays the limit, whatever the binary
// representation of the two makes of it. Far below any reading's resolution.
constexpr double kMmSlack = 1e-6;
constexpr double kMnSlack = 1e-4;
constexpr double kDegSlack = 1e-5;

std::vector<WizardStep> Steps() {
    constexpr int n = kNoStep;
    constexpr UINT d = kIdsDisplacement, a = kIdsAirBearing, l = kIdsLoadCell;
    return {
        {kIdsCheckingForRyx, n, n, 1, false},                  // 0: the start check
        {851, 2, n, n, true},                                  // 1
        {203, 3, 1, n, true, false, d},                        // 2: Top
        {kIdsReadingGage, n, n, 4, false, false, d},           // 3
        {208, 5, 2, n, true, false, d},                        // 4: Red
        {kIdsReadingGage, n, n, 6, false, false, d},           // 5: and Force\Zero
        {212, 7, 4, n, true, false, d},                        // 6: White
        {kIdsReadingGage, n, n, 8, false, false, d},           // 7
        {216, 9, 6, n, true, false, d},                        // 8: Blue
        {kIdsReadingGage, n, n, 10, false, false, d},          // 9
        {kIdsGageResult, 11, 8, n, true},                      // 10
        {852, 12, 10, n, true, false, a},                      // 11: the thin beam at 35 mN
        {853, n, n, 13, true, false, a},                       // 12: lifted below zero
        {854, n, n, 14, false, false, a},                      // 13: falling
        {854, n, n, 15, false, false, a},                      // 14: back on the beam?
        {855, 16, 11, n, true, false, a},                      // 15: the negative limit
        {856, 17, 15, n, true, false, a},                      // 16: floating
        {857, n, n, 18, false, false, a},                      // 17: 2 g
        {854, n, n, 19, false, false, a},                      // 18: dropped?
        {kIdsAirBearingResult, 20, 15, n, true},               // 19
        {859, 21, 19, n, true, false, l},                      // 20: contact force
        {860, 22, 20, n, true, false, l},                      // 21
        {kIdsReadingMeasurements, n, n, 23, false, false, l},  // 22: 2 g
        {861, 24, 21, n, true, false, l},                      // 23
        {kIdsReadingMeasurements, n, n, 25, false, false, l},  // 24: 4 g
        {862, 26, 20, n, true, false, l},                      // 25: second contact force
        {863, 27, 25, n, true, false, l},                      // 26
        {kIdsReadingMeasurements, n, n, 28, false, false, l},  // 27: 100 g
        {864, 29, 25, n, true, false, l},                      // 28
        {kIdsReadingMeasurements, n, n, 30, false, false, l},  // 29: zero load cell
        {kIdsLoadCellResult, 31, 20, n, true},                 // 30
        {866, 32, 28, n, true},                                // 31: the reference thermometer
        {kIdsOverview, 33, 31, n, true},                       // 32
        {kIdsSaving, n, n, 34, false},                         // 33: the row is written
        {kIdsSaved, n, 32, n, true, true},                     // 34
    };
}

std::string PassFail(bool failed) {
    return fw::LoadString(failed ? kIdsFail : kIdsPass);
}

double D(const CQXFloatData& v) {
    return static_cast<double>(v.m_data);
}

Time64 Now() {
    return static_cast<Time64>(std::time(nullptr));
}

}  // namespace

Verification::Verification(WizardInstrument& instrument, platform::Clock& clock)
    : WizardEngine(instrument, Source::kState, Steps(), kErrorStep), m_clock(clock), m_now(Now) {
    // The data directory of the default program key, over the same hive.
    CQXRegistry defaults;
    std::string dir;
    if (defaults.GetTestDirectory(dir) != 0) dir.clear();
    m_logPath = dir + kVerificationLogName;
}

bool Verification::StartCheck() {
    double top = 0, red = 0, white = 0, blue = 0;
    if (theRegistry.GetGageBlockTop(top) || theRegistry.GetGageBlockRed(red) ||
        theRegistry.GetGageBlockWhite(white) || theRegistry.GetGageBlockBlue(blue)) {
        Fail(kIdsGageMissing);
        return false;
    }
    m_topHeight.m_data = static_cast<float>(top);
    m_redHeight.m_data = static_cast<float>(red);
    m_whiteHeight.m_data = static_cast<float>(white);
    m_blueHeight.m_data = static_cast<float>(blue);
    // Equal levels pass here; a NaN fails.
    if (!(m_topHeight.m_data >= m_redHeight.m_data && m_redHeight.m_data >= m_whiteHeight.m_data &&
          m_whiteHeight.m_data >= m_blueHeight.m_data && m_blueHeight.m_data >= 0.0f)) {
        Fail(kIdsGageMissing);
        return false;
    }
    if (Readings().mode != 1) {
        Fail(kIdsControlOff);
        return false;
    }
    double bath = 0;
    const bool haveBath = theRegistry.GetTestBath(bath) == 0;
    m_targetTemperature.m_data = static_cast<float>(bath);
    m_currentTemperature = Readings().temperature;
    if (!haveBath ||
        !(std::fabs(D(m_targetTemperature) - D(m_currentTemperature)) <= kBathTolerance + kDegSlack)) {
        Ask(FormatPrompt(fw::LoadString(kIdsOutOfTolerance), kBathTolerance));
        Cancel();
        return false;
    }
    return true;
}

bool Verification::TakeReading(int step) {
    const BeamReadings& r = Readings();
    const double deflection = static_cast<double>(r.deflection.m_data);
    const double force = static_cast<double>(r.force.m_data);
    switch (step) {
        case 0:
            return StartCheck();
        case 3:
            m_topDeflection = r.deflection;
            return true;
        case 5:
            m_redDeflection = r.deflection;
            m_preTareForce = r.force;
            // At once, and whatever the write answers.
            theRegistry.SetForceZero(State().rawForce);
            return true;
        case 7:
            m_whiteDeflection = r.deflection;
            return true;
        case 9:
            m_blueDeflection = r.deflection;
            return true;
        case 12:
            return deflection < 0;
        case 13:
            if (!(deflection > 0)) return false;
            m_steelBeamFailed = false;
            m_start = m_clock.Now();
            return true;
        case 14:
            if (std::fabs(m_thinBeamDeflection - deflection) <= kGageTolerance + kMmSlack &&
                std::fabs(m_thinBeamForce - force) <= kReturnForceTolerance + kMnSlack) {
                m_steelBeamFailed = false;
                return true;
            }
            if (Elapsed() <= kSteelBeamWaitMs) return false;
            m_steelBeamFailed = true;
            return true;
        case 17:
            if (!(deflection - m_freeFloatDeflection > kFreeFloatRise)) return false;
            m_start = m_clock.Now();
            return true;
        case 18:
            if (deflection > m_negativeLimitDeflection - kGageTolerance) {
                m_freeFloatFailed = false;
                return true;
            }
            if (Elapsed() <= kFreeFloatWaitMs) return false;
            m_freeFloatFailed = true;
            return true;
        case 22:
            m_force2g = r.force;
            return true;
        case 24:
            m_force4g = r.force;
            return true;
        case 27:
            m_force100g = r.force;
            m_deflection100g = r.deflection;
            return true;
        case 29:
            m_zeroLoadCellForce = r.force;
            return true;
        default:
            return true;
    }
}

bool Verification::LeaveByNext(int step) {
    const BeamReadings& r = Readings();
    switch (step) {
        case 11:
            m_thinBeamForce = static_cast<double>(r.force.m_data);
            m_thinBeamDeflection = static_cast<double>(r.deflection.m_data);
            return true;
        case 15:
            m_negativeLimitDeflection = static_cast<double>(r.deflection.m_data);
            return true;
        case 16:
            m_start = m_clock.Now();
            m_freeFloatFailed = false;
            m_freeFloatDeflection = static_cast<double>(r.deflection.m_data);
            return true;
        case 20:
            m_contactForce = r.force;
            return true;
        case 25:
            m_secondContactForce = r.force;
            return true;
        case kTemperatureStep: {
            double reference = 0;
            // An empty entry is asked for again, and so is text that is no
            // number: read as 0 it would go to the log as a certified
            // reference temperature that nobody read.
            if (!ParseTemperatureText(m_referenceText, reference)) {
                fw::MessageBeep(fw::BEEP_SIMPLE);
                Ask(fw::LoadString(kIdsEnterReference));
                ShowStep(kTemperatureStep);
                return false;
            }
            m_referenceTemperature.m_data = static_cast<float>(reference);
            m_temperaturePassed =
                std::fabs(D(m_referenceTemperature) - D(r.temperature)) <= kBathTolerance + kDegSlack;
            return true;
        }
        default:
            return true;
    }
}

std::string Verification::GageResult() {
    m_displacementFailed = false;
    auto judge = [this](double target, const CQXFloatData& actual) {
        const bool failed = !(std::fabs(target - D(actual)) <= kGageTolerance + kMmSlack);
        if (failed) m_displacementFailed = true;
        return PassFail(failed);
    };
    // Targets measured from the Red level.
    const double top = D(m_redHeight) - D(m_topHeight);
    const double white = D(m_redHeight) - D(m_whiteHeight);
    const double blue = D(m_redHeight) - D(m_blueHeight);
    const std::string t = judge(top, m_topDeflection), r = judge(0.0, m_redDeflection),
                      w = judge(white, m_whiteDeflection), b = judge(blue, m_blueDeflection);
    return FormatPrompt(fw::LoadString(kIdsGageResult), top, D(m_topDeflection), t.c_str(), 0.0,
                        D(m_redDeflection), r.c_str(), white, D(m_whiteDeflection), w.c_str(), blue,
                        D(m_blueDeflection), b.c_str());
}

std::string Verification::AirBearingResult() const {
    return FormatPrompt(fw::LoadString(kIdsAirBearingResult), PassFail(m_steelBeamFailed).c_str(),
                        PassFail(m_freeFloatFailed).c_str());
}

std::string Verification::LoadCellResult() {
    const double increase2 = D(m_force2g) - D(m_contactForce);
    const double increase4 = D(m_force4g) - D(m_contactForce);
    const double increase100 = D(m_force100g) - D(m_secondContactForce);
    auto within = [](double increase, double nominal) {
        return std::fabs(increase - nominal) < kLoadTolerance - kMnSlack;
    };
    const bool pass2 = within(increase2, 20.0);
    const bool pass4 = within(increase4, 40.0);
    const bool pass100 = within(increase100, 981.0);
    const bool passZero =
        std::fabs(m_zeroLoadCellForce.m_data) < static_cast<float>(kLoadTolerance - kMnSlack);
    m_loadCellFailed = !(pass2 && pass4 && pass100 && passZero);
    return FormatPrompt(fw::LoadString(kIdsLoadCellResult), increase2, PassFail(!pass2).c_str(), increase4,
                        PassFail(!pass4).c_str(), increase100, PassFail(!pass100).c_str(),
                        PassFail(!passZero).c_str());
}

std::string Verification::Overview() const {
    return FormatPrompt(fw::LoadString(kIdsOverview), PassFail(m_displacementFailed).c_str(),
                        PassFail(m_steelBeamFailed || m_freeFloatFailed).c_str(),
                        PassFail(m_loadCellFailed).c_str(), PassFail(!m_temperaturePassed).c_str());
}

std::string Verification::Prompt(int step, const WizardStep& row) {
    switch (step) {
        case kGageResultStep:
            return GageResult();
        case kAirBearingResultStep:
            return AirBearingResult();
        case kLoadCellResultStep:
            return LoadCellResult();
        case kOverviewStep:
            return Overview();
        default:
            break;
    }
    const std::string heading = row.heading ? fw::LoadString(row.heading) : std::string();
    return heading + "\r\n\r\n" + fw::LoadString(row.text);
}

std::string Verification::ResultText(int) {
    return m_saved ? FormatPrompt(fw::LoadString(kIdsSaved), m_logPath.c_str())
                   : fw::LoadString(kIdsNotSaved);
}

void Verification::AdjustView(int step, WizardView& view) {
    if (step == kSavingStep) view.nextCaption = fw::LoadString(kIdsOk);
    // The result's text as built, without the engine's leading line.
    if (step == kSavedStep && view.prompt.rfind("\r\n", 0) == 0) view.prompt.erase(0, 2);
    // Next takes the focus only from nobody.
    view.nextTakesFocus = false;
}

void Verification::StepShown(int step) {
    // A row each time the saving step shows: after Back and a measurement
    // taken again, the log holds the verification as it now stands. The
    // saved step tells of this write, not of an earlier one.
    if (step == kSavingStep) m_saved = AppendVerificationRow(m_logPath, Record()) == 0;
    // The entry shows from its step on, Back included, until the overview.
    if (step == kTemperatureStep) m_entryShown = true;
    if (step == kOverviewStep) m_entryShown = false;
    if (m_stepListener) m_stepListener(step);
}

VerificationRecord Verification::Record() const {
    VerificationRecord r;
    r.when = m_now ? m_now() : Now();
    r.target = m_targetTemperature.m_data;
    r.current = m_currentTemperature.m_data;
    r.reference = m_referenceTemperature.m_data;
    r.preTareForce = m_preTareForce.m_data;
    r.freeFloatFailed = m_freeFloatFailed;
    r.steelBeamFailed = m_steelBeamFailed;
    r.top = m_topDeflection.m_data;
    r.red = m_redDeflection.m_data;
    r.white = m_whiteDeflection.m_data;
    r.blue = m_blueDeflection.m_data;
    r.force2g = m_force2g.m_data;
    r.force4g = m_force4g.m_data;
    r.force100g = m_force100g.m_data;
    r.zeroLoadCell = m_zeroLoadCellForce.m_data;
    r.overallFailed = m_displacementFailed || m_steelBeamFailed || m_freeFloatFailed || m_loadCellFailed;
    return r;
}

VerificationWizard::VerificationWizard(CQXBendingBeam& beam, QWidget* parent)
    : WizardDialog(m_logic, 1540, "Verification", 1047, parent),
      m_beamInstrument(std::make_unique<BeamInstrument>(beam)),
      m_logic(*m_beamInstrument),
      m_label(new QLabel(this)),
      m_edit(new QLineEdit(this)),
      m_unit(new QLabel(this)) {
    Build();
}

VerificationWizard::VerificationWizard(WizardInstrument& instrument, platform::Clock& clock, QWidget* parent)
    : WizardDialog(m_logic, 1540, "Verification", 1047, parent),
      m_logic(instrument, clock),
      m_label(new QLabel(this)),
      m_edit(new QLineEdit(this)),
      m_unit(new QLabel(this)) {
    Build();
}

VerificationWizard::~VerificationWizard() = default;

void VerificationWizard::Build() {
    auto* row = new QHBoxLayout;
    row->addWidget(m_label);
    row->addWidget(m_edit);
    row->addWidget(m_unit);
    row->addStretch(1);
    ContentLayout()->insertLayout(1, row);
    m_edit->setMaximumWidth(90);
    for (QWidget* w :
         {static_cast<QWidget*>(m_label), static_cast<QWidget*>(m_edit), static_cast<QWidget*>(m_unit)}) {
        // The dialog keeps its size while the entry is hidden.
        QSizePolicy p = w->sizePolicy();
        p.setRetainSizeWhenHidden(true);
        w->setSizePolicy(p);
        w->hide();
    }
    AddControl(1048, m_label);
    AddControl(1049, m_edit);
    AddControl(1050, m_unit);
    connect(m_edit, &QLineEdit::textChanged, this,
            [this](const QString& text) { m_logic.SetReferenceText(text.toStdString()); });
    m_logic.SetStepListener([this](int) { ShowEntry(); });
}

bool VerificationWizard::OnInitDialog() {
    m_label->setText(QString::fromStdString(fw::LoadString(kIdsReferenceLabel)));
    m_unit->setText(QString::fromStdString(fw::LoadString(kIdsDegrees)));
    return WizardDialog::OnInitDialog();
}

void VerificationWizard::ShowEntry() {
    const bool shown = m_logic.TemperatureEntryShown();
    m_label->setVisible(shown);
    m_edit->setVisible(shown);
    m_unit->setVisible(shown);
}
