#include "app/TestStation.h"

#include "app/CQXRYXMainFrame.h"
#include "app/CQXRYXwApp.h"
#include "app/CStatus.h"
#include "app/Menus.h"
#include "data/CQXRYXTestDoc.h"
#include "data/DefaultTestName.h"
#include "framework/core/FileDialog.h"
#include "framework/core/MessageBox.h"
#include "framework/core/Strings.h"
#include "framework/core/WindowPost.h"
#include "platform/Paths.h"

CQXRYXTestStation::CQXRYXTestStation(CQXRYXwApp& app)
    : m_app(app), m_previousStation(SetTestStation(this)), m_previousDocHost(SetTestDocHost(&m_docHost)) {}

CQXRYXTestStation::~CQXRYXTestStation() {
    SetTestDocHost(m_previousDocHost);
    SetTestStation(m_previousStation);
}

SequencerInstrument& CQXRYXTestStation::Instrument(fw::WindowId window) {
    auto& slot = m_instruments[window];
    if (!slot) slot = std::make_unique<SequencerBeam>(m_app.m_beam, window);
    return *slot;
}

platform::Clock& CQXRYXTestStation::Clock() { return platform::DefaultClock(); }

void CQXRYXTestStation::ShowBeamThickness(float mm) {
    if (m_app.m_pMainFrame) m_app.m_pMainFrame->ShowBeamThickness(&mm);
}

void CQXRYXTestStation::ClearBeamThickness() {
    if (m_app.m_pMainFrame) m_app.m_pMainFrame->ClearBeamThickness();
}

bool CQXRYXTestStation::IsTestRunning() { return m_app.m_bTestRunning; }

void CQXRYXTestStation::SetTestRunning(bool running) {
    const bool ended = m_app.m_bTestRunning && !running;
    m_app.m_bTestRunning = running ? TRUE : FALSE;
    // During the test the live-readings bar kept the last readings of a line
    // that failed; it looks again now, since a line that stays dead changes
    // its status no more and sends no update of its own.
    if (ended && m_app.m_pMainFrame && m_app.m_pMainFrame->InstrumentBar())
        fw::PostMessage(m_app.m_pMainFrame->InstrumentBar()->Id(), WM_INSTRUMENT_UPDATE);
}

bool CQXRYXTestStation::OpenReport(CQXRYXTestDoc& doc) {
    fw::DocTemplate* report = m_app.m_pReportTemplate;
    if (!report) return false;
    // A report window on the document already: it comes to the front.
    for (fw::View* v : doc.GetViews()) {
        auto* view = dynamic_cast<fw::ViewWidget*>(v);
        if (!view || dynamic_cast<CQXRYXTestView*>(v) || !view->GetParentFrame()) continue;
        view->GetParentFrame()->ActivateFrame(-1);
        return true;
    }
    return report->CreateFrame(doc, true);
}

void CQXRYXTestStation::AdvanceDefaultTestName() { ::AdvanceDefaultTestName(); }

bool CQXRYXTestStation::AskSavePath(std::string& path) {
    fw::SaveDialogRequest request;
    request.filter = "RYXw Test Data (*.ryx)|*.ryx||";
    request.fileName = platform::BaseName(path);
    request.defaultExtension = "ryx";
    request.flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST;
    fw::SaveDialogResult result;
    if (!fw::SaveDialogs().ShowSave(request, result) || result.path.empty()) return false;
    path = result.path;
    return true;
}
