// The test file: CQXRYXTestDoc::Serialize in both directions.
#include "data/CQXRYXTestDoc.h"
#include "framework/core/Archive.h"
#include "framework/core/Strings.h"

namespace {
constexpr WORD kSchema = 310;
constexpr UINT kIdsUnknown = 145;
// The smallest point record: a reference tag and three floats.
constexpr size_t kMinPointRecord = 2 + 12;

void Bad() {
    throw fw::ArchiveException(fw::ArchiveException::kBadData);
}
}  // namespace

void CQXRYXTestDoc::Serialize(fw::Archive& ar) {
    CQXFloatData* cells[] = {&m_targetTemperature,  &m_minTemperature, &m_maxTemperature,   &m_soakTime,
                             &m_beamWidth,          &m_beamThickness,  &m_confidenceResult, &m_forceConstant,
                             &m_deflectionConstant, &m_compliance};
    if (ar.IsStoring()) {
        ar << kSchema;
        ar.WriteTime(m_testTime);
        ar.WriteTime(m_confidenceDate);
        ar.WriteTime(m_calibrationDate);
        ar.WriteTime(m_tempCalibrationDate);
        ar << static_cast<int32_t>(m_sampleInterval) << static_cast<int32_t>(m_totalSamples);
        m_softwareVersion.Serialize(ar);
        m_apparatusId.Serialize(ar);
        m_project.Serialize(ar);
        m_operator.Serialize(ar);
        m_specimen.Serialize(ar);
        for (CQXFloatData* c : cells) c->Serialize(ar);
        ar.WriteCount(static_cast<DWORD>(m_points.size()));
        for (const auto& p : m_points) ar.WriteObject(p.get());
        return;
    }

    WORD schema;
    ar >> schema;
    m_testTime = ar.ReadTime();
    m_confidenceDate = ar.ReadTime();
    m_calibrationDate = ar.ReadTime();
    m_tempCalibrationDate = ar.ReadTime();
    if (schema < 310) {
        m_sampleInterval = 30;
        m_totalSamples = 501;
    } else {
        int32_t interval, total;
        ar >> interval >> total;
        // Every point time divides by the interval.
        if (interval <= 0) Bad();
        m_sampleInterval = interval;
        m_totalSamples = total;
    }
    if (schema < 100) {
        m_softwareVersion.m_data = fw::LoadString(kIdsUnknown);
        m_apparatusId.m_data = fw::LoadString(kIdsUnknown);
    } else {
        m_softwareVersion.Serialize(ar);
        m_apparatusId.Serialize(ar);
    }
    m_project.Serialize(ar);
    m_operator.Serialize(ar);
    m_specimen.Serialize(ar);
    for (CQXFloatData* c : cells) c->Serialize(ar);

    DWORD count = ar.ReadCount();
    // A count the file cannot hold is damage, not a reason to reserve memory.
    if (count > ar.Remaining() / kMinPointRecord) Bad();
    m_points.clear();
    for (DWORD i = 0; i < count; ++i) {
        std::unique_ptr<fw::Object> obj = ar.ReadNewObject(&RYXTestData::kClass);
        m_points.emplace_back(static_cast<RYXTestData*>(obj.release()));
    }
    // Whatever follows the points is not part of the test.
    CalculateResults();
}
