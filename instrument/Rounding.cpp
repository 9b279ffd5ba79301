#include "instrument/Rounding.h"

#include <cmath>
#include <cstdint>

#include "platform/Numbers.h"

double RoundTo(const double& value, double step) {
    const double q = value / step;
    if (!(q >= -2147483647.0 && q <= 2147483647.0)) return value;  // NaN or out of range
    int64_t n = static_cast<int32_t>(q);
    if (std::fabs(q - static_cast<double>(n)) >= 0.5) n += value < 0 ? -1 : 1;
    return static_cast<double>(n) * step;
}

double RoundSignificant(const double& value, int digits) {
    constexpr int kBuffer = 64;
    if (digits >= kBuffer) return 0.0;
    const std::string text = platform::FormatC("%.*g", digits < 1 ? 1 : digits, value);
    if (text.size() >= kBuffer) return 0.0;  // would not fit the conversion buffer
    return platform::AtofC(text);
}
