#pragma once
// The test document: the points of one bending beam test, the conditions it
// ran under and the results computed from the points.
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "data/CQXDataObject.h"
#include "data/RYXTestData.h"
#include "framework/core/Document.h"
#include "platform/WinTypes.h"

class CQXRYXTestDoc : public fw::Document {
public:
    CQXRYXTestDoc();
    ~CQXRYXTestDoc() override;

    static const fw::RuntimeClass kClass;
    const fw::RuntimeClass* GetRuntimeClass() const override { return &kClass; }

    void Serialize(fw::Archive& ar) override;
    bool OnNewDocument() override;
    bool OnOpenDocument(const std::string& path) override;
    bool OnSaveDocument(const std::string& path) override;
    void ReportSaveLoadException(const std::string& path, const fw::Exception* e, bool saving,
                                 UINT defaultId) override;
    uint64_t MaxFileBytes() const override { return kMaxTestFileBytes; }
    void DeleteContents() override;
    // The close of a running test (data/TestDocClose.cpp).
    bool SaveModified() override;
    void OnCloseDocument() override;
    void SaveAbortedTest();

    // Appends a point; out of memory raises fw::MemoryException.
    void AddPoint(const CQXFloatData& deflection, const CQXFloatData& force, const CQXFloatData& temperature);
    CQXFloatData* GetDeflection(int index);
    CQXFloatData* GetForce(int index);
    CQXFloatData* GetTemperature(int index);
    int GetPointCount() const { return static_cast<int>(m_points.size()); }
    // Seconds after the load was applied at which point index was taken.
    double PointTime(int index) const;
    BOOL IsTestComplete() const;
    // Widens the range with the reading t (to 0.1 degC); the views hear of a
    // range that changed.
    void UpdateTemperatureRange(float t);

    BOOL CalculateResults();
    BOOL CalcForceStatistics();
    BOOL CalcMeasuredStiffness();
    BOOL FitStiffnessCurve();
    BOOL CalcEstimatedStiffness();
    BOOL CalcRSquared();

    // DOS-version files (data/LegacyImport.cpp).
    BOOL ImportLegacy(const std::string& path);

    // Exports (data/ExportFormats.cpp). ExportCsv and ExportAsciiDat leave the
    // report to their caller; ExportLimsCsv reports its own failure.
    BOOL ExportCsv(const std::string& path);
    BOOL ExportAsciiDat(const std::string& path);
    BOOL ExportLimsCsv();
    void OnExportData();
    void OnUpdateExportData(fw::CmdUI& ui);

    // The ".ryx" new tests are named with and the ".RYX" the test setup looks
    // for name one file: true when a file of path's name exists in its folder,
    // whatever the case of its extension.
    static bool TestFileExists(const std::string& path);
    // directory + name + ".ryx", with "/" between them where needed.
    static std::string MakeTestPath(std::string directory, const std::string& name);

    // The largest test file read. The longest test the setup allows runs a
    // load of 605000 s and a recovery of 87000 s (the limits of the Advanced
    // Test Settings page) with an extended sample interval of 1 s: the points
    // of every half second up to 250 s (0 to 500) and then one a second to
    // the end, 501 + (605000 + 87000 - 250) = 692251 points of 14 bytes (the
    // first one's class record adds 15). Before them come under 64 KiB (the
    // schema, four times, two counts, five strings of at most a few thousand
    // characters, thirteen floats, the count). Ten times that file:
    static constexpr uint64_t kLongestTestPoints = 501 + (605000 + 87000 - 250);
    static constexpr uint64_t kMaxTestFileBytes = 10 * (kLongestTestPoints * 14 + 15 + (uint64_t{64} << 10));

    static constexpr int kReportPoints[6] = {16, 30, 60, 120, 240, 480};
    static constexpr float kReportTimes[6] = {8, 15, 30, 60, 120, 240};

    BOOL m_bReportErrors = TRUE;
    // Where a document whose messages are off leaves the last one it did not
    // show (a hidden open that names the cause itself); null: nowhere.
    std::string* m_pQuietMessage = nullptr;
    std::vector<std::unique_ptr<RYXTestData>> m_points;
    CQXStringData m_project;
    CQXStringData m_operator;
    CQXStringData m_specimen;
    Time64 m_testTime = 0;
    CQXStringData m_testName;
    CQXStringData m_apparatusId;
    CQXFloatData m_targetTemperature;
    CQXFloatData m_minTemperature;
    CQXFloatData m_maxTemperature;
    Time64 m_tempCalibrationDate = 0;
    CQXFloatData m_soakTime;
    CQXFloatData m_beamWidth;
    CQXFloatData m_beamThickness;
    CQXFloatData m_confidenceResult;
    Time64 m_confidenceDate = 0;
    CQXFloatData m_forceConstant;
    CQXFloatData m_deflectionConstant;
    CQXFloatData m_compliance;
    Time64 m_calibrationDate = 0;
    CQXStringData m_softwareVersion;
    std::array<CQXFloatData, 6> m_reportTimes;
    std::array<CQXFloatData, 6> m_measuredStiffness;
    std::array<CQXFloatData, 6> m_estimatedStiffness;
    std::array<CQXFloatData, 6> m_difference;
    std::array<CQXFloatData, 6> m_mValue;
    CQXFloatData m_fitA, m_fitB, m_fitC;
    CQXFloatData m_rSquared;
    CQXFloatData m_maxForce, m_minForce, m_averageForce;
    CQXFloatData m_posDeviationEarly, m_negDeviationEarly;
    CQXFloatData m_posDeviationLate, m_negDeviationLate;
    int m_sampleInterval = 30;
    int m_loadSamples = 0;
    int m_totalSamples = 501;
    int m_testState = 0;
    BOOL m_bImported = FALSE;
    BOOL m_bCloseGuard = TRUE;
    // TRUE only after a computation succeeded; the exports refuse without it.
    BOOL m_bResultsValid = FALSE;

private:
    const RYXTestData* Point(int index) const;
    // The fit in full precision, for the steps after it.
    double m_a = 0, m_b = 0, m_c = 0;
};
