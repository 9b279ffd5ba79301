#include "framework/ui/RecentFileList.h"

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <sstream>

#include "platform/Paths.h"

namespace fw {

namespace {

constexpr const char kSection[] = "[Recent File List]";

std::string Absolute(const std::string& path) {
    std::filesystem::path p(path);
    if (p.is_relative()) {
        char buf[4096];
        if (getcwd(buf, sizeof buf)) p = std::filesystem::path(buf) / p;
    }
    std::string out = p.lexically_normal().string();
    if (out.size() > 1 && out.back() == '/') out.pop_back();
    return out;
}

// The profile file: the section line, then File1=... in order. Anything
// else makes the whole file unreadable, so that a damaged list is never
// half believed.
bool Parse(const std::string& text, size_t max, std::vector<std::string>& out) {
    if (text.find('\0') != std::string::npos) return false;
    std::istringstream in(text);
    std::string line;
    bool sawSection = false;
    std::vector<std::string> entries;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        if (!sawSection) {
            if (line != kSection) return false;
            sawSection = true;
            continue;
        }
        const std::string key = "File" + std::to_string(entries.size() + 1) + "=";
        if (line.compare(0, key.size(), key) != 0 || line.size() == key.size()) return false;
        entries.push_back(line.substr(key.size()));
    }
    if (!sawSection) return false;
    if (entries.size() > max) entries.resize(max);
    out = std::move(entries);
    return true;
}

}  // namespace

RecentFileList::RecentFileList(std::string profilePath, size_t maxEntries)
    : m_profile(std::move(profilePath)), m_max(maxEntries) {}

void RecentFileList::ReadList() {
    std::string text;
    std::vector<std::string> entries;
    // Ten times the longest list written: the section line and, per entry,
    // "File<n>=" and a path of at most PATH_MAX bytes.
    const uint64_t maxBytes = 10 * (sizeof kSection + m_max * (16 + PATH_MAX + 1));
    if (platform::ReadWholeFile(m_profile, text, maxBytes) != 0 || !Parse(text, m_max, entries))
        entries.clear();
    m_entries = std::move(entries);
    Changed();
}

void RecentFileList::Add(const std::string& path) {
    // A line break could not be read back as one entry.
    if (path.empty() || m_max == 0 || path.find_first_of("\r\n") != std::string::npos) return;
    const std::string full = Absolute(path);
    auto it = std::find(m_entries.begin(), m_entries.end(), full);
    if (it == m_entries.begin() && it != m_entries.end()) return;
    if (it != m_entries.end()) m_entries.erase(it);
    m_entries.insert(m_entries.begin(), full);
    if (m_entries.size() > m_max) m_entries.resize(m_max);
    Changed();
    WriteList();
}

void RecentFileList::Remove(size_t index) {
    if (index >= m_entries.size()) return;
    m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(index));
    Changed();
    WriteList();
}

void RecentFileList::Changed() {
    ++m_generation;
}

void RecentFileList::WriteList() const {
    std::string text = std::string(kSection) + "\n";
    for (size_t i = 0; i < m_entries.size(); ++i)
        text += "File" + std::to_string(i + 1) + "=" + m_entries[i] + "\n";
    // The list is a convenience: a folder that cannot be written keeps the
    // list for this session only.
    platform::EnsureDirectory(platform::DirName(m_profile));
    platform::WriteFileAtomic(m_profile, text);
}

std::string RecentFileList::GetDisplayName(size_t index, const std::string& currentDir,
                                           size_t maxLength) const {
    if (index >= m_entries.size()) return {};
    const std::string& path = m_entries[index];
    const std::string name = platform::BaseName(path);
    if (!currentDir.empty() && platform::DirName(path) == Absolute(currentDir)) return name;
    if (path.size() <= maxLength) return path;
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(path);
    while (std::getline(in, part, '/'))
        if (!part.empty()) parts.push_back(part);
    // Drop folders after the first until the rest fits; the file name
    // alone when even that is too long.
    for (size_t dropped = 1; dropped + 1 < parts.size(); ++dropped) {
        std::string shortened = "/" + parts[0] + "/...";
        for (size_t i = dropped + 1; i < parts.size(); ++i) shortened += "/" + parts[i];
        if (shortened.size() <= maxLength) return shortened;
    }
    return name;
}

}  // namespace fw
