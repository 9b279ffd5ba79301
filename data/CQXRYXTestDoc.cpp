#include "data/CQXRYXTestDoc.h"

#include <dirent.h>

#include <cfloat>
#include <climits>
#include <ctime>

#include "framework/core/Strings.h"
#include "instrument/Rounding.h"
#include "platform/Paths.h"
#include "res/Resource.h"
#include "settings/CQXRegistry.h"

const fw::RuntimeClass CQXRYXTestDoc::kClass = {"CQXRYXTestDoc", fw::kNoSchema,
                                                &fw::CreateInstance<CQXRYXTestDoc>, &fw::Object::kClass};

namespace {
constexpr UINT kIdsUnknown = 145;
constexpr UINT kIdsSoftwareVersion = 146;
constexpr UINT kIdsRegistryMissing = 260;
constexpr UINT kIdsOldDataNotOpened = 408;
constexpr UINT kIdsNoDatum = 732;

// A setting that feeds a sample count or divides a point time: 1..limit.
bool ToPositiveInt(DWORD value, long long factor, int& out) {
    long long v = static_cast<long long>(value) * factor;
    if (value == 0 || value > INT_MAX || v > INT_MAX / 4) return false;
    out = static_cast<int>(v);
    return true;
}
}  // namespace

CQXRYXTestDoc::CQXRYXTestDoc() {
    MapCommand(ID_EXPORT_DATA, [this] { OnExportData(); });
    MapUpdate(ID_EXPORT_DATA, [this](fw::CmdUI& ui) { OnUpdateExportData(ui); });
}

CQXRYXTestDoc::~CQXRYXTestDoc() = default;

void CQXRYXTestDoc::DeleteContents() {
    m_points.clear();
}

void CQXRYXTestDoc::AddPoint(const CQXFloatData& deflection, const CQXFloatData& force,
                             const CQXFloatData& temperature) {
    try {
        auto point = std::make_unique<RYXTestData>();
        point->deflection = deflection;
        point->force = force;
        point->temperature = temperature;
        m_points.push_back(std::move(point));
    } catch (const std::bad_alloc&) {
        throw fw::MemoryException();
    }
}

const RYXTestData* CQXRYXTestDoc::Point(int index) const {
    if (index < 0 || index >= GetPointCount()) return nullptr;
    return m_points[static_cast<size_t>(index)].get();
}

CQXFloatData* CQXRYXTestDoc::GetDeflection(int index) {
    auto* p = const_cast<RYXTestData*>(Point(index));
    return p ? &p->deflection : nullptr;
}

CQXFloatData* CQXRYXTestDoc::GetForce(int index) {
    auto* p = const_cast<RYXTestData*>(Point(index));
    return p ? &p->force : nullptr;
}

CQXFloatData* CQXRYXTestDoc::GetTemperature(int index) {
    auto* p = const_cast<RYXTestData*>(Point(index));
    return p ? &p->temperature : nullptr;
}

double CQXRYXTestDoc::PointTime(int index) const {
    if (index <= 500 || m_sampleInterval <= 0) return 0.5 * index;
    return static_cast<double>(250 / m_sampleInterval + (index - 500)) * m_sampleInterval;
}

BOOL CQXRYXTestDoc::IsTestComplete() const {
    if (m_sampleInterval <= 0) return FALSE;
    long long index = (static_cast<long long>(m_totalSamples) - 480) / (2LL * m_sampleInterval) + 480;
    // Point 480 (240 s) is the last report time: without it nothing can be computed,
    // whatever small total a file claims.
    return index >= 0 && index < GetPointCount() && GetPointCount() > 480;
}

void CQXRYXTestDoc::UpdateTemperatureRange(float t) {
    // The step is the double 0.1: with the float 0.1f (a little above it)
    // every reading ending in .25 or .75 would round toward zero.
    float rounded = static_cast<float>(RoundTo(t, 0.1));
    bool widened = false;
    if (m_minTemperature.m_data > rounded) {
        m_minTemperature.m_data = rounded;
        widened = true;
    }
    if (rounded > m_maxTemperature.m_data) {
        m_maxTemperature.m_data = rounded;
        widened = true;
    }
    // A report window opened on the running test (its points complete,
    // the recovery still recorded) takes its warnings from the range: it
    // hears of every change of it, not only of the range it opened with.
    if (widened) UpdateAllViews(nullptr);
}

bool CQXRYXTestDoc::OnNewDocument() {
    if (!fw::Document::OnNewDocument()) return false;
    m_points.clear();

    std::string directory, name;
    double d = 0;
    DWORD loadTime = 0, recoveryTime = 0, interval = 0;
    Time64 t = 0;
    auto fail = [this](UINT id) {
        ReportSaveLoadException(GetPathName(), nullptr, false, id);
        return false;
    };

    if (theRegistry.GetTestProject(m_project.m_data) || theRegistry.GetTestOperator(m_operator.m_data) ||
        theRegistry.GetTestSpecimen(m_specimen.m_data))
        return fail(kIdsRegistryMissing);
    m_testTime = static_cast<Time64>(std::time(nullptr));
    if (theRegistry.GetTestFileName(m_testName.m_data) || theRegistry.GetEquipmentRYX(m_apparatusId.m_data) ||
        theRegistry.GetTestDirectory(directory))
        return fail(kIdsRegistryMissing);

    SetPathName(MakeTestPath(directory, m_testName.m_data), false);

    if (theRegistry.GetTestBath(d)) return fail(kIdsRegistryMissing);
    m_targetTemperature.m_data = static_cast<float>(d);
    m_minTemperature.m_data = 100.0f;
    m_maxTemperature.m_data = -100.0f;
    if (theRegistry.GetTestBathTime(d)) return fail(kIdsRegistryMissing);
    m_soakTime.m_data = static_cast<float>(d);
    if (theRegistry.GetTestWidth(d)) return fail(kIdsRegistryMissing);
    m_beamWidth.m_data = static_cast<float>(d);
    if (theRegistry.GetTestThickness(d)) return fail(kIdsRegistryMissing);
    m_beamThickness.m_data = static_cast<float>(d);
    if (theRegistry.GetConfidenceTestResult(d)) return fail(kIdsRegistryMissing);
    m_confidenceResult.m_data = static_cast<float>(d);
    if (theRegistry.GetConfidenceTestLast(t)) return fail(kIdsRegistryMissing);
    m_confidenceDate = t;
    if (theRegistry.GetForceConstant(d)) return fail(kIdsRegistryMissing);
    m_forceConstant.m_data = static_cast<float>(d);
    if (theRegistry.GetDeflectionConstant(d)) return fail(kIdsRegistryMissing);
    m_deflectionConstant.m_data = static_cast<float>(d);
    // Every point time divides by the interval: 0 is as good as missing.
    if (theRegistry.GetTestSampleInterval(interval) || !ToPositiveInt(interval, 1, m_sampleInterval))
        return fail(kIdsRegistryMissing);
    if (theRegistry.GetTestLoadTime(loadTime) || !ToPositiveInt(loadTime, 2, m_loadSamples))
        return fail(kIdsRegistryMissing);
    int recoverySamples = 0;
    if (theRegistry.GetTestRecoveryTime(recoveryTime) || !ToPositiveInt(recoveryTime, 2, recoverySamples))
        return fail(kIdsRegistryMissing);
    m_totalSamples = recoverySamples + m_loadSamples + 1;
    if (theRegistry.GetDeflectionCompliance(d)) return fail(kIdsRegistryMissing);
    m_compliance.m_data = static_cast<float>(d);
    if (theRegistry.GetLastCalibration(t)) return fail(kIdsRegistryMissing);
    m_calibrationDate = t;

    m_softwareVersion.m_data = fw::LoadString(kIdsSoftwareVersion);

    if (m_beamThickness.m_data == FLT_MAX) {
        double datum = 0;
        if (theRegistry.GetAutoThicknessDatum(datum)) return fail(kIdsNoDatum);
    }
    return true;
}

bool CQXRYXTestDoc::OnOpenDocument(const std::string& path) {
    m_points.clear();
    std::string file = platform::BaseName(path);
    std::string ext = platform::Extension(file);
    m_testName.m_data = file.substr(0, file.size() - ext.size());

    if (fw::DocTemplate* tmpl = GetDocTemplate()) {
        std::string filterExt;
        tmpl->GetDocString(filterExt, fw::DocTemplate::kFilterExt);
        if (platform::EqualsNoCase(filterExt, ".BDT")) return ImportLegacy(path);
        return fw::Document::OnOpenDocument(path);
    }
    // The file preview: either kind of file, and no message for one it cannot read.
    m_bReportErrors = FALSE;
    bool ok = ImportLegacy(path) || fw::Document::OnOpenDocument(path);
    m_bReportErrors = TRUE;
    return ok;
}

bool CQXRYXTestDoc::OnSaveDocument(const std::string& path) {
    // A test read from a DOS-version pair carries the .BDT (or .DAT) path; an
    // archive written there would destroy the old data file. It is saved as a
    // test file of its own name beside the pair, which it then becomes.
    const std::string ext = platform::Extension(path);
    if (platform::EqualsNoCase(ext, ".BDT") || platform::EqualsNoCase(ext, ".DAT")) {
        const std::string target = path.substr(0, path.size() - ext.size()) + ".RYX";
        if (!fw::Document::OnSaveDocument(target)) return false;
        SetPathName(target);
        return true;
    }
    return fw::Document::OnSaveDocument(path);
}

void CQXRYXTestDoc::ReportSaveLoadException(const std::string& path, const fw::Exception* e, bool saving,
                                            UINT defaultId) {
    if (m_bReportErrors)
        fw::Document::ReportSaveLoadException(path, e, saving, defaultId);
    else if (m_pQuietMessage)
        *m_pQuietMessage = SaveLoadMessage(path, e, saving, defaultId);
}

void CQXRYXTestDoc::OnUpdateExportData(fw::CmdUI& ui) {
    ui.Enable(IsTestComplete() != FALSE);
}

std::string CQXRYXTestDoc::MakeTestPath(std::string directory, const std::string& name) {
    if (!directory.empty() && directory.back() != '/') directory += '/';
    return directory + name + ".ryx";
}

bool CQXRYXTestDoc::TestFileExists(const std::string& path) {
    std::string dir = platform::DirName(path);
    std::string name = platform::BaseName(path);
    DIR* d = opendir(dir.empty() ? "." : dir.c_str());
    if (!d) return false;
    bool found = false;
    while (dirent* e = readdir(d)) {
        // As on the station's own file system, names differing only in case are one file.
        if (platform::EqualsNoCase(e->d_name, name)) {
            found = true;
            break;
        }
    }
    closedir(d);
    return found;
}
