#pragma once
// A German locale (decimal comma) for tests that check files do not follow
// the process locale. Built with localedef into the test program's build
// folder once and shared by later runs: it is renamed into place whole, so
// tests running in parallel never see half of it.
#include <stdlib.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/Paths.h"

namespace ryxtest {

// The folder to name in LOCPATH, or empty when localedef failed.
inline std::string GermanLocaleDir() {
    namespace fs = std::filesystem;
    const std::string exe = fs::read_symlink("/proc/self/exe").string();
    const std::string root = platform::DirName(exe) + "/locale";
    const std::string target = root + "/de_DE.UTF-8";
    if (platform::FileExists(target + "/LC_NUMERIC")) return root;
    std::error_code ec;
    fs::create_directories(root, ec);
    std::string tmpl = root + "/.build-XXXXXX";
    if (!mkdtemp(tmpl.data())) return {};
    const std::string built = tmpl + "/de_DE.UTF-8";
    const std::string cmd = "localedef -i de_DE -f UTF-8 '" + built + "' >/dev/null 2>&1";
    (void)std::system(cmd.c_str());
    if (platform::FileExists(built + "/LC_NUMERIC")) fs::rename(built, target, ec);  // a rival may have won
    fs::remove_all(tmpl, ec);
    return platform::FileExists(target + "/LC_NUMERIC") ? root : std::string();
}

// Makes de_DE.UTF-8 the process locale; false when it cannot be had or does
// not format 0.5 as "0,5".
inline bool UseGermanLocale() {
    const std::string dir = GermanLocaleDir();
    if (dir.empty()) return false;
    setenv("LOCPATH", dir.c_str(), 1);
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) return false;
    char buf[16];
    std::snprintf(buf, sizeof buf, "%.1f", 0.5);
    return std::string(buf) == "0,5";
}

}  // namespace ryxtest
