#include "simulator/SettingsWriter.h"

#include <cstring>
#include <ctime>
#include <filesystem>
#include <vector>

#include "platform/Hive.h"
#include "platform/Paths.h"
#include "simulator/Model.h"
#include "simulator/Pty.h"

namespace ryxsim {

namespace {

std::string LittleEndian(uint64_t v, int bytes) {
    std::string s;
    for (int i = 0; i < bytes; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    return s;
}

platform::RegValue Dword(uint32_t v) {
    return {platform::kRegDword, LittleEndian(v, 4)};
}
platform::RegValue Double(double d) {
    uint64_t bits;
    std::memcpy(&bits, &d, sizeof bits);
    return {platform::kRegBinary, LittleEndian(bits, 8)};
}
platform::RegValue Date(int64_t t) {
    return {platform::kRegBinary, LittleEndian(static_cast<uint64_t>(t), 8)};
}
platform::RegValue Text(const std::string& s) {
    return {platform::kRegSz, s};
}

struct Item {
    const char* section;  // "" for the program key itself
    const char* name;
    platform::RegValue value;
};

}  // namespace

double SimulatedDatum(const Calibration& cal) {
    BenchModel model(cal, 1);
    model.InsertBeam(BeamKind::kThickSteel);
    // What the station reads outside a test: position less the frame's share.
    return model.Position() - model.Force() * cal.compliance;
}

platform::ErrorCode WriteSettings(const std::string& hiveFile, const SettingsPlan& plan, std::string* error) {
    auto fail = [&](platform::ErrorCode code, const std::string& text) {
        if (error) *error = text;
        return code;
    };
    if (!PortAlias::IsValidAlias(plan.port))
        return fail(platform::kErrorInvalidParameter, "port must be COM1 to COM4");
    if (plan.dataDir.empty()) return fail(platform::kErrorInvalidParameter, "no data folder given");
    if (const platform::ErrorCode e = platform::EnsureDirectory(plan.dataDir))
        return fail(e, "cannot make the data folder " + plan.dataDir);

    const Calibration& c = plan.calibration;
    const GageBlock& g = c.gage;
    const int64_t now = static_cast<int64_t>(std::time(nullptr));
    std::string port = plan.port;
    for (char& ch : port) ch = static_cast<char>(ch >= 'a' && ch <= 'z' ? ch - 'a' + 'A' : ch);
    // The station makes this its working folder: it must not depend on ours.
    std::error_code ec;
    std::string dir = std::filesystem::absolute(plan.dataDir, ec).lexically_normal().string();
    if (ec) return fail(platform::kErrorPathNotFound, "cannot resolve the data folder " + plan.dataDir);
    if (dir.back() != '/') dir += '/';

    // Every degree calibrated with no offset: the simulated bath reads true.
    std::string offsets, dates;
    for (int i = 0; i < 66; ++i) {
        offsets += LittleEndian(0, 2);
        dates += LittleEndian(static_cast<uint64_t>(now), 8);
    }

    const std::vector<Item> items = {
        {"Graphs", "Auto", Dword(1)},
        {"Graphs", "Deflection", Double(1.0)},
        {"Graphs", "Force", Double(1000.0)},
        {"Test", "Directory", Text(dir)},
        {"Test", "File Name", Text("")},
        {"Test", "Last Default", Text("00000000")},
        {"Test", "Operator", Text("simulator")},
        {"Test", "Project", Text("simulated instrument")},
        {"Test", "Specimen", Text("binder beam")},
        {"Test", "Stop Test Max Defl", Dword(1)},
        {"Test", "Save LIMS", Dword(0)},
        {"Test", "Load Time", Dword(240)},
        {"Test", "Recovery Time", Dword(10)},
        {"Test", "Sample Interval", Dword(30)},
        {"Test", "BathTime", Double(60.0)},
        {"Test", "Thickness", Double(kBinderBeam.thickness)},
        {"Test", "Width", Double(kBinderBeam.width)},
        {"Deflection", "White", Dword(c.DeflectionWhiteCount())},
        {"Deflection", "Zero", Dword(c.deflectionZero)},
        {"Deflection", "Compliance", Double(c.compliance)},
        {"Deflection", "Constant", Double((c.topSlope + c.whiteSlope + c.blueSlope) / 3)},
        {"Deflection", "BluConstant", Double(c.blueSlope)},
        {"Deflection", "TopConstant", Double(c.topSlope)},
        {"Deflection", "WhtConstant", Double(c.whiteSlope)},
        {"Force", "Resolution", Dword(1)},
        {"Force", "Zero", Dword(c.forceZero)},
        {"Force", "Constant", Double(c.forceConstant)},
        {"", "Last Calibration", Date(now)},
        {"", "Port", Text(port)},
        {"", "Test Bath", Double(plan.bath)},
        {"Confidence Test", "Last", Date(now)},
        {"Confidence Test", "Result", Double(kSteelModulus / 1e5)},
        {"Confidence Test", "Min", Double(1.83)},
        {"Confidence Test", "Max", Double(2.23)},
        {"Equipment", "Load Cell", Text("SIM-LC")},
        {"Equipment", "LVDT", Text("SIM-LVDT")},
        {"Equipment", "RYX", Text("SIM-RYX")},
        {"Equipment", "Thermistor", Text("SIM-T")},
        {"Temperature", "A0", Double(c.a0)},
        {"Temperature", "A1", Double(c.a1)},
        {"Temperature", "A3", Double(c.a3)},
        {"Temperature", "Offsets", {platform::kRegBinary, offsets}},
        {"Temperature", "OffsetDates", {platform::kRegBinary, dates}},
        {"Auto Thickness", "Datum", Double(SimulatedDatum(c))},
        {"Auto Thickness", "Thick Thickness", Double(kThickSteelBeam.thickness)},
        {"Beam Dimensions", "Thin Thickness", Double(kThinSteelBeam.thickness)},
        {"Beam Dimensions", "Thin Width", Double(kThinSteelBeam.width)},
        {"Gage Block", "Top", Double(g.top)},
        {"Gage Block", "Red", Double(g.red)},
        {"Gage Block", "White", Double(g.white)},
        {"Gage Block", "Blue", Double(g.blue)},
    };

    platform::Hive hive(hiveFile);
    const std::string root = "HKEY_LOCAL_MACHINE\\SOFTWARE\\TarvokInstrument\\" + plan.programKey + "\\3.1";
    for (const Item& item : items) {
        const std::string key = *item.section ? root + "\\" + item.section : root;
        if (const platform::ErrorCode e = hive.SetValue(key, item.name, item.value))
            return fail(e, "cannot write " + hiveFile + " (error " + std::to_string(e) + ")");
    }
    return 0;
}

}  // namespace ryxsim
