#pragma once
// Rounding of readings and results before they are shown, stored or compared.

// Nearest multiple of step, halves away from zero. The decision is taken on
// the quotient as computed in double (12.35 / 0.1 is 123.49999999999999, so
// 12.35 rounds to 12.3). A NaN, or a quotient beyond the 32-bit range, comes
// back unchanged.
double RoundTo(const double& value, double step);

// value to `digits` significant digits, through its shortest text of that
// many digits (C locale) and back. 64 digits or more give 0.
double RoundSignificant(const double& value, int digits);
