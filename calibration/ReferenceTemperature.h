#pragma once
// The reference thermometer's reading as the operator types it, in the
// temperature calibration dialog and the verification wizard alike.
#include <string>

inline constexpr double kReferenceMinimum = -48.0;  // degC, the calibration entry's limits
inline constexpr double kReferenceMaximum = 28.0;

// The whole text (blanks around it allowed) read as a number in the user's
// locale (the C library's current one, with its decimal separator): a sign,
// digits and at most one separator, a finite value that a single-precision
// reading holds. False, value untouched, for anything else: the reading is
// never a number the operator did not type.
bool ParseTemperatureText(const std::string& text, double& value);

// ParseTemperatureText, and between the limits above.
bool ParseReferenceTemperature(const std::string& text, double& value);
