// Run a New Test and the update rule of the commands a running test disables.
#include "app/CQXRYXMainFrame.h"
#include "app/CQXRYXwApp.h"
#include "framework/core/Document.h"
#include "testing/RYXTestSetup.h"

void CQXRYXwApp::OnFileNew() {
    RYXTestSetup setup(m_pMainFrame);
    if (setup.DoModal() != IDOK) return;
    // The settings now hold the test's values; the new document reads them.
    fw::Document* doc = OpenDocumentFile(nullptr, 0);
    if (!doc || doc->GetViews().empty()) return;
    if (!StartTestInView(doc->GetViews().front())) doc->OnCloseDocument();
}

bool CQXRYXwApp::StartTestInView(fw::View*) {
    // The live test view comes with the test window (template 130); until
    // then the template opens no window and no document reaches here.
    return false;
}

void CQXRYXwApp::OnUpdateNoTestRunning(fw::CmdUI& ui) {
    ui.Enable(m_bTestRunning == FALSE);
}
