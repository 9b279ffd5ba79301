#pragma once
// The Delta Tc report's layout, without Qt: the two tests side by side, the
// two critical temperatures and their difference, on screen or paper.
#include <string>

#include "data/DeltaTcCompute.h"
#include "data/DeltaTcData.h"
#include "testing/ReportLayout.h"
#include "testing/ReportPage.h"

namespace report {

// L and c of the small font, L1 and b of the large font, in device units.
struct DeltaTcMetrics {
    int L = 0;
    int c = 0;
    int L1 = 0;
    int b = 0;
};
DeltaTcMetrics CalcDeltaTcMetrics(fw::DrawContext& dc);

// Total (120c - 5, 25L), a page of half of it, a line of (c, L).
ScrollSizes DeltaTcScrollSizes(const DeltaTcMetrics& m);

// The results' texts: " %-.1f", or empty for a result that is not a finite
// number (the records before they are set, or a pair that cannot be
// interpolated).
std::string DeltaTcResultText(const CQXFloatData& value);

// The page for target (its forceDecimals is not used).
Page LayoutDeltaTc(const DeltaTcMetrics& m, const ReportTarget& target, const DeltaTcData& test1,
                   const DeltaTcData& test2, const DeltaTcResults& results);

}  // namespace report
