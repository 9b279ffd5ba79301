#include "app/CommandRules.h"

#include <dirent.h>

#include "data/DeltaTcData.h"
#include "data/ExportFormats.h"
#include "framework/core/Strings.h"
#include "platform/Numbers.h"
#include "platform/Paths.h"

namespace appcmd {

namespace {

// "\n\t" before each name, as the lists of 658 and 661 show them.
std::string NameList(const std::vector<std::string>& names) {
    std::string out;
    for (const auto& n : names) out += "\n\t" + n;
    return out;
}

// Splits a selection into test files, kept at the head (so in reverse), and
// the other names in order.
void Split(const std::vector<std::string>& selected, std::vector<std::string>& files,
           std::vector<std::string>& rejected) {
    for (const auto& path : selected) {
        if (IsTestFile(path))
            files.insert(files.begin(), path);
        else
            rejected.push_back(path);
    }
}

}  // namespace

bool IsTestFile(const std::string& path) {
    return platform::EqualsNoCase(platform::Extension(path), ".RYX");
}

Decision DecideOpen(const std::vector<std::string>& selected, bool previewing) {
    Decision d;
    if (previewing) {
        // Reading the selection for the preview never ends the dialog.
        d.stayOpen = true;
        d.files = selected;
        return d;
    }
    if (selected.size() != 1) {
        d.stayOpen = true;
        d.messages.push_back({IDS_CHOOSE_ONE, fw::LoadString(IDS_CHOOSE_ONE)});
        return d;
    }
    d.files = selected;
    return d;
}

Decision DecideDeltaTc(const std::vector<std::string>& selected) {
    Decision d;
    std::vector<std::string> rejected;
    Split(selected, d.files, rejected);
    if (!rejected.empty())
        d.messages.push_back(
            {IDS_DELTA_TC_REJECTED, fw::FormatString1(IDS_DELTA_TC_REJECTED, NameList(rejected))});
    if (d.files.size() != 2) {
        d.messages.push_back({IDS_CHOOSE_TWO, fw::LoadString(IDS_CHOOSE_TWO)});
        d.files.clear();
        d.stayOpen = true;
    }
    return d;
}

Decision DecideBatchExport(const std::vector<std::string>& selected) {
    Decision d;
    std::vector<std::string> rejected;
    Split(selected, d.files, rejected);
    if (!rejected.empty())
        d.messages.push_back({IDS_EXPORT_REJECTED, fw::FormatString1(IDS_EXPORT_REJECTED, NameList(rejected))});
    d.stayOpen = d.files.empty();
    return d;
}

ExportFormat FormatFromText(const std::string& text) {
    if (text == fw::LoadString(IDS_FORMAT_LIMS)) return ExportFormat::Lims;
    if (text == fw::LoadString(IDS_FORMAT_CSV)) return ExportFormat::Csv;
    if (text == fw::LoadString(IDS_FORMAT_DAT)) return ExportFormat::Dat;
    return ExportFormat::None;
}

std::string FormatText(bool limsMode, int typeIndex) {
    if (typeIndex == 0) return fw::LoadString(limsMode ? IDS_FORMAT_LIMS : IDS_FORMAT_CSV);
    return fw::LoadString(IDS_FORMAT_DAT);
}

std::string ExportBase(const std::string& path) {
    const size_t slash = path.rfind('/');
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    return path.substr(0, dot + 1);
}

std::string ExportPath(ExportFormat format, const std::string& path) {
    switch (format) {
        case ExportFormat::Lims:
            return exportformat::LimsPath(path);
        case ExportFormat::Csv: {
            const std::string base = ExportBase(path);
            return base.empty() ? std::string() : base + "csv";
        }
        case ExportFormat::Dat: {
            const std::string base = ExportBase(path);
            return base.empty() ? std::string() : base + "dat";
        }
        case ExportFormat::None:
            break;
    }
    return {};
}

bool IsDosHeader(const std::string& datPath) {
    if (!platform::EqualsNoCase(platform::Extension(datPath), ".DAT")) return false;
    const std::string name = platform::BaseName(datPath);
    const std::string stem = name.substr(0, name.size() - 4);
    const std::string folder = platform::DirName(datPath);
    const std::string dir = folder.empty() ? std::string(1, '.') : folder;
    // Any case of the name's stem with any case of ".bdt": a pair copied from
    // a DOS disk is upper case, one renamed on Linux may not be.
    DIR* d = opendir(dir.c_str());
    if (!d) return false;
    bool found = false;
    while (const dirent* e = readdir(d)) {
        const std::string other = e->d_name;
        if (other.size() == name.size() && platform::EqualsNoCase(other.substr(0, stem.size()), stem) &&
            platform::EqualsNoCase(platform::Extension(other), ".BDT")) {
            found = true;
            break;
        }
    }
    closedir(d);
    return found;
}

Message CheckDeltaTcPair(const DeltaTcData& first, const DeltaTcData& second) {
    const float t1 = first.m_fTargetTemp.m_data, t2 = second.m_fTargetTemp.m_data;
    if (t1 == t2) return {IDS_SAME_TEMPERATURE, fw::LoadString(IDS_SAME_TEMPERATURE)};
    const float s1 = first.m_fStiffness60.m_data, s2 = second.m_fStiffness60.m_data;
    const float m1 = first.m_fMValue60.m_data, m2 = second.m_fMValue60.m_data;
    const float sLimit = 300.0f, mLimit = 0.3f;
    // Every comparison with a NaN is false, so a NaN fails the check.
    const bool pass = s1 != s2 && m1 != m2 &&
                      ((s1 <= sLimit && sLimit <= s2 && m1 >= mLimit && mLimit >= m2) ||
                       (s2 <= sLimit && sLimit <= s1 && m2 >= mLimit && mLimit >= m1));
    if (pass) return {};
    const std::string format = fw::LoadString(IDS_CRITERIA);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    std::string text = platform::FormatUser(format.c_str(), static_cast<double>(sLimit), static_cast<double>(mLimit),
                                            static_cast<double>(s1), static_cast<double>(m1),
                                            static_cast<double>(s2), static_cast<double>(m2));
#pragma GCC diagnostic pop
    return {IDS_CRITERIA, text};
}

}  // namespace appcmd
