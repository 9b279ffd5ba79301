// What the four wizards share beyond the engine: how each takes status 1015
// (calibration defaults in use), and results in the user's locale.
#include <gtest/gtest.h>

#include <clocale>
#include <memory>

#include "calibration/CCheckWiz.h"
#include "calibration/CDatumWiz.h"
#include "calibration/CalibrationDeflectionWizard.h"
#include "calibration/CalibrationForceWizard.h"
#include "calibration/tests/support/WizardTestSupport.h"
#include "platform/tests/GermanLocale.h"
#include "settings/CQXRegistry.h"

namespace caltest {
namespace {

struct StatusCase {
    const char* name;
    std::function<std::unique_ptr<WizardEngine>(WizardInstrument&)> make;
    bool goesOn;
};

// The raw-count wizards need only the raw counts, which the defaults do not
// touch; the confidence test and the datum need converted readings at 0.
TEST_F(WizardTest, At1015TheCalibrationsGoOnTheConfidenceTestAndDatumEnd) {
    ASSERT_EQ(theRegistry.SetDeflectionConstant(1.5e-4), 0u);
    ASSERT_EQ(theRegistry.SetGageBlockTop(16), 0u);
    ASSERT_EQ(theRegistry.SetGageBlockRed(15), 0u);
    ASSERT_EQ(theRegistry.SetGageBlockWhite(13), 0u);
    ASSERT_EQ(theRegistry.SetGageBlockBlue(10), 0u);
    const StatusCase cases[] = {
        {"force", [](WizardInstrument& i) { return std::make_unique<ForceCalibration>(i); }, true},
        {"deflection", [](WizardInstrument& i) { return std::make_unique<DeflectionCalibration>(i); }, true},
        {"confidence", [](WizardInstrument& i) { return std::make_unique<ConfidenceTest>(i); }, false},
        {"datum", [](WizardInstrument& i) { return std::make_unique<DatumCalibration>(i); }, false},
    };
    instrument.status = 1015;
    for (const StatusCase& c : cases) {
        auto w = c.make(instrument);
        w->Start(2);
        if (!c.goesOn) ExpectBox("status 1015\n\n");
        Raw(*w, 35800, 19000);
        EXPECT_EQ(w->Ended(), !c.goesOn) << c.name;
        if (c.goesOn) {
            EXPECT_EQ(w->Step(), 1) << c.name;
        }
    }
}

TEST_F(WizardTest, ResultsShowNumbersInTheUsersLocale) {
    ASSERT_TRUE(ryxtest::UseGermanLocale()) << "localedef could not build de_DE.UTF-8";
    ASSERT_EQ(theRegistry.SetDeflectionConstant(1.5e-4), 0u);
    ForceCalibration w(instrument);
    w.Start(2);
    Raw(w, 35000, 19100);
    for (int i = 0; i < 4; ++i) w.Next();
    const WORD loads[4][2] = {{36000, 19000}, {42500, 19045}, {48990, 19090}, {55500, 19135}};
    for (int k = 0; k < 4; ++k) {
        Raw(w, loads[k][0], loads[k][1]);
        w.Next();
    }
    std::setlocale(LC_ALL, "C");
    EXPECT_NE(w.View().prompt.find("\tForce :\t\t0,15087178 mN/bit"), std::string::npos) << w.View().prompt;
    EXPECT_NE(w.View().prompt.find("\tCompliance :\t6,88308444 µm/N"), std::string::npos);
}

}  // namespace
}  // namespace caltest
