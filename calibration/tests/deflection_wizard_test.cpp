// The deflection calibration with scripted gage block readings.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <limits>

#include "calibration/CalibrationDeflectionWizard.h"
#include "calibration/tests/support/WizardTestSupport.h"
#include "framework/core/Strings.h"
#include "platform/Hive.h"
#include "platform/Paths.h"
#include "settings/CQXRegistry.h"

namespace caltest {
namespace {

struct Levels {
    double top, red, white, blue;
};

void StoreGageBlock(const Levels& h) {
    ASSERT_EQ(theRegistry.SetGageBlockTop(h.top), 0u);
    ASSERT_EQ(theRegistry.SetGageBlockRed(h.red), 0u);
    ASSERT_EQ(theRegistry.SetGageBlockWhite(h.white), 0u);
    ASSERT_EQ(theRegistry.SetGageBlockBlue(h.blue), 0u);
}

class DeflectionWizardTest : public WizardTest {
protected:
    void SetUp() override {
        WizardTest::SetUp();
        wizard.SetListener({}, [&](int r) { ended.push_back(r); });
    }
    // From the start through the four levels; raw force 35800 at Red.
    void ReadLevels(DeflectionCalibration& w, WORD top, WORD red, WORD white, WORD blue) {
        w.Start(5);
        Raw(w, 35790, 19000);
        ASSERT_EQ(w.Step(), 1);
        w.Next();
        w.Next();
        Raw(w, 35795, top);
        w.Next();
        Raw(w, 35800, red);
        w.Next();
        Raw(w, 35805, white);
        w.Next();
        Raw(w, 35810, blue);
    }
    DeflectionCalibration wizard{instrument};
    std::vector<int> ended;
};

TEST_F(DeflectionWizardTest, FourLevelsGiveTheSlopesTheConstantAndTheZerosInOneSave) {
    StoreGageBlock({16, 15, 13, 10});
    ReadLevels(wizard, 12500, 19000, 32500, 52500);
    ASSERT_EQ(wizard.Step(), DeflectionCalibration::kResultStep);
    EXPECT_EQ(wizard.View().prompt,
              "\r\nDeflection calibration constant is : \r\n\r\n\tDeflection :\t0.15066477 µm/bit\r\n");
    double d = 0;
    EXPECT_NE(theRegistry.GetDeflectionConstant(d), 0u);  // nothing before OK
    wizard.Next();
    ASSERT_EQ(ended, std::vector<int>{IDOK});

    ASSERT_EQ(theRegistry.GetDeflectionConstant(d), 0u);
    EXPECT_DOUBLE_EQ(d, 1.5066476733143399e-4);
    ASSERT_EQ(theRegistry.GetDeflectionTopConstant(d), 0u);
    EXPECT_DOUBLE_EQ(d, 1.5384615384615385e-4);
    ASSERT_EQ(theRegistry.GetDeflectionWhtConstant(d), 0u);
    EXPECT_DOUBLE_EQ(d, 1.4814814814814815e-4);
    ASSERT_EQ(theRegistry.GetDeflectionBluConstant(d), 0u);
    EXPECT_DOUBLE_EQ(d, 1.5e-4);
    WORD w = 0;
    ASSERT_EQ(theRegistry.GetDeflectionZero(w), 0u);
    EXPECT_EQ(w, 19000);
    ASSERT_EQ(theRegistry.GetDeflectionWhite(w), 0u);
    EXPECT_EQ(w, 32500);
    ASSERT_EQ(theRegistry.GetForceZero(w), 0u);
    EXPECT_EQ(w, 35800);  // the raw force at Red
    Time64 t = 0;
    EXPECT_EQ(theRegistry.GetLastCalibration(t), 0u);
}

struct GageCase {
    const char* what;
    Levels h;
    bool redMissing;
};

TEST_F(DeflectionWizardTest, AGageBlockNotEnteredOrOutOfOrderEndsAtTheFirstReadingWith406) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const GageCase cases[] = {
        {"two equal levels", {16, 15, 15, 10}, false},
        {"blue of 0", {16, 15, 13, 0}, false},
        {"blue below 0", {16, 15, 13, -1}, false},
        {"reversed", {10, 13, 15, 16}, false},
        {"not a number", {nan, 15, 13, 10}, false},
        {"red missing", {16, 15, 13, 10}, true},
    };
    for (const GageCase& c : cases) {
        StoreGageBlock(c.h);
        if (c.redMissing) {
            // A value of another type reads as missing.
            auto hive = platform::Hive::ForPath(platform::Hive::DefaultPath());
            ASSERT_EQ(hive->SetValue(theRegistry.KeyPath("Gage Block"), "Red",
                                     platform::RegValue{platform::kRegDword, std::string(4, '\0')}),
                      0u);
            double red = 0;
            ASSERT_NE(theRegistry.GetGageBlockRed(red), 0u);
        }
        DeflectionCalibration w(instrument);
        std::vector<int> result;
        w.SetListener({}, [&](int r) { result.push_back(r); });
        w.Start(5);
        ExpectBox(fw::LoadString(406));
        Raw(w, 35800, 19000);
        EXPECT_EQ(result, std::vector<int>{IDCANCEL}) << c.what;
    }
    double d = 0;
    EXPECT_NE(theRegistry.GetDeflectionConstant(d), 0u);
}

TEST_F(DeflectionWizardTest, BackFromTheWhitePromptTakesRedAndBothZerosAgain) {
    StoreGageBlock({16, 15, 13, 10});
    wizard.Start(5);
    Raw(wizard, 35790, 19000);
    wizard.Next();
    wizard.Next();
    Raw(wizard, 35795, 12500);
    wizard.Next();
    Raw(wizard, 1, 2);  // a Red reading taken again below
    ASSERT_EQ(wizard.Step(), 6);
    wizard.Back();
    ASSERT_EQ(wizard.Step(), 4);
    wizard.Next();
    Raw(wizard, 35800, 19000);
    EXPECT_EQ(wizard.RawCounts().red, 19000);
    EXPECT_EQ(wizard.DeflectionZero(), 19000);  // the same value
    EXPECT_EQ(wizard.ForceZero(), 35800);
}

TEST_F(DeflectionWizardTest, CountsThatDoNotRiseShowTheErrorStepAndSaveNothing) {
    StoreGageBlock({16, 15, 13, 10});
    const WORD cases[][4] = {{19000, 19000, 32500, 52500},
                             {12500, 19000, 32500, 32500},
                             {52500, 32500, 19000, 12500},
                             {12500, 32500, 19000, 52500}};
    for (const auto& c : cases) {
        DeflectionCalibration w(instrument);
        ReadLevels(w, c[0], c[1], c[2], c[3]);
        ASSERT_EQ(w.Step(), DeflectionCalibration::kErrorStep) << c[0] << " " << c[1] << " " << c[2];
        EXPECT_EQ(w.View().prompt, "\r\n" + fw::LoadString(DeflectionCalibration::kIdsReadingsUnusable));
        w.Next();  // Retry: the readings from the Top level again
        EXPECT_EQ(w.Step(), 2);
        w.Cancel();
    }
    double d = 0;
    EXPECT_NE(theRegistry.GetDeflectionConstant(d), 0u);
    WORD z = 0;
    EXPECT_NE(theRegistry.GetDeflectionZero(z), 0u);
}

TEST_F(DeflectionWizardTest, AFailedWriteLeavesEveryEarlierValueAsItWas) {
    StoreGageBlock({16, 15, 13, 10});
    ASSERT_EQ(theRegistry.SetForceZero(30000), 0u);
    ASSERT_EQ(theRegistry.SetDeflectionZero(20000), 0u);
    ASSERT_EQ(theRegistry.SetDeflectionConstant(2e-4), 0u);
    ReadLevels(wizard, 12500, 19000, 32500, 52500);
    platform::SetWriteFailureHook([](const std::string&) { return EIO; });
    ExpectBox(fw::LoadString(407));
    wizard.Next();
    platform::SetWriteFailureHook({});
    EXPECT_EQ(ended, std::vector<int>{IDCANCEL});
    WORD w = 0;
    ASSERT_EQ(theRegistry.GetForceZero(w), 0u);
    EXPECT_EQ(w, 30000);
    ASSERT_EQ(theRegistry.GetDeflectionZero(w), 0u);
    EXPECT_EQ(w, 20000);
    double d = 0;
    ASSERT_EQ(theRegistry.GetDeflectionConstant(d), 0u);
    EXPECT_EQ(d, 2e-4);
    EXPECT_NE(theRegistry.GetDeflectionTopConstant(d), 0u);
}

// A settings file that cannot be read is never written over: the save is
// refused, and the box names the file and why instead of the general text.
TEST_F(DeflectionWizardTest, ARefusedSaveNamesTheSettingsFileThatCannotBeRead) {
    StoreGageBlock({16, 15, 13, 10});
    ReadLevels(wizard, 12500, 19000, 32500, 52500);
    const std::string hive = platform::JoinPath(ConfigDir(), "registry.reg");
    ASSERT_EQ(std::remove(hive.c_str()), 0);
    ASSERT_EQ(::mkfifo(hive.c_str(), 0666), 0);
    ExpectBox("The settings were not saved.\n\n" + hive +
              " is not a regular file (a named pipe, a device or a socket) and is not read.\n\n"
              "Nothing is saved over the settings file while it cannot be read.");
    wizard.Next();
    EXPECT_EQ(ended, std::vector<int>{IDCANCEL});
    struct stat st {};
    ASSERT_EQ(::lstat(hive.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

}  // namespace
}  // namespace caltest
