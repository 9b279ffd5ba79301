// Setup > Instrument Setup (also posted by the start-up's settings check):
// the sheet, then the follow-up that advises on calibrations and starts them.
#include "app/CQXRYXMainFrame.h"
#include "setup/CSetupSheet.h"
#include "setup/SetupSheetModel.h"

void CQXRYXMainFrame::OnSetupInstrument() {
    if (!m_pBeam) return;
    setup::CSetupSheet sheet(this, 0, *m_pBeam);
    const int result = sheet.DoModal();
    // The calibrations are the Calibrate menu's own commands.
    setup::RunFollowUp(result, [this](UINT id) { OnCmdMsg(id); });
}
