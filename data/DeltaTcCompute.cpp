#include "data/DeltaTcCompute.h"

#include <cmath>

float TcAtStiffness(const DeltaTcData& test1, const DeltaTcData& test2) {
    const float dT = test1.m_fTargetTemp.m_data - test2.m_fTargetTemp.m_data;
    const double logS1 = std::log10(static_cast<double>(test1.m_fStiffness60.m_data));
    const double logS2 = std::log10(static_cast<double>(test2.m_fStiffness60.m_data));
    // The quotient in double, rounded to float; the rest in float.
    const float q = static_cast<float>((std::log10(300.0) - logS1) / (logS1 - logS2));
    return q * dT + test1.m_fTargetTemp.m_data - 10.0f;
}

float TcAtMValue(const DeltaTcData& test1, const DeltaTcData& test2) {
    const float dT = test1.m_fTargetTemp.m_data - test2.m_fTargetTemp.m_data;
    const float m1 = test1.m_fMValue60.m_data;
    const float m2 = test2.m_fMValue60.m_data;
    return (0.3f - m1) / (m1 - m2) * dT + test1.m_fTargetTemp.m_data - 10.0f;
}

DeltaTcResults ComputeDeltaTc(const DeltaTcData& test1, const DeltaTcData& test2) {
    DeltaTcResults r;
    r.tcStiffness.m_data = TcAtStiffness(test1, test2);
    r.tcMValue.m_data = TcAtMValue(test1, test2);
    r.deltaTc.m_data = r.tcStiffness.m_data - r.tcMValue.m_data;
    return r;
}

DeltaTcResultTexts FormatDeltaTc(const DeltaTcResults& results) {
    return {results.tcStiffness.Format(kDeltaTcResultFormat), results.tcMValue.Format(kDeltaTcResultFormat),
            results.deltaTc.Format(kDeltaTcResultFormat)};
}

std::array<std::string, 11> FormatDeltaTcRows(const DeltaTcData& t) {
    return {t.m_strOperator.m_data,
            t.m_strSpecimen.m_data,
            t.m_strTestTime.m_data,
            t.m_strTestDate.m_data,
            t.m_strProject.m_data,
            t.m_strInstrumentId.m_data,
            t.m_fTargetTemp.Format(kDeltaTcTemperatureFormat),
            t.m_fMinTemp.Format(kDeltaTcTemperatureFormat),
            t.m_fMaxTemp.Format(kDeltaTcTemperatureFormat),
            t.m_fMValue60.Format(kDeltaTcMValueFormat),
            t.m_fStiffness60.Format(kDeltaTcStiffnessFormat)};
}
