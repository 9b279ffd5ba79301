#include "testing/TestSetupLogic.h"

#include <fcntl.h>
#include <unistd.h>

#include <cfloat>
#include <climits>
#include <cmath>

#include "data/CQXRYXTestDoc.h"
#include "framework/core/Strings.h"
#include "platform/Numbers.h"
#include "platform/Paths.h"
#include "settings/CQXRegistry.h"
#include "setup/SettingsSaveFailure.h"

namespace {

constexpr double kAutoThicknessMark = static_cast<double>(FLT_MAX);
constexpr int kLastSequence = 99;

std::function<int(const std::string&)>& ProbeHook() {
    static std::function<int(const std::string&)> hook;
    return hook;
}

std::string Trim(std::string_view s) {
    auto blank = [](char c) {
        return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
    };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return std::string(s);
}

// A name that stays a listed file in the data directory: no path separator
// (of either system), no control character, and no leading dot (".." would
// be saved as "...RYX", a hidden file that no file dialog lists).
bool SafeFileName(const std::string& name) {
    if (!name.empty() && name.front() == '.') return false;
    for (char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '/' || c == '\\' || u < 0x20 || u == 0x7F) return false;
    }
    return true;
}

// Creates the test file exclusively and removes it again: 0 when it could
// be made, else the errno. A file that appeared in the meantime is never
// touched (EEXIST).
int ProbeCreate(const std::string& path) {
    if (ProbeHook()) {
        if (int e = ProbeHook()(path)) return e;
    }
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return errno;
    ::close(fd);
    ::unlink(path.c_str());
    return 0;
}

std::string CurrentDirectory() {
    char buf[PATH_MAX];
    if (!::getcwd(buf, sizeof buf)) return "./";
    std::string dir = buf;
    if (dir.empty() || dir.back() != '/') dir += '/';
    return dir;
}

}  // namespace

void SetTestFileProbeHook(std::function<int(const std::string& path)> hook) {
    ProbeHook() = std::move(hook);
}

bool TestSetupLogic::DatumAvailable() {
    double datum = 0;
    return theRegistry.GetAutoThicknessDatum(datum) == 0;
}

void TestSetupLogic::Load() {
    double d = 0;
    if (theRegistry.GetTestBathTime(d) == 0 && std::isfinite(d)) m_bathTime = d;
    theRegistry.GetTestProject(m_project);
    theRegistry.GetTestSpecimen(m_specimen);
    theRegistry.GetTestOperator(m_operator);
    if (theRegistry.GetTestThickness(d) == 0 && std::isfinite(d)) m_thickness = d;
    if (theRegistry.GetTestWidth(d) == 0 && std::isfinite(d)) m_width = d;
    DWORD dw = 0;
    m_stopAt5mm = theRegistry.GetTestStopTestMaxDefl(dw) == 0 ? dw != 0 : true;
    m_saveLims = theRegistry.GetTestSaveLIMS(dw) == 0 ? dw != 0 : false;

    // The data directory becomes the current one. One that is missing or
    // cannot be entered stays what it is: OK refuses it, so that no test
    // runs that could not be saved.
    m_directorySet = theRegistry.GetTestDirectory(m_directory) == 0;
    if (!m_directorySet) m_directory = CurrentDirectory();
    if (m_directory.back() != '/') m_directory += '/';
    (void)::chdir(m_directory.c_str());

    MakeDateStamp();
    const std::optional<double> target = DefaultNameTarget();
    // The first sequence after the last default whose file is not there,
    // stopping at 99 (the name has two digits).
    bool found = false;
    while (s_nSequence < kLastSequence) {
        ++s_nSequence;
        m_path = m_directory + DefaultTestName(s_nSequence, target) + ".RYX";
        if (!CQXRYXTestDoc::TestFileExists(m_path)) {
            found = true;
            break;
        }
    }
    m_fileName = found ? DefaultTestName(s_nSequence, target) : " ";

    if (m_thickness == kAutoThicknessMark && DatumAvailable()) {
        m_autoThickness = true;
    } else {
        m_autoThickness = false;
        if (m_thickness == kAutoThicknessMark) m_thickness = kDefaultThickness;
    }
}

TestSetupFields TestSetupLogic::Fields(std::string_view separator) const {
    TestSetupFields f;
    f.bathTime = NumEditFormat(m_bathTime, 0, separator);
    f.specimen = m_specimen;
    f.fileName = m_fileName;
    f.project = m_project;
    f.operatorName = m_operator;
    f.thickness = NumEditFormat(m_autoThickness ? kDefaultThickness : m_thickness, 2, separator);
    f.width = NumEditFormat(m_width, 2, separator);
    f.autoThickness = m_autoThickness;
    f.saveLims = m_saveLims;
    f.stopAt5mm = m_stopAt5mm;
    return f;
}

TestSetupLogic::Outcome TestSetupLogic::Ok(const TestSetupFields& f, std::string_view separator) {
    auto refuse = [](std::string message, Field field) { return Outcome{false, std::move(message), field}; };
    // Each field's whole text, which a paste or the sign and separator
    // keys can have taken outside the field's limits. A beam of no
    // thickness or width is no beam.
    const auto bathTime = NumEditParse(f.bathTime, kBathTimeLimits, separator);
    if (!bathTime)
        return refuse(
            fw::FormatString(fw::LoadString(IDS_WHOLE_NUMBER_RANGE), {"Time In Bath", "-1", "1000"}),
            Field::BathTime);
    double thickness = kAutoThicknessMark;
    if (!f.autoThickness) {
        const auto t = NumEditParse(f.thickness, kThicknessLimits, separator);
        if (!t || *t <= 0)
            return refuse(fw::FormatString(fw::LoadString(IDS_NUMBER_RANGE), {"Thickness", "0", "100", "2"}),
                          Field::Thickness);
        thickness = *t;
    }
    const auto width = NumEditParse(f.width, kWidthLimits, separator);
    if (!width || *width <= 0)
        return refuse(fw::FormatString(fw::LoadString(IDS_NUMBER_RANGE), {"Width", "0", "100", "2"}),
                      Field::Width);

    // The document saves into the data directory: it must be usable now,
    // not when the finished test cannot be saved.
    if (!m_directorySet) return refuse(fw::LoadString(IDS_DATA_DIRECTORY_NOT_SET), Field::None);
    if (!platform::IsDirectory(m_directory))
        return refuse(fw::FormatString1(IDS_DATA_DIRECTORY_UNUSABLE, m_directory), Field::None);

    const std::string name = Trim(f.fileName);
    const std::string inUse = fw::LoadString(IDS_FILENAME_IN_USE);
    if (name.empty() || !SafeFileName(name) || CQXRYXTestDoc::TestFileExists(m_directory + name + ".RYX"))
        return refuse(inUse, Field::FileName);
    const std::string path = CQXRYXTestDoc::MakeTestPath(m_directory, name);
    if (const int e = ProbeCreate(path)) {
        if (e == EEXIST || e == ENAMETOOLONG || e == EINVAL || e == EILSEQ)
            return refuse(inUse, Field::FileName);
        return refuse(fw::FormatString1(IDS_DATA_DIRECTORY_UNUSABLE, m_directory), Field::None);
    }

    // The nine settings the new test document reads, all or none.
    unsigned error = 0;
    {
        CQXSettingsGroup group;
        auto set = [&error](unsigned e) {
            if (!error) error = e;
        };
        set(theRegistry.SetTestBathTime(*bathTime));
        set(theRegistry.SetTestFileName(name));
        set(theRegistry.SetTestSpecimen(f.specimen));
        set(theRegistry.SetTestProject(f.project));
        set(theRegistry.SetTestOperator(f.operatorName));
        set(theRegistry.SetTestThickness(thickness));
        set(theRegistry.SetTestWidth(*width));
        set(theRegistry.SetTestSaveLIMS(f.saveLims ? 1 : 0));
        set(theRegistry.SetTestStopTestMaxDefl(f.stopAt5mm ? 1 : 0));
        if (!error) error = group.Commit();
    }
    if (error) return refuse(setup::SettingsSaveFailureText(IDS_REGISTRY_WRITE), Field::None);

    m_bathTime = *bathTime;
    m_specimen = f.specimen;
    m_project = f.project;
    m_operator = f.operatorName;
    m_fileName = name;
    m_autoThickness = f.autoThickness;
    m_thickness = thickness;
    m_width = *width;
    m_saveLims = f.saveLims;
    m_stopAt5mm = f.stopAt5mm;
    m_path = path;
    return Outcome{true, {}, Field::None};
}
