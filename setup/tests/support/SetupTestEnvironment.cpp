// One application object per test process, offscreen, with a configuration
// folder of its own, so that parallel test processes never share settings.
#include "setup/tests/support/SetupTestEnvironment.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>

namespace setuptest {

namespace {

std::unique_ptr<fw::Application> g_app;
std::string g_dir;

class Environment : public ::testing::Environment {
public:
    void SetUp() override {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        char tmpl[] = "/tmp/ryx-setup-test-XXXXXX";
        g_dir = mkdtemp(tmpl);
        setenv("RYX_CONFIG_DIR", g_dir.c_str(), 1);
        static int argc = 1;
        static char name[] = "setup_tests";
        static char* argv[] = {name, nullptr};
        g_app = std::make_unique<fw::Application>(argc, argv);
    }
    void TearDown() override {
        g_app.reset();
        const std::string cmd = "rm -rf '" + g_dir + "'";
        [[maybe_unused]] const int rc = std::system(cmd.c_str());
    }
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new Environment);

}  // namespace

fw::Application& App() {
    return *g_app;
}
const std::string& ConfigDir() {
    return g_dir;
}

}  // namespace setuptest
