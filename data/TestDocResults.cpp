// The results of a test: force statistics, measured stiffness, the quadratic
// fit of log stiffness on log time, estimated stiffness, m-value and R².
//
// The force statistics and the measured stiffness are computed in single
// precision, each step rounded to float. The fit, the estimated stiffness,
// the m-values and R² are computed in double and stored in the float cells:
// the fit over log times is too badly conditioned for single precision.
// Non-finite values are checked for explicitly (there are no floating-point
// traps).
#include <cfloat>
#include <cmath>

#include "data/CQXRYXTestDoc.h"
#include "instrument/Rounding.h"

namespace {
constexpr UINT kIdsMathError = 402;
constexpr float kSpanCubed = 1048772;  // 101.6 mm cubed, exact as a float

bool Finite(double v) {
    return std::isfinite(v);
}
bool PositiveFinite(double v) {
    return std::isfinite(v) && v > 0;
}
// A value that must also fit its float cell.
bool FitsFloat(double v) {
    return std::isfinite(v) && std::fabs(v) <= FLT_MAX;
}
}  // namespace

BOOL CQXRYXTestDoc::CalculateResults() {
    m_bResultsValid = FALSE;
    CalcForceStatistics();
    if (!CalcMeasuredStiffness() || !FitStiffnessCurve() || !CalcEstimatedStiffness() || !CalcRSquared()) {
        ReportSaveLoadException(GetPathName(), nullptr, false, kIdsMathError);
        return FALSE;
    }
    m_bResultsValid = TRUE;
    return TRUE;
}

// In single precision, each step rounded to float and the sum taken in
// index order: the average and the deviations are texts of the exports,
// which must come out the same on every station.
BOOL CQXRYXTestDoc::CalcForceStatistics() {
    if (!IsTestComplete()) return FALSE;
    float sum = 0, maximum = 0, minimum = 10000;
    float earlyMax = 0, earlyMin = 10000, lateMax = 0, lateMin = 10000;
    for (int i = 1; i <= 479; ++i) {
        const float f = Point(i)->force.m_data;
        sum += f;
        if (i <= 9) {
            if (f > earlyMax) earlyMax = f;
            if (f < earlyMin) earlyMin = f;
        } else {
            if (f > lateMax) lateMax = f;
            if (f < lateMin) lateMin = f;
        }
        if (f > maximum) maximum = f;
        if (f < minimum) minimum = f;
    }
    const float average = sum / 479.0f;
    m_averageForce.m_data = average;
    m_maxForce.m_data = maximum;
    m_minForce.m_data = minimum;
    m_posDeviationEarly.m_data = earlyMax > average ? earlyMax - average : 0.0f;
    m_negDeviationEarly.m_data = earlyMin < average ? earlyMin - average : -0.00001f;
    m_posDeviationLate.m_data = lateMax > average ? lateMax - average : 0.0f;
    m_negDeviationLate.m_data = lateMin < average ? lateMin - average : -0.00001f;
    return TRUE;
}

// In single precision too, like the force statistics.
BOOL CQXRYXTestDoc::CalcMeasuredStiffness() {
    const float w = m_beamWidth.m_data, h = m_beamThickness.m_data;
    const float g = ((4.0f * w) * h * h * h) / kSpanCubed;
    for (int k = 0; k < 6; ++k) {
        const RYXTestData* p = Point(kReportPoints[k]);
        if (!p) return FALSE;
        float d = p->deflection.m_data * g;
        if (d == 0) d = FLT_EPSILON;
        const float s = p->force.m_data / (d * 1000.0f);
        // Zero or negative force, or a negative deflection: no stiffness to
        // fit; an overflow to infinity none either.
        if (!PositiveFinite(s)) return FALSE;
        m_measuredStiffness[k].m_data = s;
    }
    return TRUE;
}

BOOL CQXRYXTestDoc::FitStiffnessCurve() {
    double sx = 0, sx2 = 0, sx3 = 0, sx4 = 0, sy = 0, sxy = 0, sx2y = 0;
    for (int k = 0; k < 6; ++k) {
        double x = std::log10(static_cast<double>(kReportTimes[k]));
        double s = m_measuredStiffness[k].m_data;
        if (!PositiveFinite(s)) return FALSE;
        double y = std::log10(s);
        sx += x;
        sx2 += x * x;
        sx3 += x * x * x;
        sx4 += x * x * x * x;
        sy += y;
        sxy += x * y;
        sx2y += x * x * y;
    }
    double i = sx2 * sx4 - sx3 * sx3;
    double j = sx * sx4 - sx2 * sx3;
    double k = sx * sx3 - sx2 * sx2;
    double det = 6 * i - sx * j + sx2 * k;
    if (!Finite(det) || det == 0) return FALSE;
    double a = (sy * i - j * sxy + sx2y * k) / det;
    double b =
        (6 * (sxy * sx4 - sx3 * sx2y) - sx * (sy * sx4 - sx2 * sx2y) + sx2 * (sx3 * sy - sxy * sx2)) / det;
    double c =
        (sx2 * (sxy * sx - sy * sx2) + 6 * (sx2 * sx2y - sxy * sx3) - sx * (sx2y * sx - sx3 * sy)) / det;
    if (!FitsFloat(a) || !FitsFloat(b) || !FitsFloat(c)) return FALSE;
    m_a = a;
    m_b = b;
    m_c = c;
    m_fitA.m_data = static_cast<float>(a);
    m_fitB.m_data = static_cast<float>(b);
    m_fitC.m_data = static_cast<float>(c);
    return TRUE;
}

BOOL CQXRYXTestDoc::CalcEstimatedStiffness() {
    for (int k = 0; k < 6; ++k) {
        double x = std::log10(static_cast<double>(kReportTimes[k]));
        double e = (x * m_b + m_a) + (m_c * x) * x;
        double est = std::pow(10.0, e);
        if (!PositiveFinite(est) || !FitsFloat(est)) return FALSE;
        m_estimatedStiffness[k].m_data = static_cast<float>(est);
        // Between the three-digit values the report prints.
        double e3 = RoundSignificant(m_estimatedStiffness[k].m_data, 3);
        double m3 = RoundSignificant(m_measuredStiffness[k].m_data, 3);
        double diff = (e3 - m3) / m3 * 100;
        if (!Finite(diff)) return FALSE;
        m_difference[k].m_data = static_cast<float>(RoundSignificant(diff, 3));
        m_mValue[k].m_data = static_cast<float>(RoundTo(std::fabs((m_c + m_c) * x + m_b), 0.001f));
        m_reportTimes[k].m_data = kReportTimes[k];
    }
    return TRUE;
}

BOOL CQXRYXTestDoc::CalcRSquared() {
    // Six equal stiffness values leave R² undefined. Tested on the values
    // themselves: their rounded mean need not equal them, which would leave a
    // tiny spread and a meaningless R².
    bool allEqual = true;
    for (int k = 1; k < 6; ++k)
        allEqual = allEqual && m_measuredStiffness[k].m_data == m_measuredStiffness[0].m_data;
    if (allEqual) return FALSE;
    // The mean of the logarithms, summed rather than taken of a product that can overflow.
    double mean = 0;
    for (int k = 0; k < 6; ++k) mean += std::log10(static_cast<double>(m_measuredStiffness[k].m_data));
    mean /= 6;
    double ssRes = 0, ssTot = 0;
    for (int k = 0; k < 6; ++k) {
        double x = std::log10(static_cast<double>(kReportTimes[k]));
        double y = std::log10(static_cast<double>(m_measuredStiffness[k].m_data));
        double fitted = (x * m_b + m_a) + (m_c * x) * x;
        ssRes += (y - fitted) * (y - fitted);
        ssTot += (y - mean) * (y - mean);
    }
    if (!Finite(ssRes) || !Finite(ssTot) || ssTot <= 0) return FALSE;
    double r2 = 1 - ssRes / ssTot;
    m_rSquared.m_data = static_cast<float>(RoundTo(r2, 0.000001f));
    return TRUE;
}
