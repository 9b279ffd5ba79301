#pragma once
// The recently used files of the file menus: the most recent first, at most
// a fixed number, kept in a profile file of the framework's own in the
// configuration folder (never in the settings store). The file is written at
// every change, atomically, so that a crash loses nothing and never leaves
// half a list.
#include <cstddef>
#include <string>
#include <vector>

namespace fw {

class RecentFileList {
public:
    RecentFileList(std::string profilePath, size_t maxEntries);

    // The list as the profile file holds it; a missing or unreadable file is
    // an empty list.
    void ReadList();
    // Puts path at the top, made absolute: an entry of the same path (exactly
    // the same: paths tell case apart) moves up, and the oldest beyond the
    // limit goes.
    void Add(const std::string& path);
    void Remove(size_t index);

    size_t GetSize() const { return m_entries.size(); }
    size_t GetMaxSize() const { return m_max; }
    const std::string& operator[](size_t index) const { return m_entries.at(index); }
    const std::vector<std::string>& Entries() const { return m_entries; }
    const std::string& ProfilePath() const { return m_profile; }

    // How a menu shows entry index: the file name alone when the file lies in
    // currentDir, else the path, shortened in the middle to maxLength
    // characters when longer (the first folder and the file name stay).
    std::string GetDisplayName(size_t index, const std::string& currentDir, size_t maxLength = 30) const;

    // Changes with every change of the entries, so that menus know when to
    // rebuild their items.
    unsigned Generation() const { return m_generation; }

private:
    void WriteList() const;
    void Changed();

    std::string m_profile;
    size_t m_max;
    std::vector<std::string> m_entries;
    unsigned m_generation = 0;
};

}  // namespace fw
