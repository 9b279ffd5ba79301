#include "e2e/support/Station.h"

#include <unistd.h>

#include <QApplication>
#include <QTimer>
#include <cstdlib>

#include "app/CQXRYXMainFrame.h"
#include "framework/core/MessageBox.h"
#include "framework/core/WindowPost.h"
#include "platform/Paths.h"
#include "simulator/SettingsWriter.h"

namespace e2e {

namespace {

std::unique_ptr<CQXRYXwApp> g_app;
std::string g_dir;
std::string g_key;

class Environment : public ::testing::Environment {
public:
    void SetUp() override {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        char tmpl[] = "/tmp/ryx-e2e-XXXXXX";
        g_dir = mkdtemp(tmpl);
        setenv("RYX_CONFIG_DIR", g_dir.c_str(), 1);
        g_key = "E2E" + std::to_string(getpid());
        static std::string reg = "-reg:" + g_key;
        static int argc = 2;
        static char name[] = "ryxw";
        static char* argv[] = {name, reg.data(), nullptr};
        g_app = std::make_unique<CQXRYXwApp>(argc, argv);
    }
    void TearDown() override {
        g_app.reset();
        const std::string cmd = "rm -rf '" + g_dir + "'";
        [[maybe_unused]] int rc = std::system(cmd.c_str());
    }
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new Environment);

}  // namespace

CQXRYXwApp& App() {
    return *g_app;
}
const std::string& ConfigDir() {
    return g_dir;
}
const std::string& ProgramKey() {
    return g_key;
}
std::string DataDir() {
    return platform::JoinPath(g_dir, "data");
}

void StationTest::SetUp() {
    char buf[4096];
    ASSERT_NE(getcwd(buf, sizeof buf), nullptr);
    startDir = buf;
    boxScope = std::make_unique<fw::ServiceScope<fw::MessageBoxService>>(boxes);
    App().SetIdleClock(&idleClock);
}

void StationTest::TearDown() {
    if (started) {
        if (App().m_pMainFrame) App().m_pMainFrame->close();
        App().ExitInstance();
    }
    tap.reset();
    if (sim) sim->Stop();
    // The settings check made the data directory current: put it back.
    ASSERT_EQ(chdir(startDir.c_str()), 0);
    boxScope.reset();
}

void StationTest::StartInstrument(const std::string& firmware) {
    ryxsim::Simulator::Options o;
    o.instrument.firmware = firmware;
    o.instrument.calibration = calibration;
    sim = std::make_unique<ryxsim::Simulator>(o);
    ASSERT_EQ(sim->Start(), 0u);
    tap = std::make_unique<LineTap>(sim->DevicePath(), idleClock);
    ASSERT_TRUE(tap->IsOpen());
    const std::string ports = platform::JoinPath(ConfigDir(), "ports");
    ASSERT_EQ(platform::EnsureDirectory(ports), 0u);
    const std::string link = platform::JoinPath(ports, "com1");
    unlink(link.c_str());
    ASSERT_EQ(symlink(tap->DevicePath().c_str(), link.c_str()), 0);
}

void StationTest::WriteSettings(double bath) {
    ryxsim::SettingsPlan plan;
    if (sim) plan.calibration = sim->GetCalibration();
    plan.dataDir = DataDir();
    plan.programKey = ProgramKey();
    plan.bath = bath;
    std::string error;
    ASSERT_EQ(ryxsim::WriteSettings(platform::JoinPath(ConfigDir(), "registry.reg"), plan, &error), 0u)
        << error;
}

bool StationTest::StartStation() {
    started = App().InitInstance();
    return started;
}

void StationTest::StartReadyStation() {
    StartInstrument();
    WriteSettings();
    ASSERT_TRUE(StartStation());
    ASSERT_EQ(boxes.Count(), 0u) << boxes.Texts()[0];
}

bool StationTest::Until(const std::function<bool()>& done, int maxMs) {
    return App().RunUntil(done, maxMs);
}

void StationTest::Command(UINT id) {
    bool done = false;
    ASSERT_TRUE(fw::PostCommand(App().m_pMainFrame->Id(), id));
    QTimer::singleShot(0, [&] { done = true; });  // runs after the command, or inside its loop
    App().RunUntil([&] { return done && !QApplication::activeModalWidget(); }, 300000);
    // One more pass, so that a posted command that opened a wizard has returned.
    App().processEvents();
}

}  // namespace e2e
