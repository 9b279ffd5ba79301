#pragma once
// A settings hive that matches the simulated instrument: its calibration,
// its gage block and beams, a data folder and the port alias, so that a
// station started on it needs no setup and no calibration first.
#include <string>

#include "platform/Errors.h"
#include "simulator/Calibration.h"

namespace ryxsim {

struct SettingsPlan {
    Calibration calibration;
    std::string dataDir;        // made if missing
    std::string port = "COM1";  // COM1 to COM4
    std::string programKey = "RYXw";
    double bath = -12.0;  // the test bath set-point, degC
};

// Writes every setting of the station under
// HKEY_LOCAL_MACHINE\SOFTWARE\TarvokInstrument\<program>\3.1 into the hive
// file; values already in the file under other names stay. 0, or the error
// with a line for the person in `error`.
platform::ErrorCode WriteSettings(const std::string& hiveFile, const SettingsPlan& plan, std::string* error);

// The auto-thickness datum the thick steel beam gives on this instrument.
double SimulatedDatum(const Calibration& cal);

}  // namespace ryxsim
