#include "calibration/CTempOffset.h"

#include <QCheckBox>
#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QVBoxLayout>

#include "calibration/ReferenceTemperature.h"
#include "framework/core/Beep.h"
#include "framework/core/Exceptions.h"
#include "framework/core/MessageBox.h"
#include "framework/core/Strings.h"
#include "framework/ui/Help.h"
#include "instrument/CQXBendingBeam.h"
#include "instrument/Rounding.h"
#include "instrument/TempOffsetTable.h"
#include "settings/CQXRegistry.h"
#include "setup/CNumEdit.h"

namespace {

// A reading exactly 3 degC off is inside, whatever binary rounding makes
// of the set-point and the rounded reading.
constexpr double kSlack = 1e-9;

}  // namespace

BOOL BeamTempOffsetInstrument::GetUncorrectedTemperature(double& out) {
    // No frame since the link (re)started, or a firmware version not known
    // yet (the raw word's meaning depends on it): there is no bath reading
    // to take an offset from.
    BeamState state;
    if (!m_beam.GetState(state) || state.count == 0 || m_beam.GetFirmwareVersion() == "?") return FALSE;
    return m_beam.GetUncorrectedTemperature(out);
}

BOOL BeamTempOffsetInstrument::ReloadTemperatureEquation() {
    return m_beam.ReloadTemperatureEquation();
}

TempOffsetCalibration::Outcome TempOffsetCalibration::Fail() {
    fw::MessageBeep(fw::BEEP_SIMPLE);
    fw::ShowMessage(kIdsFailed, MB_OK);
    return Outcome::kEnd;
}

TempOffsetCalibration::Outcome TempOffsetCalibration::OnOK(bool clearAll, const std::string& text,
                                                           bool modified) {
    if (clearAll && fw::ShowMessage(kIdsClearAll, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES) {
        // An empty block: every degree uncalibrated. A clear that did not
        // happen must not pass for one.
        if (theRegistry.SetTemperatureOffsets(nullptr, 0) != 0) return Fail();
        // The reload then finds no offset for the set-point, which is what
        // a clear means: its answer says nothing about the clear.
        m_instrument.ReloadTemperatureEquation();
    }
    if (!modified || text.empty()) return Outcome::kEnd;

    double typed = 0;
    if (!ParseReferenceTemperature(text, typed)) {
        // Pasted or half-typed text: asked for again, as after No below.
        fw::MessageBeep(fw::BEEP_SIMPLE);
        return Outcome::kStay;
    }
    if (fw::ShowMessage(fw::FormatString1(kIdsConfirm, text), MB_YESNO | MB_ICONQUESTION) != IDYES) {
        fw::MessageBeep(fw::BEEP_SIMPLE);
        return Outcome::kStay;
    }
    const double reading = RoundTo(typed, 0.01);
    double setPoint = 0;
    if (theRegistry.GetTestBath(setPoint) != 0) return Fail();
    if (reading < setPoint - kWindow - kSlack || reading > setPoint + kWindow + kSlack) {
        fw::MessageBeep(fw::BEEP_SIMPLE);
        fw::ShowMessage(kIdsTooFar, MB_OK);
        return Outcome::kEnd;
    }
    // A set-point the table has no degree for stores nothing.
    const double degree = RoundTo(setPoint, 1);
    if (!(degree >= TempOffsetTable::kFirstDegree && degree <= TempOffsetTable::kLastDegree)) return Fail();

    {
        TempOffsetTable table;
        // The offset and its date go together or not at all.
        CQXSettingsGroup group;
        if (!table.LoadOffsets() || !table.LoadDates()) return Fail();
        BOOL stored = FALSE;
        try {
            stored = table.SetOffset(setPoint, reading,
                                     [this](double& u) { return m_instrument.GetUncorrectedTemperature(u); });
        } catch (const fw::InvalidArgException&) {
            return Fail();
        }
        if (!stored || group.Commit() != 0) return Fail();
    }
    // The offset is stored; a conversion that could not take it up is a
    // matter of its own.
    if (!m_instrument.ReloadTemperatureEquation()) {
        fw::MessageBeep(fw::BEEP_SIMPLE);
        fw::ShowMessage(kIdsReloadFailed, MB_OK);
    }
    return Outcome::kEnd;
}

CTempOffset::CTempOffset(QWidget* parent, CQXBendingBeam& beam)
    : fw::Dialog(parent),
      m_beamInstrument(beam),
      m_logic(m_beamInstrument),
      m_reading(new CNumEdit(1, 1, 0, 10, this)),
      m_clearAll(new QCheckBox(QStringLiteral("Clear All Current Offsets"), this)) {
    setWindowTitle(QStringLiteral("Temperature Calibration"));
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("Please Enter the Current Temperature of the Bath :"), this));
    m_reading->setMaximumWidth(80);
    row->addWidget(m_reading);
    row->addWidget(new QLabel(QStringLiteral("°C "), this));
    layout->addLayout(row);
    layout->addWidget(m_clearAll);
    AddOkCancel(layout);
    AddControl(IDC_TEMP_READING, m_reading);
    AddControl(IDC_CLEAR_ALL, m_clearAll);
}

CTempOffset::~CTempOffset() = default;

bool CTempOffset::OnInitDialog() {
    // The title bar's help button.
    setWindowFlag(Qt::WindowContextHelpButtonHint, true);
    m_reading->SetLimits(TempOffsetCalibration::kIntDigits, TempOffsetCalibration::kFracDigits,
                         TempOffsetCalibration::kMinimum, TempOffsetCalibration::kMaximum);
    m_clearAll->setChecked(false);
    return true;
}

void CTempOffset::OnOK() {
    const bool clear = m_clearAll->isChecked();
    if (m_logic.OnOK(clear, m_reading->Text(), m_reading->isModified()) ==
        TempOffsetCalibration::Outcome::kEnd) {
        EndDialog(IDOK);
        return;
    }
    m_reading->setFocus(Qt::OtherFocusReason);
    m_reading->selectAll();
}

bool CTempOffset::OnHelp(HelpRequest request) {
    if (request == HelpRequest::kWindow) fw::ShowHelpTopic(TempOffsetCalibration::HelpTopic());
    return true;
}

void CTempOffset::OnContextHelp() {
    fw::ShowHelpTopic(TempOffsetCalibration::HelpTopic());
}

bool CTempOffset::event(QEvent* e) {
    // After the title bar's help button, a click on the dialog or any of its
    // controls is a window's help request (the controls pass it up here).
    if (e->type() == QEvent::QueryWhatsThis) {
        e->accept();
        return true;
    }
    if (e->type() == QEvent::WhatsThis) {
        OnHelp(HelpRequest::kWindow);
        e->accept();
        return true;
    }
    return fw::Dialog::event(e);
}

void CTempOffset::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_F1) {
        OnHelp(HelpRequest::kWindow);
        return;
    }
    fw::Dialog::keyPressEvent(e);
}

void CTempOffset::contextMenuEvent(QContextMenuEvent* e) {
    OnContextHelp();
    e->accept();
}
