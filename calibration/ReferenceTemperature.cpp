#include "calibration/ReferenceTemperature.h"

#include <cerrno>
#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstdlib>

bool ParseTemperatureText(const std::string& text, double& value) {
    const std::string separator = std::localeconv()->decimal_point;
    size_t b = 0, e = text.size();
    while (b < e && (text[b] == ' ' || text[b] == '\t')) ++b;
    while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t')) --e;
    // A sign, digits and at most one of the user's decimal separators: no
    // exponent, hexadecimal, "inf" or "nan" that strtod would also take.
    size_t i = b;
    if (i < e && (text[i] == '-' || text[i] == '+')) ++i;
    int digits = 0;
    bool separatorSeen = false;
    while (i < e) {
        if (text[i] >= '0' && text[i] <= '9') {
            ++digits;
            ++i;
        } else if (!separatorSeen && !separator.empty() &&
                   text.compare(i, separator.size(), separator) == 0) {
            separatorSeen = true;
            i += separator.size();
        } else {
            return false;
        }
    }
    if (digits == 0) return false;
    const std::string number = text.substr(b, e - b);
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(number.c_str(), &end);
    if (end != number.c_str() + number.size() || errno == ERANGE || !std::isfinite(v)) return false;
    if (std::fabs(v) > FLT_MAX) return false;
    value = v;
    return true;
}

bool ParseReferenceTemperature(const std::string& text, double& value) {
    double v = 0;
    if (!ParseTemperatureText(text, v) || v < kReferenceMinimum || v > kReferenceMaximum) return false;
    value = v;
    return true;
}
