#pragma once
// A temporary folder for one test, removed with everything in it afterwards.
#include <cstdlib>
#include <filesystem>
#include <string>

namespace ryxtest {

class TempDir {
public:
    TempDir() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "ryx-test-XXXXXX").string();
        if (!mkdtemp(tmpl.data())) std::abort();
        m_path = tmpl;
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return m_path; }
    std::string File(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

}  // namespace ryxtest
