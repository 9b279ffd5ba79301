#pragma once
// The station's application object for one end-to-end case: one per test
// process (each case runs in a process of its own), offscreen, with its own
// configuration folder, program key and port alias, and a simulated
// instrument behind a line tap.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/CQXRYXwApp.h"
#include "e2e/support/LineTap.h"
#include "framework/core/TestDoubles.h"
#include "platform/Clock.h"
#include "simulator/Simulator.h"

namespace e2e {

CQXRYXwApp& App();
const std::string& ConfigDir();
const std::string& ProgramKey();  // the -reg: name this process runs under
std::string DataDir();

class StationTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The simulated instrument, reached as COM1 through the tap.
    void StartInstrument(const std::string& firmware = "2.000");
    // Every setting, calibrated to the simulator, bath set-point bath.
    void WriteSettings(double bath = -12.0);
    bool StartStation();
    // The simulated instrument, every setting, the station started, and no
    // box shown on the way.
    void StartReadyStation();
    // Pumps the station's loop until done (real-time safety limit).
    bool Until(const std::function<bool()>& done, int maxMs = 15000);
    // Runs the command as the menu would, posted to the main frame, and
    // pumps the loop until it has returned and no dialog is open.
    void Command(UINT id);

    platform::ManualClock idleClock{100000};
    ryxsim::Calibration calibration;  // the simulated instrument's
    fw::ScriptedMessageBox boxes;
    std::unique_ptr<fw::ServiceScope<fw::MessageBoxService>> boxScope;
    std::unique_ptr<ryxsim::Simulator> sim;
    std::unique_ptr<LineTap> tap;
    std::string startDir;
    bool started = false;
};

}  // namespace e2e
