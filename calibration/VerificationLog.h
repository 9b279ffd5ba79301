#pragma once
// The verification log "verificationFile.csv" in the data directory: a row
// each time a verification is saved (again after Back and Next), appended,
// under a header line of 16 fields that a new (or empty) file gets first. Windows-1252 (the degree sign is the byte
// B0), lines ending in CR LF, fields separated by "," without quoting, and
// numbers always with a decimal point, whatever the user's locale. The
// columns are those earlier logs of the same file hold: the air-bearing
// verdicts under their headers, the 2 g, 4 g and 100 g readings (not the
// increases) and the zero-load-cell reading under "Free Float (mN)".
#include <string>

#include "platform/Errors.h"
#include "platform/WinTypes.h"

inline constexpr char kVerificationLogName[] = "verificationFile.csv";

struct VerificationRecord {
    Time64 when = 0;   // seconds since 1970, shown in local time
    float target = 0;  // degC: Test Bath, the bath at the start, the reference thermometer
    float current = 0;
    float reference = 0;
    float preTareForce = 0;  // mN
    bool freeFloatFailed = false;
    bool steelBeamFailed = false;
    float top = 0;  // mm: the deflections at the four gage-block levels
    float red = 0;
    float white = 0;
    float blue = 0;
    float force2g = 0;  // mN: the readings with 2 g, 4 g and 100 g, and of the zero load cell
    float force4g = 0;
    float force100g = 0;
    float zeroLoadCell = 0;
    bool overallFailed = false;  // the displacement, drop and load-cell verdicts
};

// The header and one row as UTF-8, without a line end.
std::string VerificationLogHeader();
std::string VerificationLogRow(const VerificationRecord& record);

// Appends the row to path, the header first when the file is new or empty;
// what the file held stays as it was, also when the append fails. 0 or the
// error.
platform::ErrorCode AppendVerificationRow(const std::string& path, const VerificationRecord& record);
