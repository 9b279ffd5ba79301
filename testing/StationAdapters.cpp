#include "testing/StationAdapters.h"

#include <cfloat>
#include <cmath>

#include "framework/core/Exceptions.h"
#include "instrument/TempOffsetTable.h"
#include "platform/Paths.h"
#include "settings/CQXRegistry.h"

void SequencerBeam::Register(bool on) {
    if (m_window == fw::kNoWindow) return;
    if (on)
        m_beam.AddNotifyWindow(m_window);
    else
        m_beam.RemoveNotifyWindow(m_window);
}

bool RegistryEnvironment::GetTestDirectory(std::string& dir) { return theRegistry.GetTestDirectory(dir) == 0; }
bool RegistryEnvironment::GetStopTestMaxDefl(DWORD& on) { return theRegistry.GetTestStopTestMaxDefl(on) == 0; }
bool RegistryEnvironment::GetSaveLims(DWORD& on) { return theRegistry.GetTestSaveLIMS(on) == 0; }
bool RegistryEnvironment::GetAutoThicknessDatum(double& mm) { return theRegistry.GetAutoThicknessDatum(mm) == 0; }
bool RegistryEnvironment::GetThickThickness(double& mm) {
    return theRegistry.GetAutoThicknessThickThickness(mm) == 0;
}

bool RegistryEnvironment::IsTemperatureCalibrated(double target, Time64& date) {
    date = 0;
    if (!std::isfinite(target)) return false;
    TempOffsetTable table;
    if (!table.LoadOffsets() || !table.LoadDates()) return false;
    try {
        double offset = table.GetOffset(target, &date);
        return offset != FLT_MAX;
    } catch (const fw::InvalidArgException&) {
        date = 0;
        return false;
    }
}

bool RegistryEnvironment::FreeDiskSpace(const std::string& dir, uint64_t& bytes) {
    return platform::FreeDiskSpace(dir, bytes) == 0;
}
