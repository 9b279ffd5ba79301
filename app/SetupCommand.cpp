// Setup > Instrument Setup (also posted by the start-up's settings check):
// the sheet, then the follow-up that advises on calibrations and starts them.
#include "app/CQXRYXMainFrame.h"
#include "app/CQXRYXwApp.h"
#include "setup/CSetupSheet.h"
#include "setup/SetupSheetModel.h"

void CQXRYXMainFrame::OnSetupInstrument() {
    CQXRYXwApp* app = CQXRYXwApp::Instance();
    if (!app) return;
    setup::CSetupSheet sheet(this, 0, app->m_beam);
    const int result = sheet.DoModal();
    // The calibrations are the Calibrate menu's own commands.
    setup::RunFollowUp(result, [this](UINT id) { OnCmdMsg(id); });
}
