#pragma once
// The critical temperatures of a pair of tests: the temperatures, 10 degC
// below the interpolated ones, at which the stiffness at 60 s reaches 300 MPa
// and the m-value at 60 s falls to 0.300, and their difference, Delta Tc.
// Test 1 is the base of both interpolations. Equal stiffness or m-values give
// the infinities or NaN of the division: the pair check prevents them.
#include <array>
#include <string>

#include "data/DeltaTcData.h"

struct DeltaTcResults {
    CQXFloatData tcStiffness;  // Tc at S = 300 MPa, degC
    CQXFloatData tcMValue;     // Tc at m = 0.300, degC
    CQXFloatData deltaTc;      // tcStiffness - tcMValue
};

float TcAtStiffness(const DeltaTcData& test1, const DeltaTcData& test2);
float TcAtMValue(const DeltaTcData& test1, const DeltaTcData& test2);
DeltaTcResults ComputeDeltaTc(const DeltaTcData& test1, const DeltaTcData& test2);

// The report's formats of the result rows and of the two tests' value rows.
inline constexpr const char* kDeltaTcResultFormat = " %-.1f";
inline constexpr const char* kDeltaTcTemperatureFormat = " %-.1f";
inline constexpr const char* kDeltaTcMValueFormat = "%- #3.3f";
inline constexpr const char* kDeltaTcStiffnessFormat = "%-6.3g";

// The texts the report shows for the results: " -25.5" and the like.
struct DeltaTcResultTexts {
    std::string tcStiffness;
    std::string tcMValue;
    std::string deltaTc;
};
DeltaTcResultTexts FormatDeltaTc(const DeltaTcResults& results);

// The report's eleven value texts of one test, in its row order: operator,
// specimen, test time, test date, project, instrument id, target, minimum and
// maximum temperature, m-value and stiffness at 60 s.
std::array<std::string, 11> FormatDeltaTcRows(const DeltaTcData& test);
