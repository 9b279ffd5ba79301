#include "calibration/tests/support/WizardTestSupport.h"

#include <cstdio>

#include "framework/core/MessageBox.h"
#include "framework/ui/tests/support/TestApp.h"
#include "platform/Paths.h"
#include "settings/CQXRegistry.h"

namespace caltest {

fw::Application& App() {
    return fw::test::App();
}
const std::string& ConfigDir() {
    return fw::test::ConfigDir();
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
    // Every test starts from empty settings under the default program key,
    // whatever the tests before it in this process stored.
    std::remove(platform::JoinPath(ConfigDir(), "registry.reg").c_str());
    theRegistry.SetProgramKey("RYXw");
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

std::string WizardTest::PrepareVerification(const std::string& folder) {
    const std::string dir = platform::JoinPath(ConfigDir(), folder);
    EXPECT_EQ(platform::EnsureDirectory(dir), 0u);
    std::remove(platform::JoinPath(dir, "verificationFile.csv").c_str());  // no earlier test's log
    EXPECT_EQ(theRegistry.SetTestDirectory(dir), 0u);
    for (auto [set, v] : {std::pair{&CQXRegistry::SetGageBlockTop, 16.0},
                          {&CQXRegistry::SetGageBlockRed, 15.0},
                          {&CQXRegistry::SetGageBlockWhite, 13.0},
                          {&CQXRegistry::SetGageBlockBlue, 10.0},
                          {&CQXRegistry::SetTestBath, -12.0}})
        EXPECT_EQ((theRegistry.*set)(v), 0u);
    instrument.readings.mode = 1;
    instrument.readings.temperature.m_data = -12.04f;
    return dir;
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
