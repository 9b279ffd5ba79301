// One application object per test process, on the offscreen platform unless
// the caller chose another, made before the first test and gone after the last.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "framework/ui/tests/support/TestApp.h"

namespace fw::test {

namespace {

std::unique_ptr<TestApp> g_app;

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        static int argc = 1;
        static char name[] = "ui_tests";
        static char* argv[] = {name, nullptr};
        g_app = std::make_unique<TestApp>(argc, argv);
    }
    void TearDown() override { g_app.reset(); }
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace

TestApp& App() { return *g_app; }

}  // namespace fw::test
