// A configuration folder of its own for each test process, so that parallel
// test processes never share settings.
#include "setup/tests/support/SetupTestEnvironment.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>

namespace setuptest {

namespace {

std::string g_dir;

class Environment : public ::testing::Environment {
public:
    void SetUp() override {
        char tmpl[] = "/tmp/ryx-setup-test-XXXXXX";
        g_dir = mkdtemp(tmpl);
        setenv("RYX_CONFIG_DIR", g_dir.c_str(), 1);
    }
    void TearDown() override {
        const std::string cmd = "rm -rf '" + g_dir + "'";
        [[maybe_unused]] const int rc = std::system(cmd.c_str());
    }
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new Environment);

}  // namespace

const std::string& ConfigDir() {
    return g_dir;
}

}  // namespace setuptest
