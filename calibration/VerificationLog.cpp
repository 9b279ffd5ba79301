#include "calibration/VerificationLog.h"

#include <ctime>

#include "platform/CodePage.h"
#include "platform/Numbers.h"
#include "platform/Paths.h"

namespace {

std::string PassFail(bool failed) {
    return failed ? "Fail" : "Pass";
}

// The line as the file holds it: Windows-1252, CR LF.
std::string FileLine(const std::string& utf8) {
    return platform::Utf8ToCp1252(utf8) + "\r\n";
}

}  // namespace

std::string VerificationLogHeader() {
    return "Date/Time of Verfication,Target Temp (°C),Current Temp (°C),Certified Reference Temp (°C),"
           "Pre-tare Force (mN),Air Bearing Movement w/2g,Air Bearing Return to Steel Beam,"
           "Top Gauge Deflection (mm),Red Gauge Deflection (mm),White Gauge Deflection (mm),"
           "Blue Gauge Deflection (mm),2g Increase (mN),4g Increase (mN),100g Increase (mN),"
           "Free Float (mN),Overall Pass/Fail";
}

std::string VerificationLogRow(const VerificationRecord& r) {
    const std::time_t t = static_cast<std::time_t>(r.when);
    std::tm local{};
    char date[128] = "";
    if (localtime_r(&t, &local)) std::strftime(date, sizeof date, "%Y/%m/%d %H:%M:%S", &local);
    auto d = [](float v) { return static_cast<double>(v); };
    std::string row = date;
    row += "," + platform::FormatC(" %-.1f", d(r.target));
    row += "," + platform::FormatC(" %-.1f", d(r.current));
    row += "," + platform::FormatC(" %-.1f", d(r.reference));
    row += "," + platform::FormatC("%- 3.0f", d(r.preTareForce));
    row += "," + PassFail(r.freeFloatFailed);
    row += "," + PassFail(r.steelBeamFailed);
    for (float v : {r.top, r.red, r.white, r.blue}) row += "," + platform::FormatC("%- #3.3f", d(v));
    for (float v : {r.force2g, r.force4g, r.force100g, r.zeroLoadCell})
        row += "," + platform::FormatC("%- 3.0f", d(v));
    row += "," + PassFail(r.overallFailed);
    return row;
}

platform::ErrorCode AppendVerificationRow(const std::string& path, const VerificationRecord& record) {
    return platform::AppendToFile(path, FileLine(VerificationLogHeader()),
                                  FileLine(VerificationLogRow(record)));
}
