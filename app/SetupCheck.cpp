#include "app/SetupCheck.h"

#include <unistd.h>

#include "settings/CQXRegistry.h"
#include "setup/SetupSheetModel.h"

namespace appcheck {

SetupCheck CheckStoredSetup(const std::function<unsigned(const std::string&)>& openPort) {
    SetupCheck c;
    DWORD dw = 0;
    double d = 0;
    std::string s;
    if (theRegistry.GetTestSampleInterval(dw) || theRegistry.GetTestLoadTime(dw) ||
        theRegistry.GetTestRecoveryTime(dw))
        c.missing.push_back(577);
    if (theRegistry.GetTestBath(d)) c.missing.push_back(570);
    if (theRegistry.GetGageBlockTop(d) || theRegistry.GetGageBlockRed(d) ||
        theRegistry.GetGageBlockWhite(d) || theRegistry.GetGageBlockBlue(d))
        c.missing.push_back(571);
    // The data directory becomes the current directory: files are made there.
    if (theRegistry.GetTestDirectory(s) || s.empty() || chdir(s.c_str()) != 0) c.missing.push_back(572);
    std::string port;
    if (theRegistry.GetPort(port) || openPort(port) != 0) c.missing.push_back(573);
    if (theRegistry.GetEquipmentRYX(s)) c.missing.push_back(576);
    if (theRegistry.GetTemperatureA0(d) || theRegistry.GetTemperatureA1(d) || theRegistry.GetTemperatureA3(d))
        c.missing.push_back(574);
    c.calibrationMissing = setup::CalibrationValuesMissing();
    return c;
}

}  // namespace appcheck
