// One application object per test process, offscreen unless the caller
// chose another platform (a support file: its name only puts it among the
// test sources, out of the benchmarks).
#include "testing/tests/support/TestingEnvironment.h"

#include <gtest/gtest.h>

#include <QDir>
#include <cstdlib>
#include <memory>

namespace testingtest {

namespace {

std::unique_ptr<fw::Application> g_app;

class Environment : public ::testing::Environment {
public:
    void SetUp() override {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        static int argc = 1;
        static char name[] = "testing_tests";
        static char* argv[] = {name, nullptr};
        g_app = std::make_unique<fw::Application>(argc, argv);
    }
    void TearDown() override { g_app.reset(); }
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new Environment);

}  // namespace

fw::Application& App() { return *g_app; }

std::string ArtefactDir() {
#ifdef RYX_TESTING_ARTEFACTS
    const std::string dir = RYX_TESTING_ARTEFACTS;
#else
    const std::string dir = "artefacts";
#endif
    QDir().mkpath(QString::fromStdString(dir));
    return dir;
}

}  // namespace testingtest
