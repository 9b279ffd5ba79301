#include "calibration/tests/support/WizardTestSupport.h"

#include <unistd.h>

#include <cstdlib>

#include "framework/core/MessageBox.h"

namespace caltest {

namespace {

std::unique_ptr<fw::Application> g_app;
std::string g_dir;

class Environment : public ::testing::Environment {
public:
    void SetUp() override {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        char tmpl[] = "/tmp/ryx-cal-test-XXXXXX";
        g_dir = mkdtemp(tmpl);
        setenv("RYX_CONFIG_DIR", g_dir.c_str(), 1);
        static int argc = 1;
        static char name[] = "calibration_tests";
        static char* argv[] = {name, nullptr};
        g_app = std::make_unique<fw::Application>(argc, argv);
    }
    void TearDown() override {
        g_app.reset();
        const std::string cmd = "rm -rf '" + g_dir + "'";
        [[maybe_unused]] int rc = std::system(cmd.c_str());
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

void ScriptedInstrument::Frame(WORD rawForce, WORD rawDeflection, float force, float deflection) {
    ++state.count;
    state.rawForce = rawForce;
    state.rawDeflection = rawDeflection;
    readings.count = state.count;
    readings.force.m_data = force;
    readings.deflection.m_data = deflection;
}

BOOL ScriptedInstrument::GetState(BeamState& out) {
    out = state;
    return status == 0 || status == 1015;
}

BOOL ScriptedInstrument::GetReadings(BeamReadings& out) {
    out = readings;
    return status == 0;
}

void ScriptedInstrument::ReportError(const std::string& detail) {
    ++reports;
    if (status != 0) fw::ShowMessage("status " + std::to_string(status) + "\n\n" + detail);
}

void WizardTest::SetUp() {
    boxScope = std::make_unique<fw::ServiceScope<fw::MessageBoxService>>(boxes);
    beepScope = std::make_unique<fw::ServiceScope<fw::BeepService>>(beeps);
}

void WizardTest::TearDown() {
    CheckBoxes();
    beepScope.reset();
    boxScope.reset();
}

void WizardTest::Raw(WizardEngine& wizard, WORD rawForce, WORD rawDeflection, float force, float deflection) {
    instrument.Frame(rawForce, rawDeflection, force, deflection);
    wizard.OnInstrumentUpdate();
    instrument.Frame(rawForce, rawDeflection, force, deflection);
    wizard.OnInstrumentUpdate();
}

void WizardTest::ExpectBox(const std::string& text, int answer) {
    expectedBoxes.push_back(text);
    boxes.Answer(answer);
}

void WizardTest::CheckBoxes() {
    const auto shown = boxes.Boxes();
    for (size_t i = 0; i < shown.size(); ++i) {
        if (i < expectedBoxes.size())
            EXPECT_EQ(shown[i].text, expectedBoxes[i]) << "box " << i;
        else
            ADD_FAILURE() << "unexpected box: " << shown[i].text;
    }
    EXPECT_EQ(shown.size(), expectedBoxes.size()) << "boxes expected but not shown";
}

}  // namespace caltest
