#pragma once
// A settings hive and a data directory of the test's own, a fixed date
// (2024-03-05, local time) for the default names, and the current directory
// put back afterwards (the dialog makes the data directory current).
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>

#include "framework/core/TestDoubles.h"
#include "platform/Hive.h"
#include "platform/Paths.h"
#include "platform/tests/TempDir.h"
#include "settings/CQXRegistry.h"
#include "testing/TestSetupLogic.h"

namespace ryxtest {

inline std::time_t LocalNoon(int year, int month, int day) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = 12;
    t.tm_isdst = -1;
    return std::mktime(&t);
}

class SetupFixture : public ::testing::Test {
protected:
    void SetUp() override {
        char cwd[PATH_MAX];
        ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
        m_cwd = cwd;
        setenv("RYX_CONFIG_DIR", dir.File("config").c_str(), 1);
        ASSERT_EQ(platform::EnsureDirectory(dir.File("config")), 0u);
        data = dir.File("data");
        ASSERT_EQ(platform::EnsureDirectory(data), 0u);
        ASSERT_EQ(theRegistry.SetTestDirectory(data), 0u);
        ASSERT_EQ(theRegistry.SetTestBath(-18.0), 0u);
        SetDateStampClock([] { return LocalNoon(2024, 3, 5); });
        TestSetupLogic::s_strDateStamp.clear();
        TestSetupLogic::s_nSequence = 0;
    }
    void TearDown() override {
        SetDateStampClock(nullptr);
        SetTestFileProbeHook(nullptr);
        platform::SetWriteFailureHook(nullptr);
        if (::chdir(m_cwd.c_str()) != 0) ADD_FAILURE() << "cannot go back to " << m_cwd;
        unsetenv("RYX_CONFIG_DIR");
    }
    // A file in the data directory.
    void Touch(const std::string& name, const std::string& contents = {}) {
        std::ofstream(data + "/" + name) << contents;
    }
    // A value stored as it is, past the store's own checks.
    void Raw(const char* section, const char* name, const std::string& text) {
        ASSERT_EQ(
            platform::Hive::ForPath(dir.File("config/registry.reg"))
                ->SetValue(theRegistry.KeyPath(section), name, platform::RegValue{platform::kRegSz, text}),
            0u);
    }
    std::string HiveBytes() {
        std::string bytes;
        platform::ReadWholeFile(dir.File("config/registry.reg"), bytes);
        return bytes;
    }

    TempDir dir;
    std::string data;
    std::string m_cwd;
};

}  // namespace ryxtest
