#pragma once
// The pieces every text file of the station is made of, written the same way
// whatever the user's locale: numbers with a decimal point (formatted in the C
// locale without switching the process locale, which other threads use) and
// dates as a Windows station set to English (United States) writes them.
#include <ctime>
#include <string>
#include <string_view>

#include "platform/WinTypes.h"

namespace exporttext {

// The local time of t; false when it cannot be converted or lies before 1972
// (a time that was never set), which the files show as " Unknown".
bool ToLocalTime(Time64 t, std::tm& out);

// "%c": 3/5/2024 2:30:05 PM.
std::string FormatDateTime(Time64 t);
// "%x": 3/5/2024, after prefix.
std::string FormatDate(Time64 t, std::string_view prefix = {});
// "%X": 2:30:05 PM, after prefix.
std::string FormatTime(Time64 t, std::string_view prefix = {});
// " Unknown" (string 145), in place of a time that cannot be shown.
std::string UnknownTime();

// A float as the standard output stream writes it by default: six significant
// digits, trailing zeros dropped, exponent form for extreme magnitudes.
std::string StreamNumber(float value);

// A text field of a CSV line: quoted as RFC 4180 says when it holds a comma,
// a double quote or a line break, else as it is. Line breaks come out as
// "\n", for the file writer's CR LF.
std::string CsvText(std::string_view text);

}  // namespace exporttext
