#pragma once
// Number formatting and parsing for files: always the C locale, explicitly,
// whatever locale the process (the user's) has, and without switching the
// process locale, which other threads use at the same time.
#include <string>
#include <string_view>

namespace platform {

// printf-style formatting in the C locale (decimal point '.').
std::string FormatC(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// printf-style formatting in the user's locale, for numbers shown on screen.
std::string FormatUser(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// Parses a whole text as a double in the C locale (leading and trailing white
// space allowed). Returns false, leaving value untouched, when the text is not
// a number or has anything after it.
bool ParseDoubleC(std::string_view text, double& value);

// atof in the C locale: the longest leading number, 0 when there is none.
double AtofC(std::string_view text);

// Parses a whole text as an integer in the given base; false on any junk or overflow.
bool ParseLong(std::string_view text, long long& value, int base = 10);

}  // namespace platform
