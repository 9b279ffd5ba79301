// The Calibrate menu of the main frame: the deflection chain (deflection,
// force, the datum marked unset, the confidence test), the force chain, the
// confidence test, the auto-thickness datum, the temperature calibration and
// the verification. Each wizard is built on the stack and shown modally;
// nothing follows one that did not end with OK.
#include <cfloat>

#include "app/CalibrateChain.h"
#include "app/CQXRYXMainFrame.h"
#include "app/CQXRYXwApp.h"
#include "calibration/CCheckWiz.h"
#include "calibration/CDatumWiz.h"
#include "calibration/CTempOffset.h"
#include "calibration/CalibrationDeflectionWizard.h"
#include "calibration/CalibrationForceWizard.h"
#include "calibration/VerificationWizard.h"
#include "framework/core/MessageBox.h"
#include "res/MenuIds.h"
#include "res/Resource.h"
#include "settings/CQXRegistry.h"

namespace {

constexpr UINT IDS_DATUM_NEEDS_CALIBRATION = 728;
// The old datum was measured against the old calibration.
constexpr UINT IDS_DATUM_NOT_UNSET = 255;

// The six values a calibration leaves, read in order up to the first missing.
bool CalibrationComplete() {
    Time64 t{};
    WORD w = 0;
    double d = 0;
    return !theRegistry.GetLastCalibration(t) && !theRegistry.GetForceZero(w) &&
           !theRegistry.GetDeflectionZero(w) && !theRegistry.GetForceConstant(d) &&
           !theRegistry.GetDeflectionConstant(d) && !theRegistry.GetDeflectionCompliance(d);
}

}  // namespace

void CQXRYXMainFrame::MapCalibrateCommands() {
    MapCommand(ID_CALIBRATE_DEFLECTION, [this] { OnCalibrateDeflection(); });
    MapCommand(ID_CALIBRATE_FORCE, [this] { OnCalibrateForce(); });
    MapCommand(ID_CONFIDENCE_TEST, [this] { OnConfidenceTest(); });
    MapCommand(ID_CALIBRATE_DATUM, [this] { OnAutoThicknessDatum(); });
    MapCommand(ID_CALIBRATE_TEMPERATURE, [this] { OnCalibrateTemperature(); });
    MapCommand(ID_VERIFICATION, [this] { OnVerification(); });
    // Not while a test runs.
    for (UINT id : {ID_CALIBRATE_DEFLECTION, ID_CALIBRATE_FORCE, ID_CONFIDENCE_TEST, ID_CALIBRATE_DATUM,
                    ID_CALIBRATE_TEMPERATURE, ID_VERIFICATION})
        MapUpdate(id, [](fw::CmdUI& ui) {
            if (CQXRYXwApp* app = CQXRYXwApp::Instance())
                app->OnUpdateNoTestRunning(ui);
            else
                ui.Enable(true);
        });
}

void RunDeflectionChain(const CalibrateChain& chain) {
    if (chain.deflection() != IDOK) return;
    if (chain.force() != IDOK) return;
    // FLT_MAX: no datum until the datum wizard measures one against the new
    // calibration. A datum that stays would pass for valid: say so.
    if (theRegistry.SetAutoThicknessDatum(static_cast<double>(FLT_MAX)) != 0)
        fw::ShowMessage(IDS_DATUM_NOT_UNSET, MB_OK | MB_ICONEXCLAMATION);
    chain.confidence();
}

void RunForceChain(const CalibrateChain& chain) {
    if (chain.force() != IDOK) return;
    chain.confidence();
}

CalibrateChain CQXRYXMainFrame::Chain() {
    CalibrateChain chain;
    chain.deflection = [this] {
        CalibrationDeflectionWizard wizard(*m_pBeam);
        return wizard.DoModal();
    };
    chain.force = [this] {
        CalibrationForceWizard wizard(*m_pBeam);
        return wizard.DoModal();
    };
    chain.confidence = [this] {
        CCheckWiz wizard(*m_pBeam);
        return wizard.DoModal();
    };
    return chain;
}

void CQXRYXMainFrame::OnCalibrateDeflection() {
    RunDeflectionChain(Chain());
}

void CQXRYXMainFrame::OnCalibrateForce() {
    RunForceChain(Chain());
}

void CQXRYXMainFrame::OnConfidenceTest() {
    CCheckWiz check(*m_pBeam);
    check.DoModal();
}

void CQXRYXMainFrame::OnAutoThicknessDatum() {
    if (CalibrationComplete()) {
        CDatumWiz datum(*m_pBeam);
        datum.DoModal();
        return;
    }
    if (fw::ShowMessage(IDS_DATUM_NEEDS_CALIBRATION, MB_YESNO) == IDYES) OnCalibrateDeflection();
}

void CQXRYXMainFrame::OnCalibrateTemperature() {
    CTempOffset dialog(this, *m_pBeam);
    dialog.DoModal();
}

void CQXRYXMainFrame::OnVerification() {
    VerificationWizard wizard(*m_pBeam);
    wizard.DoModal();
}
