#pragma once
// The pieces every text file of the station is made of, written the same way
// whatever the user's locale: numbers with a decimal point (formatted in the C
// locale without switching the process locale, which other threads use) and
// dates as a Windows station set to English (United States) writes them;
// besides, the texts of times that are shown as they are, in the user's locale.
#include <ctime>
#include <string>
#include <string_view>

#include "platform/WinTypes.h"

namespace exporttext {

// The local time of t; false when it cannot be converted or lies before 1972
// (a date that was never set, by the report's rule), which the report shows
// as " Unknown". The files do not follow this rule: see ToLocalTimeOfFile.
bool ToLocalTime(Time64 t, std::tm& out);

// " Unknown" (string 145), in place of a time that cannot be shown.
std::string UnknownTime();

// The local time of t as the files write it, whatever its year (a DOS-version
// test may be dated 1971); false only for a time never set (0), a negative
// one (before 1970, which the Windows station could not format either) or
// one that cannot be converted.
bool ToLocalTimeOfFile(Time64 t, std::tm& out);
// The exports' "%c" and "%x" (English (United States)); " Unknown" for a time
// ToLocalTimeOfFile refuses.
std::string FileDateTime(Time64 t);
std::string FileDate(Time64 t);
// t formatted with a strftime pattern in the locale in force (the user's,
// set at start-up), for texts that are shown to the user as they are;
// " Unknown" for a time ToLocalTimeOfFile refuses.
std::string LocaleTimeText(Time64 t, const char* pattern);
// The same by the report's rule: " Unknown" for a time ToLocalTime refuses
// (a date before 1972 was never set).
std::string ReportTimeText(Time64 t, const char* pattern);

// A float as the standard output stream writes it by default: six significant
// digits, trailing zeros dropped, exponent form for extreme magnitudes.
std::string StreamNumber(float value);

// A text field of a CSV line: quoted as RFC 4180 says when it holds a comma,
// a double quote or a line break, else as it is. Line breaks come out as
// "\n", for the file writer's CR LF.
std::string CsvText(std::string_view text);

}  // namespace exporttext
