// One application object per test process, on the offscreen platform unless
// the caller chose another, made before the first test and gone after the
// last, with a configuration folder of its own so that parallel test
// processes never share settings, sockets or port aliases.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "framework/ui/tests/support/TestApp.h"

namespace fw::test {

namespace {

std::unique_ptr<TestApp> g_app;
std::string g_dir;

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        char tmpl[] = "/tmp/ryx-ui-test-XXXXXX";
        if (!mkdtemp(tmpl)) std::abort();
        g_dir = tmpl;
        setenv("RYX_CONFIG_DIR", g_dir.c_str(), 1);
        static int argc = 1;
        static char name[] = "ui_tests";
        static char* argv[] = {name, nullptr};
        g_app = std::make_unique<TestApp>(argc, argv);
    }
    void TearDown() override {
        g_app.reset();
        std::error_code ec;
        std::filesystem::remove_all(g_dir, ec);
    }
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace

TestApp& App() { return *g_app; }
const std::string& ConfigDir() { return g_dir; }

}  // namespace fw::test
