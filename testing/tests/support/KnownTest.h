#pragma once
// The known test the report tests lay out and draw: 501 points of a creep
// curve at -18 degC, its results, and the conditions of the data block.
#include <gtest/gtest.h>

#include "data/CQXRYXTestDoc.h"
#include "data/tests/support/DocFixture.h"

namespace testingtest {

inline constexpr Time64 kJan2024 = 1704103200;  // 2024-01-01 10:00 UTC

inline void FillKnownTest(CQXRYXTestDoc& doc) {
    FillCreepTest(doc);
    ASSERT_TRUE(doc.CalculateResults());
    doc.m_project.m_data = "Proj";
    doc.m_operator.m_data = "Op";
    doc.m_specimen.m_data = "B1";
    doc.m_testName.m_data = "T1";
    doc.m_apparatusId.m_data = "RYX-7";
    doc.m_softwareVersion.m_data = "2.0";
    doc.m_testTime = kJan2024;
    doc.m_targetTemperature.m_data = -18.0f;
    doc.m_minTemperature.m_data = -18.08f;
    doc.m_maxTemperature.m_data = -17.92f;
    doc.m_tempCalibrationDate = kJan2024 - 86400;
    doc.m_soakTime.m_data = 60.0f;
    doc.m_confidenceResult.m_data = 2.0f;
    doc.m_confidenceDate = kJan2024 - 2 * 86400;
    doc.m_forceConstant.m_data = 0.5f;
    doc.m_deflectionConstant.m_data = 0.0001f;
    doc.m_compliance.m_data = 0.00002f;
    doc.m_calibrationDate = kJan2024 - 3 * 86400;
}

}  // namespace testingtest
