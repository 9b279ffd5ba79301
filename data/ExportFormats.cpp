#include "data/ExportFormats.h"

#include <ctime>
#include <iterator>

#include "data/CQXRYXTestDoc.h"
#include "data/ExportText.h"
#include "framework/core/Exceptions.h"
#include "framework/core/FileDialog.h"
#include "framework/core/Strings.h"
#include "platform/CodePage.h"
#include "platform/Numbers.h"
#include "platform/Paths.h"

namespace exportformat {

namespace {

constexpr UINT kIdsCouldNotSave = 411;
constexpr UINT kIdsCsvFilter = 654;
constexpr UINT kIdsDatFilter = 655;

using exporttext::CsvText;
using exporttext::StreamNumber;

// The formats below are written with "\n"; the file has CR LF, as a Windows
// text stream writes it.
std::string ToFileBytes(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size() + utf8.size() / 16);
    for (char ch : utf8) {
        if (ch == '\n') out += '\r';
        out += ch;
    }
    return platform::Utf8ToCp1252(out);
}

std::string Label(std::string_view label, std::string_view value) {
    std::string s(label);
    s += value;
    s += '\n';
    return s;
}

std::string Num(const CQXFloatData& cell) {
    return StreamNumber(cell.m_data);
}

float Cell(const CQXFloatData* cell) {
    return cell ? cell->m_data : 0.0f;
}

// "%m/%d/%y" and "%H:%M:%S" of a stored time, whatever its year; a time never
// set keeps the field's 8 characters as " Unknown".
std::string RecordDate(Time64 t) {
    std::tm tm{};
    if (!exporttext::ToLocalTimeOfFile(t, tm)) return exporttext::UnknownTime();
    return platform::FormatC("%02d/%02d/%02d", tm.tm_mon + 1, tm.tm_mday, tm.tm_year % 100);
}

std::string RecordTimeOfDay(Time64 t) {
    std::tm tm{};
    if (!exporttext::ToLocalTimeOfFile(t, tm)) return exporttext::UnknownTime();
    return platform::FormatC("%02d:%02d:%02d", tm.tm_hour, tm.tm_min, tm.tm_sec);
}

}  // namespace

std::string CsvFile(const CQXRYXTestDoc& doc) {
    std::string s;
    s += Label("Project,", CsvText(doc.m_project.m_data));
    s += Label("Operator,", CsvText(doc.m_operator.m_data));
    s += Label("Specimen,", CsvText(doc.m_specimen.m_data));
    s += Label("Timestamp,", exporttext::FileDateTime(doc.m_testTime));
    s += Label("Target Temperature (C),", Num(doc.m_targetTemperature));
    s += Label("Soak Time (minutes),", Num(doc.m_soakTime));
    s += "Beam Span (mm),101.6\n";
    s += Label("Beam Width (mm),", Num(doc.m_beamWidth));
    s += Label("Beam Thickness (mm),", Num(doc.m_beamThickness));
    s += "\nTime (s),Force (mN),Deflection (mm),Temperature (C)\n";
    auto& d = const_cast<CQXRYXTestDoc&>(doc);
    for (int i = 0; i < doc.GetPointCount(); ++i) {
        s += StreamNumber(static_cast<float>(doc.PointTime(i)));
        s += ',';
        s += Num(*d.GetForce(i));
        s += ',';
        s += Num(*d.GetDeflection(i));
        s += ',';
        s += Num(*d.GetTemperature(i));
        s += ",\n";
    }
    return ToFileBytes(s);
}

std::string LimsFile(const CQXRYXTestDoc& doc) {
    auto& d = const_cast<CQXRYXTestDoc&>(doc);
    std::string s;
    s += Label("Project,", CsvText(doc.m_project.m_data));
    s += Label("Operator,", CsvText(doc.m_operator.m_data));
    s += Label("Specimen,", CsvText(doc.m_specimen.m_data));
    s += Label("Timestamp,", exporttext::FileDateTime(doc.m_testTime));
    s += Label("File Name,", CsvText(doc.m_testName.m_data));
    s += Label("RYX ID,", CsvText(doc.m_apparatusId.m_data));
    s += Label("Target Temperature (C),", Num(doc.m_targetTemperature));
    s += Label("Minimum Temperature (C),", Num(doc.m_minTemperature));
    s += Label("Maximum Temperature (C),", Num(doc.m_maxTemperature));
    s += Label("Temp Cal Date,", exporttext::FileDate(doc.m_tempCalibrationDate));
    s += Label("Soak Time (minutes),", Num(doc.m_soakTime));
    s += Label("Beam Width (mm),", Num(doc.m_beamWidth));
    s += Label("Beam Thickness (mm),", Num(doc.m_beamThickness));
    s += Label("Conf Test (GPa),", StreamNumber(doc.m_confidenceResult.m_data * 100.0f));
    s += Label("Conf Date,", exporttext::FileDate(doc.m_confidenceDate));
    s += Label("Force Const (mN/bit),", Num(doc.m_forceConstant));
    s += Label("Defl Const (µm/bit),", StreamNumber(doc.m_deflectionConstant.m_data * 1000.0f));
    s += Label("Compliance (µm/N),", StreamNumber(doc.m_compliance.m_data * 1000000.0f));
    s += Label("Cal Date,", exporttext::FileDate(doc.m_calibrationDate));
    s += Label("Software Version,", CsvText(doc.m_softwareVersion.m_data) + "\n");
    s += Label("A = ,", Num(doc.m_fitA));
    s += Label("B = ,", Num(doc.m_fitB));
    s += Label("C = ,", Num(doc.m_fitC));
    s += Label("R² = ,", Num(doc.m_rSquared));
    s += Label("Force(mN)(t=0.0s) = ,", StreamNumber(Cell(d.GetForce(0))));
    s += Label("Deflection(mm)(t-0.0s) = ,", StreamNumber(Cell(d.GetDeflection(0))));
    s += Label("Force(mN)(t=0.5s) = ,", StreamNumber(Cell(d.GetForce(1))));
    s += Label("Deflection(mm)(t-0.5s) = ,", StreamNumber(Cell(d.GetDeflection(1))));
    s += Label("Max Neg Force Deviation(mN)(t=0.5-5.0s) = ,", Num(doc.m_negDeviationEarly));
    s += Label("Max Pos Force Deviation(mN)(t=0.5-5.0s) = ,", Num(doc.m_posDeviationEarly));
    s += Label("Max Neg Force Deviation(mN)(t=5.0-240.0s) = ,", Num(doc.m_negDeviationLate));
    s += Label("Max Pos Force Deviation(mN)(t=5.0-240.0s) = ,", Num(doc.m_posDeviationLate));
    s += Label("Average Force(mN)(t=0.5-240.0s) = ,", Num(doc.m_averageForce));
    s += Label("Maximum Force(mN)(t=0.5-240.0s) = ,", Num(doc.m_maxForce));
    s += Label("Minimun Force(mN)(t=0.5-240.0s) = ,", Num(doc.m_minForce));
    s += "\nTime (s),Force (mN),Deflection (mm),Measured Stiffness (MPa),Estimated Stiffness (MPa),"
         "Difference (%),m-value\n";
    for (int k = 0; k < 6; ++k) {
        const int p = CQXRYXTestDoc::kReportPoints[k];
        const size_t i = static_cast<size_t>(k);
        const float values[] = {doc.m_reportTimes[i].m_data,
                                Cell(d.GetForce(p)),
                                Cell(d.GetDeflection(p)),
                                doc.m_measuredStiffness[i].m_data,
                                doc.m_estimatedStiffness[i].m_data,
                                doc.m_difference[i].m_data,
                                doc.m_mValue[i].m_data};
        for (size_t v = 0; v < std::size(values); ++v) {
            s += StreamNumber(values[v]);
            s += v + 1 < std::size(values) ? "," : ",\n";
        }
    }
    return ToFileBytes(s);
}

std::string AsciiRecord(const CQXRYXTestDoc& doc) {
    using platform::FormatC;
    auto& d = const_cast<CQXRYXTestDoc&>(doc);
    auto dbl = [](float f) { return static_cast<double>(f); };
    // Every field is formatted on its own, to the length it needs.
    std::string r = "V 4.2";
    r += FormatC("%-22s", platform::Utf8ToCp1252(doc.m_specimen.m_data).c_str());
    r += FormatC("%-22s", platform::Utf8ToCp1252(doc.m_project.m_data).c_str());
    r += FormatC("%-22s", platform::Utf8ToCp1252(doc.m_operator.m_data).c_str());
    r += RecordDate(doc.m_testTime);
    r += RecordTimeOfDay(doc.m_testTime);
    r += RecordDate(doc.m_calibrationDate);
    r += RecordDate(doc.m_confidenceDate);
    r += FormatC("%8.6f", dbl(doc.m_rSquared.m_data));
    for (const CQXFloatData& m : doc.m_mValue) r += FormatC(" %5.3f", dbl(m.m_data));
    r += FormatC(" %6.1f", dbl(Cell(d.GetTemperature(120))));
    r += FormatC(" %6.1f", dbl(doc.m_targetTemperature.m_data));
    r += FormatC(" %6.3f", dbl(doc.m_beamThickness.m_data));
    r += FormatC(" %6.3f", dbl(doc.m_beamWidth.m_data));
    for (const CQXFloatData& s : doc.m_estimatedStiffness) r += FormatC(" %7.f", dbl(s.m_data));
    for (const CQXFloatData& s : doc.m_measuredStiffness) r += FormatC(" %7.f", dbl(s.m_data));
    for (int p : CQXRYXTestDoc::kReportPoints) r += FormatC(" %7.1f", dbl(Cell(d.GetForce(p))));
    r += FormatC(" %9.f", dbl(doc.m_confidenceResult.m_data * 100000.0f));
    r += FormatC(" %9.6f", static_cast<double>(doc.m_forceConstant.m_data) / 9.80665);
    r += FormatC(" %9.6f", dbl(doc.m_deflectionConstant.m_data));
    r += FormatC(" %4.f", dbl(doc.m_soakTime.m_data));
    for (int p : CQXRYXTestDoc::kReportPoints) r += FormatC(" %8.5f", dbl(Cell(d.GetDeflection(p))));
    r += FormatC(" %10.6f", dbl(doc.m_fitA.m_data));
    r += FormatC(" %10.6f", dbl(doc.m_fitB.m_data));
    r += FormatC(" %10.6f", dbl(doc.m_fitC.m_data));
    r += ' ';
    return r;
}

std::string WithExtension(const std::string& path, std::string_view ext) {
    if (path.size() >= ext.size() &&
        platform::EqualsNoCase(std::string_view(path).substr(path.size() - ext.size()), ext))
        return path;
    return path + std::string(ext);
}

std::string LimsPath(const std::string& testPath) {
    const std::string base = platform::BaseName(testPath);
    const std::string name = base.substr(0, base.size() - platform::Extension(base).size()) + "LIMS.csv";
    const std::string dir = platform::DirName(testPath);
    return dir.empty() ? name : platform::JoinPath(dir, name);
}

platform::ErrorCode WriteExportFile(const std::string& path, std::string_view bytes) {
    platform::AtomicFile file(path);
    if (platform::ErrorCode e = file.Open()) return e;
    if (platform::ErrorCode e = file.Write(bytes)) return e;
    return file.Commit();
}

}  // namespace exportformat

BOOL CQXRYXTestDoc::ExportCsv(const std::string& path) {
    if (!IsTestComplete()) return FALSE;
    return exportformat::WriteExportFile(path, exportformat::CsvFile(*this)) == 0;
}

BOOL CQXRYXTestDoc::ExportAsciiDat(const std::string& path) {
    // A failed computation must not leave a file as if it were the results.
    if (!IsTestComplete() || !m_bResultsValid) return FALSE;
    return exportformat::WriteExportFile(path, exportformat::AsciiRecord(*this)) == 0;
}

BOOL CQXRYXTestDoc::ExportLimsCsv() {
    const std::string path = exportformat::LimsPath(GetPathName());
    if (!IsTestComplete() || !m_bResultsValid) {
        ReportSaveLoadException(path, nullptr, true, exportformat::kIdsCouldNotSave);
        return FALSE;
    }
    if (const platform::ErrorCode err = exportformat::WriteExportFile(path, exportformat::LimsFile(*this))) {
        const fw::FileException e(err);  // names the cause after 411
        ReportSaveLoadException(path, &e, true, exportformat::kIdsCouldNotSave);
        return FALSE;
    }
    return TRUE;
}

void CQXRYXTestDoc::OnExportData() {
    fw::SaveDialogRequest request;
    request.filter =
        fw::LoadString(exportformat::kIdsCsvFilter) + fw::LoadString(exportformat::kIdsDatFilter);
    request.flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_EXPLORER;
    fw::SaveDialogResult chosen;
    if (!fw::SaveDialogs().ShowSave(request, chosen)) return;

    std::string path = chosen.path;
    BOOL ok = FALSE;
    if (chosen.filterIndex == 1) {
        path = exportformat::WithExtension(path, ".csv");
        ok = ExportCsv(path);
    } else if (chosen.filterIndex == 2) {
        path = exportformat::WithExtension(path, ".dat");
        ok = ExportAsciiDat(path);
    }
    if (!ok) ReportSaveLoadException(path, nullptr, true, exportformat::kIdsCouldNotSave);
}
