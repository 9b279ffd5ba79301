// The order of the Calibrate menu's chains with stand-in wizards.
#include <gtest/gtest.h>

#include <cerrno>
#include <cfloat>
#include <string>
#include <vector>

#include "app/CalibrateChain.h"
#include "framework/core/MessageBox.h"
#include "framework/core/Strings.h"
#include "framework/core/TestDoubles.h"
#include "platform/Paths.h"
#include "settings/CQXRegistry.h"

namespace {

struct ChainCase {
    const char* what;
    int deflection;
    int force;
    std::vector<std::string> ran;
    bool datumUnset;
};

class CalibrateChainTest : public ::testing::Test {
protected:
    CalibrateChain Chain(int deflection, int force) {
        CalibrateChain c;
        c.deflection = [this, deflection] {
            ran.push_back("deflection");
            return deflection;
        };
        c.force = [this, force] {
            ran.push_back("force");
            return force;
        };
        c.confidence = [this] {
            ran.push_back("confidence");
            return IDOK;
        };
        return c;
    }
    std::vector<std::string> ran;
    fw::ScriptedMessageBox boxes;
    fw::ServiceScope<fw::MessageBoxService> scope{boxes};
};

TEST_F(CalibrateChainTest, EachWizardRunsOnlyAfterTheOneBeforeEndedWithOk) {
    const ChainCase cases[] = {
        {"both OK", IDOK, IDOK, {"deflection", "force", "confidence"}, true},
        {"deflection cancelled", IDCANCEL, IDOK, {"deflection"}, false},
        {"force cancelled", IDOK, IDCANCEL, {"deflection", "force"}, false},
    };
    for (const ChainCase& c : cases) {
        ASSERT_EQ(theRegistry.SetAutoThicknessDatum(0.25), 0u);
        ran.clear();
        RunDeflectionChain(Chain(c.deflection, c.force));
        EXPECT_EQ(ran, c.ran) << c.what;
        double d = 0;
        EXPECT_EQ(theRegistry.GetAutoThicknessDatum(d), c.datumUnset ? platform::kErrorInvalidData : 0u);
        EXPECT_EQ(d, c.datumUnset ? static_cast<double>(FLT_MAX) : 0.25) << c.what;
    }
    EXPECT_EQ(boxes.Count(), 0u);
}

TEST_F(CalibrateChainTest, TheForceChainLeavesTheDatum) {
    ASSERT_EQ(theRegistry.SetAutoThicknessDatum(0.25), 0u);
    RunForceChain(Chain(IDOK, IDOK));
    EXPECT_EQ(ran, (std::vector<std::string>{"force", "confidence"}));
    ran.clear();
    RunForceChain(Chain(IDOK, IDCANCEL));
    EXPECT_EQ(ran, std::vector<std::string>{"force"});
    double d = 0;
    ASSERT_EQ(theRegistry.GetAutoThicknessDatum(d), 0u);
    EXPECT_EQ(d, 0.25);
}

// The old datum would pass for one measured against the new calibration.
TEST_F(CalibrateChainTest, ADatumThatCannotBeMarkedUnsetIsSaid) {
    ASSERT_EQ(theRegistry.SetAutoThicknessDatum(0.25), 0u);
    platform::SetWriteFailureHook([](const std::string&) { return ENOSPC; });
    RunDeflectionChain(Chain(IDOK, IDOK));
    platform::SetWriteFailureHook({});
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Texts()[0], fw::LoadString(255));
    EXPECT_EQ(ran, (std::vector<std::string>{"deflection", "force", "confidence"}));
}

}  // namespace
