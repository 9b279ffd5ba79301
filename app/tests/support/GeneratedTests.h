#pragma once
// Test files made from a power law of creep, as a binder beam gives them:
// the stiffness S(t) = S60 * (t / 60 s)^-m, so that the file reads back with
// about S60 and m as its 60 s results. Shared by the app tests, the
// end-to-end tests and the batch-export benchmark.
#include <cmath>
#include <string>

#include "data/CQXRYXTestDoc.h"

namespace gentest {

struct Creep {
    float target = -12.0f;   // degC
    double stiffness60 = 200.0;  // MPa
    double m60 = 0.35;
    std::string project = "PG 64-22";
    std::string op = "Operator";
    std::string specimen = "B1";
    long long time = 1709649005;  // 2024-03-05 14:30:05
};

// Writes the test file; false when it could not be saved.
inline bool WriteTest(const std::string& path, const Creep& c) {
    CQXRYXTestDoc doc;
    doc.m_bReportErrors = FALSE;
    doc.m_project.m_data = c.project;
    doc.m_operator.m_data = c.op;
    doc.m_specimen.m_data = c.specimen;
    doc.m_testTime = c.time;
    doc.m_apparatusId.m_data = "RYX-7";
    doc.m_targetTemperature.m_data = c.target;
    doc.m_minTemperature.m_data = c.target - 0.1f;
    doc.m_maxTemperature.m_data = c.target + 0.1f;
    doc.m_soakTime.m_data = 60.0f;
    doc.m_beamWidth.m_data = 12.7f;
    doc.m_beamThickness.m_data = 6.35f;
    doc.m_forceConstant.m_data = 0.5f;
    doc.m_deflectionConstant.m_data = 0.000125f;
    doc.m_compliance.m_data = 0.00002f;
    doc.m_sampleInterval = 30;
    doc.m_totalSamples = 501;
    // Deflection from S: S = P L^3 / (4 b h^3 d), L^3 = 1048772 mm^3.
    const double g = 4 * 12.7f * std::pow(static_cast<double>(6.35f), 3) / 1048772;
    for (int i = 0; i < 501; ++i) {
        const double t = i == 0 ? 0.25 : doc.PointTime(i);
        const double s = c.stiffness60 * std::pow(t / 60.0, -c.m60);  // MPa
        const double d = 980.665 / (s * 1000 * g);
        doc.AddPoint(CQXFloatData(static_cast<float>(d)), CQXFloatData(980.665f), CQXFloatData(c.target));
    }
    return doc.OnSaveDocument(path);
}

}  // namespace gentest
