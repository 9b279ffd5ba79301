#pragma once
// The files of the DOS versions 4.1 and 4.2: a ".DAT" header of fixed-offset
// ASCII fields and a ".BDT" file of three arrays of 500 little-endian floats.
// They are parsed into plain records first; CQXRYXTestDoc::ImportLegacy then
// fills the document from them, so a refused pair changes nothing.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/WinTypes.h"

namespace legacy {

enum class Version { k41, k42 };

inline constexpr size_t kHeaderSize41 = 500;
inline constexpr size_t kHeaderSize42 = 430;
inline constexpr size_t kDataSize = 6000;
inline constexpr int kArrayLength = 500;
inline constexpr float kGramsToMilliNewtons = 9.80665f;

struct Header {
    Version version = Version::k42;
    std::string specimen;  // UTF-8, blanks removed at both ends
    std::string project;
    std::string operatorName;
    Time64 testTime = 0;  // local time
    Time64 calibrationDate = 0;
    Time64 confidenceDate = 0;
    float bathTemperature = 0;  // degC
    float targetTemperature = 0;
    float beamThickness = 0;  // mm
    float beamWidth = 0;
    float confidenceResult = 0;  // units of 100 GPa
    float forceConstant = 0;     // mN per bit
    float deflectionConstant = 0;
    float soakTime = 0;  // minutes
};

struct Point {
    float deflection;   // mm
    float force;        // mN
    float temperature;  // degC
};

// The version named by the first five bytes; false for any other mark.
bool ReadVersionMark(std::string_view bytes, Version& version);
size_t HeaderSize(Version version);

enum class HeaderError {
    kNone,
    kNoMark,     // neither "V 4.1" nor "V 4.2"
    kWrongSize,  // not exactly the size of its version
    kBadDate,    // a date or time field that names no valid time
};
// The whole ".DAT" file.
HeaderError ParseHeader(std::string_view bytes, Header& header);

// The whole ".BDT" file: false unless it is exactly 6000 bytes. Version 4.2
// gives the 500 readings; 4.1 skips element 0 and repeats its last reading,
// so it too gives 500.
bool ParseData(std::string_view bytes, Version version, std::vector<Point>& points);

// The file of the pair with extension ext (".DAT" or ".BDT"): path's folder
// and file name with ext, or, when no such file exists, a file of that name
// whose extension differs only in case.
std::string SiblingPath(const std::string& path, std::string_view ext);

}  // namespace legacy
