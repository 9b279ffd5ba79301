#pragma once
// What the calibration tests share: one offscreen application per process
// with a configuration folder of its own, a scripted instrument, and a
// fixture whose message boxes and beeps are scripted and recorded (a box the
// script did not expect fails the test).
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "calibration/WizardEngine.h"
#include "framework/core/TestDoubles.h"
#include "framework/ui/Application.h"

namespace caltest {

fw::Application& App();
const std::string& ConfigDir();

class ScriptedInstrument final : public WizardInstrument {
public:
    BeamState state;
    BeamReadings readings;
    unsigned status = 0;
    std::vector<fw::WindowId> registered;
    int removals = 0;
    int reports = 0;

    // The next data frame's values (the count moves by one).
    void Frame(WORD rawForce, WORD rawDeflection, float force = 0, float deflection = 0);

    BOOL GetState(BeamState& out) override;
    BOOL GetReadings(BeamReadings& out) override;
    unsigned GetStatus() override { return status; }
    void ReportError(const std::string& detail) override;
    void AddNotifyWindow(fw::WindowId window) override { registered.push_back(window); }
    void RemoveNotifyWindow(fw::WindowId) override { ++removals; }
};

class WizardTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Two frames, so that the wizard acts on the second (every-second-frame
    // rule), with these values.
    void Raw(WizardEngine& wizard, WORD rawForce, WORD rawDeflection, float force = 0, float deflection = 0);
    void Reading(WizardEngine& wizard, float force, float deflection) {
        Raw(wizard, 0, 0, force, deflection);
    }
    // What a verification starts from: an empty log in the data folder
    // ConfigDir()/folder, a gage block of 16, 15, 13 and 10 mm, the bath set
    // to -12 degC and held at -12.04 under temperature control. The folder.
    std::string PrepareVerification(const std::string& folder);
    // Expects the next box's text and answers it.
    void ExpectBox(const std::string& text, int answer = IDOK);
    // Fails the test on an unexpected box; call where boxes are done.
    void CheckBoxes();

    ScriptedInstrument instrument;
    fw::ScriptedMessageBox boxes;
    fw::RecordingBeep beeps;
    std::unique_ptr<fw::ServiceScope<fw::MessageBoxService>> boxScope;
    std::unique_ptr<fw::ServiceScope<fw::BeepService>> beepScope;
    std::vector<std::string> expectedBoxes;
};

}  // namespace caltest
