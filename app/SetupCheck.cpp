#include "app/SetupCheck.h"

#include <unistd.h>

#include <cmath>

#include "framework/core/Strings.h"
#include "platform/PortNames.h"
#include "settings/CQXRegistry.h"
#include "setup/SetupSheetModel.h"

namespace appcheck {

namespace {

// A number the station computes with is missing unless it reads as a finite one.
bool Missing(unsigned (CQXRegistry::*get)(double&)) {
    double d = 0;
    return (theRegistry.*get)(d) != 0 || !std::isfinite(d);
}

}  // namespace

SetupCheck CheckStoredSetup(const std::function<unsigned(const std::string&)>& openPort) {
    SetupCheck c;
    DWORD dw = 0;
    std::string s;
    if (theRegistry.GetTestSampleInterval(dw) || theRegistry.GetTestLoadTime(dw) ||
        theRegistry.GetTestRecoveryTime(dw))
        c.missing.push_back(577);
    if (Missing(&CQXRegistry::GetTestBath)) c.missing.push_back(570);
    if (Missing(&CQXRegistry::GetGageBlockTop) || Missing(&CQXRegistry::GetGageBlockRed) ||
        Missing(&CQXRegistry::GetGageBlockWhite) || Missing(&CQXRegistry::GetGageBlockBlue))
        c.missing.push_back(571);
    // The data directory becomes the current directory: files are made there.
    if (theRegistry.GetTestDirectory(s) || s.empty() || chdir(s.c_str()) != 0) c.missing.push_back(572);
    std::string port;
    if (theRegistry.GetPort(port) || openPort(port) != 0) {
        // A port chosen whose alias names no serial line is not a choice to
        // be made again but an alias to mend: say which.
        if (const auto alias = port.empty() ? std::nullopt : platform::AliasNotSerial(port)) {
            c.missing.push_back(IDS_PORT_ALIAS_NOT_SERIAL);
            c.portAlias = alias->alias;
            c.portTarget = alias->target;
        } else {
            c.missing.push_back(573);
        }
    }
    if (theRegistry.GetEquipmentRYX(s)) c.missing.push_back(576);
    if (Missing(&CQXRegistry::GetTemperatureA0) || Missing(&CQXRegistry::GetTemperatureA1) ||
        Missing(&CQXRegistry::GetTemperatureA3))
        c.missing.push_back(574);
    c.calibrationMissing = setup::CalibrationValuesMissing() || Missing(&CQXRegistry::GetForceConstant) ||
                           Missing(&CQXRegistry::GetDeflectionConstant) ||
                           Missing(&CQXRegistry::GetDeflectionCompliance);
    return c;
}

std::string MissingLines(const SetupCheck& check) {
    std::string lines;
    for (UINT id : check.missing)
        lines += id == IDS_PORT_ALIAS_NOT_SERIAL
                     ? fw::FormatString(fw::LoadString(id), {check.portAlias, check.portTarget})
                     : fw::LoadString(id);
    return lines;
}

}  // namespace appcheck
