// The test document's close: the questions while a test runs, the save of an
// aborted test and the close guard that keeps its report window open.
#include "data/CQXRYXTestDoc.h"
#include "data/TestDocHost.h"
#include "framework/core/MessageBox.h"
#include "framework/core/Strings.h"

namespace {

constexpr UINT IDS_ABORT_RUNNING = 601;
constexpr UINT IDS_SAVE_ABORTED = 602;
constexpr UINT IDS_REPORT_FAILED = 404;

TestDocHost*& Host() {
    static TestDocHost* host = nullptr;
    return host;
}

}  // namespace

TestDocHost* GetTestDocHost() { return Host(); }

TestDocHost* SetTestDocHost(TestDocHost* host) {
    TestDocHost* previous = Host();
    Host() = host;
    return previous;
}

bool CQXRYXTestDoc::SaveModified() {
    TestDocHost* host = Host();
    bool savedAborted = false;
    if (m_testState & 0x1) {
        if (host) host->CloseQuestionOpen(*this, true);
        bool abort = fw::ShowMessage(IDS_ABORT_RUNNING, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
        bool save = false;
        // Points recorded while the question was open count.
        if (abort && GetPointCount() > 500)
            save = fw::ShowMessage(IDS_SAVE_ABORTED, MB_YESNO | MB_ICONQUESTION) == IDYES;
        if (abort && host) host->AbortConfirmed(*this);
        if (host) host->CloseQuestionOpen(*this, false);
        if (!abort) return false;
        if (save) {
            SaveAbortedTest();
            savedAborted = true;
        }
    }
    if ((m_testState & 0x2) || savedAborted)
        if (host) host->ReZero(*this);
    if ((m_testState & 0x4) || savedAborted)
        if (host) host->ClearTestRunning();
    return fw::Document::SaveModified();
}

void CQXRYXTestDoc::SaveAbortedTest() {
    TestDocHost* host = Host();
    if (host) host->DetachRunningView(*this);
    CalculateResults();
    // Modified until saved, so that a failed save is offered again at the
    // next close.
    SetModifiedFlag(true);
    if (OnSaveDocument(GetPathName()) && host) host->AdvanceDefaultTestName();
    if (host && !host->OpenReport(*this)) fw::ShowMessage(IDS_REPORT_FAILED, MB_OK);
    m_testState = 0;
    if (host) host->ClearTestRunning();
    m_bCloseGuard = FALSE;
}

void CQXRYXTestDoc::OnCloseDocument() {
    if (!m_bCloseGuard) {
        // The close that follows the save of an aborted test leaves the
        // document and its new report window open; the next one closes.
        m_bCloseGuard = TRUE;
        return;
    }
    fw::Document::OnCloseDocument();  // may delete this
}
