#pragma once
// The reference thermometer's reading as the operator types it, in the
// temperature calibration dialog and the verification wizard alike.
#include <string>

inline constexpr double kReferenceMinimum = -48.0;  // degC, the entry's limits
inline constexpr double kReferenceMaximum = 28.0;

// The whole text (blanks around it allowed) read as a number in the user's
// locale (the C library's current one, with its decimal separator): a sign,
// digits and at most one separator, finite and between the limits above.
// False, value untouched, for anything else.
bool ParseReferenceTemperature(const std::string& text, double& value);
