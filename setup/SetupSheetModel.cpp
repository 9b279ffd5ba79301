#include "setup/SetupSheetModel.h"

#include <cfloat>
#include <cmath>

#include "framework/core/Exceptions.h"
#include "framework/core/MessageBox.h"
#include "instrument/TempOffsetTable.h"
#include "res/MenuIds.h"
#include "res/Resource.h"
#include "settings/CQXRegistry.h"
#include "setup/FirmwareWait.h"
#include "setup/SettingsSaveFailure.h"

namespace setup {

SetupSheetModel::SetupSheetModel(SetupInstrument& beam)
    : m_equipment(beam), m_port(beam), m_instrument(beam), m_tabs{&m_bath,       &m_gageBlock, &m_port,
                                                                  &m_confidence, &m_graphs,    &m_equipment,
                                                                  &m_archive,    &m_beam,      &m_advanced} {}

SetupPage& SetupSheetModel::Page(int tab) {
    return *m_tabs.at(static_cast<size_t>(tab));
}

bool SetupSheetModel::AwaitFirmware() {
    if (!m_waiter || !m_port.Opened() || !m_equipment.ProbeShown()) return true;
    if (FirmwareKnown(m_instrument.GetFirmwareVersion())) return true;
    FirmwareWait wait(m_instrument, platform::DefaultClock());
    return m_waiter([&wait] { return wait.Check() != FirmwareWait::State::Waiting; });
}

int SetupSheetModel::Apply(const std::vector<PageControls*>& controls, int active) {
    // Every page is judged before any is written, so that a page refusing
    // late leaves nothing half stored. The port is the exception: it is
    // switched and stored as its page passes, before the pages after it are
    // judged, and stays in use and stored when one of them refuses. The
    // instrument then tells its firmware, which the Equipment page waits for
    // to know whether the probe is to be asked for.
    for (int tab = 0; tab < kPages; ++tab) {
        if (tab == kTabEquipment && !AwaitFirmware()) return kClosed;
        if (!Page(tab).Check(*controls[tab])) return tab;
        if (tab == kTabPort && !m_port.SwitchPort(*controls[kTabPort])) return kTabPort;
    }
    {
        CQXSettingsGroup group;
        for (int tab = 0; tab < kPages; ++tab) {
            if (Page(tab).Write()) {
                ShowSettingsSaveFailure(IDS_REGISTRY_WRITE);
                return tab;
            }
        }
        if (group.Commit()) {
            ShowSettingsSaveFailure(IDS_REGISTRY_WRITE);
            return active;
        }
    }
    m_storedResult = Result();
    for (int tab = 0; tab < kPages; ++tab)
        if (!Page(tab).AfterCommit(*controls[tab])) return tab;
    return -1;
}

int SetupSheetModel::Result() const {
    int r = kResultOk;
    if (m_beam.m_enteredThin != m_beam.m_loadedThin) r |= kResultThinBeam;
    if (m_gageBlock.Changed()) r |= kResultGageBlock;
    if (m_bath.m_entered != m_bath.m_loaded) r |= kResultBath;
    if (m_beam.m_enteredThick != m_beam.m_loadedThick) r |= kResultThickBeam;
    return r;
}

SetupFollowUp DecideFollowUp(int result, bool noTemperature, bool calibrationMissing) {
    SetupFollowUp f;
    const int t = noTemperature ? 1 : 0;
    f.code = t;
    if (result & kResultBath) {
        f.code |= 2;
        f.calibrations = t;  // advised only: no wizard starts
    } else if ((result & kResultGageBlock) || calibrationMissing) {
        f.code |= 2;
        f.calibrations = f.code;
    } else if (result & kResultThinBeam) {
        f.code |= 4;
        f.calibrations = f.code;
    } else {
        f.calibrations = f.code;
    }
    if (result & kResultThickBeam) f.code |= 8;  // advice only
    static const UINT kMessages[16] = {0, 430, 431, 433, 432, 434, 0, 0, 435, 436, 437, 438, 439, 440, 0, 0};
    f.message = kMessages[f.code & 15];
    f.calibrations &= 6;
    return f;
}

bool NoTemperatureCalibration() {
    double bath = 0;
    if (theRegistry.GetTestBath(bath)) return true;
    TempOffsetTable table;
    if (!table.LoadOffsets()) return true;
    try {
        return table.GetOffset(bath) == FLT_MAX;
    } catch (const fw::InvalidArgException&) {
        // A bath outside the table's degrees has no offset either.
        return true;
    }
}

bool CalibrationValuesMissing() {
    Time64 t{};
    WORD w = 0;
    // A constant that is no number (a damaged settings file) is missing: a
    // test could compute nothing with it.
    const auto missing = [](unsigned (CQXRegistry::*get)(double&)) {
        double d = 0;
        return (theRegistry.*get)(d) != 0 || !std::isfinite(d);
    };
    return theRegistry.GetLastCalibration(t) || theRegistry.GetForceZero(w) ||
           theRegistry.GetDeflectionZero(w) || missing(&CQXRegistry::GetForceConstant) ||
           missing(&CQXRegistry::GetDeflectionConstant) || missing(&CQXRegistry::GetDeflectionCompliance);
}

void RunFollowUp(int result, const std::function<void(UINT id)>& command) {
    if (result & kResultCancelled) return;
    const SetupFollowUp f = DecideFollowUp(result, NoTemperatureCalibration(), CalibrationValuesMissing());
    if (f.message) fw::ShowMessage(f.message, MB_OK);
    if (f.calibrations & 2) command(ID_CALIBRATE_DEFLECTION);
    if (f.calibrations & 4) command(ID_CONFIDENCE_TEST);
}

}  // namespace setup
