#include "app/CStatus.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPointer>
#include <QVBoxLayout>
#include <cstdio>

#include "app/CQXRYXwApp.h"
#include "res/MenuIds.h"
#include "settings/CQXRegistry.h"

namespace {

QLabel* AddGroup(QVBoxLayout* layout, const char* title, const char* unit, int id) {
    auto* box = new QGroupBox(QString::fromUtf8(title));
    auto* row = new QHBoxLayout(box);
    auto* value = new QLabel;
    value->setObjectName(QStringLiteral("value%1").arg(id));
    value->setMinimumWidth(value->fontMetrics().horizontalAdvance(QStringLiteral("  -0000.000")));
    value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    value->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    // Values on the window colour, as edit fields show them.
    value->setAutoFillBackground(true);
    value->setBackgroundRole(QPalette::Base);
    value->setForegroundRole(QPalette::Text);
    row->addWidget(value, 1);
    row->addWidget(new QLabel(QString::fromUtf8(unit)));
    layout->addWidget(box);
    return value;
}

bool TestRunning() {
    const CQXRYXwApp* app = CQXRYXwApp::Instance();
    return app && app->m_bTestRunning;
}

}  // namespace

CStatus::CStatus(CQXBendingBeam* beam, QWidget* parent)
    : fw::DockBar("Instrument Status", parent), m_pBeam(beam) {}

CStatus::~CStatus() = default;

bool CStatus::Create(fw::MainFrame* parent) {
    setObjectName(QStringLiteral("InstrumentStatus"));
    setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetClosable);
    setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
    auto* body = new QWidget;
    auto* layout = new QVBoxLayout(body);
    m_wndForce = AddGroup(layout, "Force", "mN", kForce);
    m_wndDeflection = AddGroup(layout, "Deflection", "mm", kDeflection);
    m_wndTemperature = AddGroup(layout, "Actual ", "°C", kTemperature);
    m_wndTarget = AddGroup(layout, "Target", "°C", kTarget);
    layout->addStretch(1);
    setWidget(body);
    for (QLabel* l : {m_wndForce, m_wndDeflection, m_wndTemperature, m_wndTarget}) l->setText(" ");
    parent->AddDockBar(this, ID_VIEW_INSTRUMENT_STATUS, Qt::RightDockWidgetArea);
    if (m_pBeam) m_pBeam->AddNotifyWindow(Id());
    return true;
}

std::string CStatus::Text(int control) const {
    const QLabel* l = control == kForce         ? m_wndForce
                      : control == kDeflection  ? m_wndDeflection
                      : control == kTemperature ? m_wndTemperature
                      : control == kTarget      ? m_wndTarget
                                                : nullptr;
    return l ? l->text().toStdString() : std::string();
}

void CStatus::SetValue(QLabel* label, const std::string& text) {
    if (!label) return;
    label->setText(QString::fromStdString(text));
    ++m_writes;
}

bool CStatus::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_INSTRUMENT_UPDATE) return false;
    OnInstrumentUpdate(wParam, lParam);
    return true;
}

LPARAM CStatus::OnInstrumentUpdate(WPARAM, LPARAM) {
    LiveReadings::Update u;
    double target = 0;
    if (theRegistry.GetTestBath(target) == 0) u.target = target;
    BeamReadings readings;
    if (m_pBeam) {
        u.readingsValid = m_pBeam->GetReadings(readings) != FALSE;
        u.status = m_pBeam->GetStatus();
        u.lossTold = m_pBeam->IsLossTold();
    } else {
        u.status = 1117;
    }
    u.testRunning = TestRunning();
    u.force = readings.force.m_data;
    u.deflection = readings.deflection.m_data;
    u.temperature = readings.temperature.m_data;
    DWORD resolution = 0;
    u.forceResolution = theRegistry.GetForceResolution(resolution) == 0 && resolution != 0;

    const LiveReadings::Result r = m_logic.Apply(u);
    for (const auto& w : r.writes) {
        QLabel* label = w.field == LiveReadings::kForce         ? m_wndForce
                        : w.field == LiveReadings::kDeflection  ? m_wndDeflection
                        : w.field == LiveReadings::kTemperature ? m_wndTemperature
                                                                : m_wndTarget;
        SetValue(label, w.text);
    }
    if (!r.reportError || !m_pBeam) return 0;
    if (m_lossBoxOpen) {
        // The line came back and went again while the box of the last loss
        // is still open: that box tells this loss too.
        m_pBeam->MarkLossTold();
        return 0;
    }
    QPointer<CStatus> alive(this);
    m_lossBoxOpen = true;
    m_pBeam->ReportError("");
    if (!alive) return 0;
    m_lossBoxOpen = false;
    m_pBeam->MarkLossTold();  // a line still lost as the box returns
    return 0;
}
