// The application's file commands: Open a Saved Test, the two batch exports
// worked off one file per idle period, Calculate Delta Tc, and the bath's
// temperature-control toggle.
#include <new>

#include "app/BatchExportJob.h"
#include "app/CQXRYXMainFrame.h"
#include "app/CQXRYXwApp.h"
#include "app/CommandRules.h"
#include "app/FileDialogsWithPreview.h"
#include "data/CQXRYXDeltaTcDoc.h"
#include "data/CQXRYXTestDoc.h"
#include "data/DeltaTcData.h"
#include "framework/core/MessageBox.h"
#include "framework/core/Strings.h"
#include "instrument/BeamState.h"

namespace {

// The pseudo-path of the Delta Tc document: it reads nothing from it.
constexpr const char* kDeltaTcPath = "Delta Tc";

// name + "|*" + extension + "|" for a template that has both.
std::string FilterOf(const fw::DocTemplate* t) {
    std::string name, ext;
    if (!t || !t->GetDocString(name, fw::DocTemplate::kFilterName) ||
        !t->GetDocString(ext, fw::DocTemplate::kFilterExt))
        return {};
    return name + "|*" + ext + "|";
}

}  // namespace

void CQXRYXwApp::MapFileCommands() {
    MapCommand(ID_FILE_OPEN, [this] { OnFileOpen(); });
    MapCommand(ID_BATCH_EXPORT_DATA, [this] { OnBatchExportData(); });
    MapCommand(ID_BATCH_EXPORT_RESULTS, [this] { OnBatchExportResults(); });
    MapUpdate(ID_BATCH_EXPORT_DATA, [this](fw::CmdUI& ui) { OnUpdateBatchExport(ui); });
    MapUpdate(ID_BATCH_EXPORT_RESULTS, [this](fw::CmdUI& ui) { OnUpdateBatchExport(ui); });
    MapCommand(ID_BATCH_EXPORT_NEXT, [this] { OnBatchExportNext(); });
    MapCommand(ID_CALCULATE_DELTA_TC, [this] { OnCalculateDeltaTc(); });
    MapCommand(ID_DELTA_TC_SHOW, [this] { OnDeltaTcShow(); });
    MapCommand(ID_TEMPERATURE_CONTROL, [this] { OnEnableTemperatureControl(); });
    MapUpdate(ID_TEMPERATURE_CONTROL, [this](fw::CmdUI& ui) { OnUpdateEnableTemperatureControl(ui); });
}

CQXRYXTestDoc* CQXRYXwApp::OpenTestHidden(const std::string& path) {
    if (!m_pReportTemplate) return nullptr;
    struct Quiet {
        bool& flag;
        explicit Quiet(bool& f) : flag(f) { flag = true; }
        ~Quiet() { flag = false; }
    } quiet(m_bQuietOpen);
    m_strQuietOpenFailure.clear();
    return static_cast<CQXRYXTestDoc*>(m_pReportTemplate->OpenDocumentFile(path.c_str(), false));
}

BatchExportJob& CQXRYXwApp::ExportJob() {
    if (!m_exportJob) {
        m_exportJob = std::make_unique<BatchExportJob>(
            m_exportQueue, [this](const std::string& path) { return OpenTestHidden(path); },
            [](CQXRYXTestDoc* doc) { doc->OnCloseDocument(); });
    }
    return *m_exportJob;
}

// ---- Open a Saved Test -----------------------------------------------------

void CQXRYXwApp::OnFileOpen() {
    const std::string filter = FilterOf(m_pReportTemplate) + FilterOf(m_pLegacyReportTemplate) + "|";
    RYXFileOpen dlg(filter, m_pMainFrame);
    if (dlg.DoModal() != IDOK || dlg.GetPathName().empty()) return;
    // The file's extension chooses the template, as for a file opened from
    // the desktop: a name typed into the dialog need not match the filter.
    OpenShellFile(dlg.GetPathName());
}

// ---- Batch export ----------------------------------------------------------

void CQXRYXwApp::OnBatchExportData() {
    BatchExport(FALSE);
}

void CQXRYXwApp::OnBatchExportResults() {
    BatchExport(TRUE);
}

void CQXRYXwApp::OnUpdateBatchExport(fw::CmdUI& ui) {
    // One batch at a time: a second would change the format of the running one.
    ui.Enable(m_exportQueue.empty());
}

void CQXRYXwApp::BatchExport(BOOL results) {
    if (!m_exportQueue.empty()) return;
    const std::string filter = FilterOf(m_pReportTemplate) + "|";
    RYXBatchExport dlg(filter, m_pMainFrame);
    if (results) dlg.SetLimsMode(TRUE);
    if (dlg.DoModal() != IDOK) return;
    // After a failed selection (the dialog has said 657) no path is copied,
    // and 656 follows below.
    m_strExportFormat = dlg.m_strFormat;
    const BOOL copied = dlg.GetPathList(&m_exportQueue);
    if (copied && !m_exportQueue.empty()) {
        ExportJob().Start(m_strExportFormat);
        if (m_pMainFrame)
            m_pMainFrame->BeginProgress(
                fw::LoadString(results ? appcmd::IDS_BATCH_RESULTS : appcmd::IDS_BATCH_DATA),
                static_cast<int>(m_exportQueue.size()));
        return;
    }
    m_exportQueue.clear();
    fw::ShowMessage(appcmd::IDS_NOTHING_EXPORTED, MB_OK | MB_ICONEXCLAMATION);
}

void CQXRYXwApp::OnBatchExportNext() {
    BatchExportJob& job = ExportJob();
    if (!job.ExportNext()) return;
    if (m_pMainFrame) m_pMainFrame->StepProgress();
    if (!m_exportQueue.empty()) return;
    if (m_pMainFrame) m_pMainFrame->EndProgress();
    const appcmd::Message failed = job.FailureMessage();
    if (failed.id) fw::ShowMessage(failed.text, MB_OK | MB_ICONEXCLAMATION);
}

// ---- Delta Tc --------------------------------------------------------------

void CQXRYXwApp::OnCalculateDeltaTc() {
    RYXFileOpenDeltaTc dlg(m_pMainFrame);
    if (dlg.DoModal() != IDOK) return;
    if (dlg.GetPathList(&m_deltaTcFiles) && !m_deltaTcFiles.empty()) {
        // The two tests are read once the dialog has gone.
        if (m_pMainFrame) fw::PostCommand(m_pMainFrame->Id(), ID_DELTA_TC_SHOW);
        return;
    }
    m_deltaTcFiles.clear();
    fw::ShowMessage(appcmd::IDS_SELECTION_ERROR, MB_OK | MB_ICONEXCLAMATION);
}

void CQXRYXwApp::OnDeltaTcShow() {
    const std::vector<std::string> files = std::move(m_deltaTcFiles);
    m_deltaTcFiles.clear();
    if (files.empty()) return;
    std::vector<DeltaTcData> records;
    for (const std::string& path : files) {
        // A document of its own, hidden: one the user has open stays as it is.
        CQXRYXTestDoc* doc = OpenTestHidden(path);
        if (!doc) {
            // Which of the two could not be read, and why.
            const std::string why = m_strQuietOpenFailure.empty() ? "" : "\n\n" + m_strQuietOpenFailure;
            fw::ShowMessage(fw::LoadString(appcmd::IDS_SELECTION_ERROR) + "\n\t" + path + why,
                            MB_OK | MB_ICONEXCLAMATION);
            return;
        }
        try {
            records.push_back(MakeDeltaTcData(*doc));
        } catch (const std::bad_alloc&) {
            doc->OnCloseDocument();
            throw;
        }
        doc->OnCloseDocument();
    }
    if (records.size() < 2) {
        fw::ShowMessage(appcmd::IDS_SELECTION_ERROR, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    if (!CheckDeltaTcPair(records[0], records[1])) return;
    if (!m_pDeltaTcTemplate) return;
    // Opened hidden, given its records, then shown: the view starts with them,
    // and the pseudo-path never reaches the recent files.
    auto* doc = static_cast<CQXRYXDeltaTcDoc*>(m_pDeltaTcTemplate->OpenDocumentFile(kDeltaTcPath, false));
    if (!doc) return;
    doc->SetData(records[0], records[1]);
    if (!m_pDeltaTcTemplate->CreateFrame(*doc, true)) doc->OnCloseDocument();
}

BOOL CQXRYXwApp::CheckDeltaTcPair(const DeltaTcData& first, const DeltaTcData& second) {
    const appcmd::Message m = appcmd::CheckDeltaTcPair(first, second);
    if (m.id == 0) return TRUE;
    fw::ShowMessage(m.text, MB_OK);
    return FALSE;
}

// ---- Temperature control ---------------------------------------------------

void CQXRYXwApp::OnEnableTemperatureControl() {
    BeamState state;
    m_beam.GetState(state);
    if (appcmd::LinkDown(m_beam.GetStatus())) return;
    const BOOL on = appcmd::TemperatureControlTarget(state.mode) ? TRUE : FALSE;
    // A refused send (another command outstanding) is tried again at the
    // next idle period rather than waited for here.
    m_pendingTemperatureControl = m_beam.SetTemperatureControl(on, on) ? -1 : on;
}

void CQXRYXwApp::RetryTemperatureControl() {
    if (m_pendingTemperatureControl < 0) return;
    if (appcmd::LinkDown(m_beam.GetStatus())) {
        m_pendingTemperatureControl = -1;
        return;
    }
    const BOOL on = m_pendingTemperatureControl;
    if (m_beam.SetTemperatureControl(on, on)) m_pendingTemperatureControl = -1;
}

void CQXRYXwApp::OnUpdateEnableTemperatureControl(fw::CmdUI& ui) {
    BeamState state;
    m_beam.GetState(state);
    const unsigned status = m_beam.GetStatus();
    if (status != 0 && status != 1015) {
        ui.SetCheck(0);
        ui.Enable(false);
        return;
    }
    ui.SetCheck(state.mode == 1 ? 1 : 0);
    ui.Enable(!m_bTestRunning);
}
