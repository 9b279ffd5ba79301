// Every setup test starts on an empty hive: a configuration folder of its own,
// made as the test starts and removed as it ends, inside the process's folder
// that framework/ui's test environment made.
#include "setup/tests/support/SetupTestEnvironment.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "framework/ui/tests/support/TestApp.h"

namespace setuptest {

namespace {

std::string g_dir;

class FreshConfigFolder : public ::testing::EmptyTestEventListener {
public:
    void OnTestStart(const ::testing::TestInfo&) override {
        static int count = 0;
        g_dir = fw::test::ConfigDir() + "/test-" + std::to_string(++count);
        std::error_code ec;
        std::filesystem::remove_all(g_dir, ec);
        std::filesystem::create_directories(g_dir, ec);
        setenv("RYX_CONFIG_DIR", g_dir.c_str(), 1);
        // Tests point HOME into their folder: it is put back with the folder gone.
        const char* home = getenv("HOME");
        m_home = home ? home : "";
    }
    void OnTestEnd(const ::testing::TestInfo&) override {
        setenv("RYX_CONFIG_DIR", fw::test::ConfigDir().c_str(), 1);
        setenv("HOME", m_home.c_str(), 1);
        std::error_code ec;
        std::filesystem::remove_all(g_dir, ec);
    }

private:
    std::string m_home;
};

const bool kListening = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new FreshConfigFolder);
    return true;
}();

}  // namespace

const std::string& ConfigDir() {
    return g_dir;
}

}  // namespace setuptest
