// The verification wizard with scripted readings on a manual clock: the
// start check, the five parts and their verdicts, Force\Zero at once, the
// reference temperature, and one row in the log per verification.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <set>

#include "calibration/VerificationWizard.h"
#include "calibration/tests/support/WizardTestSupport.h"
#include "framework/core/Strings.h"
#include "platform/Clock.h"
#include "platform/Hive.h"
#include "platform/Paths.h"
#include "settings/CQXRegistry.h"

namespace caltest {
namespace {

constexpr Time64 kWhen = 1700000000;  // 2023/11/14 22:13:20 UTC

class VerificationTest : public WizardTest {
protected:
    void SetUp() override {
        WizardTest::SetUp();
        setenv("TZ", "UTC", 1);
        tzset();
        dataDir = PrepareVerification("verification-data");
    }
    void Open() {
        wizard = std::make_unique<Verification>(instrument, clock);
        wizard->SetTimeSource([] { return kWhen; });
        wizard->SetListener({}, [&](int r) { ended.push_back(r); });
        wizard->Start(7);
    }
    std::string Log() {
        std::string s;
        return platform::ReadWholeFile(wizard->LogPath(), s) == 0 ? s : "missing";
    }
    Verification& W() { return *wizard; }
    void At(int step) { ASSERT_EQ(W().Step(), step); }
    void Next() { W().Next(); }
    void Read(float force, float deflection) { Reading(W(), force, deflection); }

    // Through the gage block with these deflections at Top, Red, White, Blue.
    void GageBlock(float top, float red, float white, float blue) {
        Read(0, 0);
        At(1);
        Next();
        Next();
        Read(0, top);
        At(4);
        Next();
        Raw(W(), 23456, 0, 0.4f, red);
        At(6);
        Next();
        Read(0, white);
        Next();
        Read(0, blue);
        At(Verification::kGageResultStep);
    }
    // Both drop tests, passing.
    void AirBearing() {
        Next();
        At(11);
        Read(35.2f, 5.62f);
        Next();
        Read(35.2f, -2.5f);
        At(13);
        Read(35.0f, 5.63f);
        At(14);
        Read(35.1f, 5.625f);
        At(15);
        Read(0, -2.49f);
        Next();
        Read(0, 2.25f);
        Next();
        At(17);
        Read(19.6f, 7.0f);
        At(18);
        Read(19.6f, 7.0f);
        At(Verification::kAirBearingResultStep);
    }
    // The load cell with these readings, from the air-bearing result or
    // from its own first step.
    void LoadCell(float contact, float with2, float with4, float contact2, float with100, float zero) {
        if (W().Step() == Verification::kAirBearingResultStep) Next();
        At(20);
        Read(contact, 6.0f);
        Next();
        Next();
        Read(with2, 6.0f);
        At(23);
        Next();
        Read(with4, 6.0f);
        At(25);
        Read(contact2, 6.0f);
        Next();
        Next();
        Read(with100, 6.2f);
        At(28);
        Next();
        Read(zero, 0.0f);
        At(Verification::kLoadCellResultStep);
    }
    void Temperature(const std::string& text) {
        Next();
        At(Verification::kTemperatureStep);
        W().SetReferenceText(text);
        Next();
    }
    void PassingRun() {
        Open();
        GageBlock(-1.002f, 0.003f, 2.011f, 4.990f);
        AirBearing();
        LoadCell(20.3f, 39.9f, 59.4f, 20.1f, 1000.9f, -0.7f);
        Temperature("-12.08");
        At(Verification::kOverviewStep);
    }

    platform::ManualClock clock{5000};
    std::string dataDir;
    std::unique_ptr<Verification> wizard;
    std::vector<int> ended;
};

const std::string kRow =
    "2023/11/14 22:13:20, -12.0, -12.0, -12.1, 0 ,Pass,Pass,-1.002, 0.003, 2.011, 4.990, 40, 59, 1001,-1 "
    ",Pass\r\n";

TEST_F(VerificationTest, APassingVerificationWritesOneRowAndEndsWithOk) {
    PassingRun();
    EXPECT_EQ(W().View().prompt,
              "Overview :\r\n\r\nDisplacement Transducer Verification : Pass\r\nAir Bearing Verification : "
              "Pass\r\nLoad Cell Verfication : Pass\r\nTemperature Verification : Pass");
    EXPECT_EQ(Log(), "missing");
    Next();
    At(Verification::kSavingStep);
    EXPECT_EQ(W().View().nextCaption, "&OK");
    EXPECT_FALSE(W().View().nextEnabled);
    EXPECT_FALSE(W().View().backEnabled);
    // The row is in the log as the step shows, before OK.
    EXPECT_TRUE(W().Saved());
    const std::string log = Log();
    ASSERT_GT(log.size(), kRow.size());
    EXPECT_EQ(log.substr(log.size() - kRow.size()), kRow);
    EXPECT_EQ(log.rfind("Date/Time of Verfication,Target Temp (\xB0"
                        "C),",
                        0),
              0u);
    Read(0, 0);
    At(Verification::kSavedStep);
    EXPECT_EQ(W().View().prompt, "Saved results in \r\n" + dataDir + "/verificationFile.csv");
    EXPECT_EQ(W().View().nextCaption, "&OK");
    EXPECT_TRUE(W().View().backEnabled);
    const int removals = instrument.removals;
    Next();
    EXPECT_EQ(ended, std::vector<int>{IDOK});
    EXPECT_EQ(instrument.removals, removals + 1);
}

TEST_F(VerificationTest, PromptsCarryTheirPartsHeadingAndResultsTheirValues) {
    Open();
    EXPECT_EQ(W().View().prompt, "\r\n\r\n" + fw::LoadString(200));
    Read(0, 0);
    EXPECT_EQ(W().View().prompt, "\r\n\r\n" + fw::LoadString(851));
    EXPECT_FALSE(W().View().backEnabled);
    Next();
    EXPECT_EQ(W().View().prompt, fw::LoadString(800) + "\r\n\r\n" + fw::LoadString(203));
    Next();
    EXPECT_EQ(W().View().prompt, fw::LoadString(800) + "\r\n\r\n" + fw::LoadString(206));
    Read(0, -1.0f);
    Next();
    Read(0, 0.0f);
    Next();
    Read(0, 2.0f);
    Next();
    Read(0, 5.02f);
    EXPECT_EQ(
        W().View().prompt,
        "Gage Block Results :\r\n\r\nTop :\tTarget=-1.000,\tActual=-1.000,\tPass\r\nRed :\tTarget=0.000,\t"
        "Actual=0.000,\tPass\r\nWhite :\tTarget=2.000,\tActual=2.000,\tPass\r\nBlue :\tTarget=5.000,\t"
        "Actual=5.020,\tFail");
    EXPECT_TRUE(W().DisplacementFailed());
    Next();
    EXPECT_EQ(W().View().prompt, fw::LoadString(801) + "\r\n\r\n" + fw::LoadString(852));
}

// Reading and waiting steps neither beep nor take the buttons; prompts and
// results beep with both buttons (the first prompt Next only); the
// lifted-platform prompt beeps with both buttons off. Next takes the focus
// only from nobody.
TEST_F(VerificationTest, BeepsAndButtonsFollowTheKindOfStep) {
    struct Shown {
        int step;
        bool next, back, beep;
    };
    std::vector<Shown> shown;
    size_t lastBeeps = 0;
    Open();
    W().SetStepListener([&](int step) {
        shown.push_back({step, W().View().nextEnabled, W().View().backEnabled, beeps.Count() > lastBeeps});
        lastBeeps = beeps.Count();
        EXPECT_FALSE(W().View().nextTakesFocus) << step;
        EXPECT_EQ(W().View().nextIsDefault, W().View().nextEnabled) << step;
    });
    GageBlock(-1.002f, 0.003f, 2.011f, 4.990f);
    AirBearing();
    LoadCell(20.3f, 39.9f, 59.4f, 20.1f, 1000.9f, -0.7f);
    Temperature("-12.08");
    Next();
    Read(0, 0);
    const std::set<int> waiting = {3, 5, 7, 9, 13, 14, 17, 18, 22, 24, 27, 29, 33};
    std::set<int> seen;
    for (const Shown& s : shown) {
        seen.insert(s.step);
        const bool wait = waiting.count(s.step) > 0;
        EXPECT_EQ(s.next, !wait && s.step != 12) << s.step;
        EXPECT_EQ(s.back, !wait && s.step != 12 && s.step != 1) << s.step;
        EXPECT_EQ(s.beep, !wait) << s.step;
    }
    EXPECT_EQ(seen.size(), 34u);  // 1 to 34; 0 was shown before the listener
}

TEST_F(VerificationTest, ForceZeroIsWrittenAtTheRedLevelAndStaysAfterCancel) {
    ASSERT_EQ(theRegistry.SetForceZero(100), 0u);
    Open();
    Read(0, 0);
    Next();
    Next();
    Read(0, -1.0f);
    Next();
    Raw(W(), 23456, 0, 0.4f, 0.0f);
    At(6);
    WORD zero = 0;
    ASSERT_EQ(theRegistry.GetForceZero(zero), 0u);
    EXPECT_EQ(zero, 23456);
    W().Cancel();
    EXPECT_EQ(ended, std::vector<int>{IDCANCEL});
    ASSERT_EQ(theRegistry.GetForceZero(zero), 0u);
    EXPECT_EQ(zero, 23456);
    EXPECT_EQ(Log(), "missing");
}

TEST_F(VerificationTest, AFailedForceZeroWriteIsPassedOver) {
    Open();
    Read(0, 0);
    Next();
    Next();
    Read(0, -1.0f);
    Next();
    platform::SetWriteFailureHook([](const std::string&) { return EIO; });
    Read(0.4f, 0.0f);
    platform::SetWriteFailureHook({});
    At(6);
}

struct StartCase {
    const char* name;
    double top, red, white, blue;
    int mode;
    float temperature;
    UINT box;  // 0: the wizard goes on
};

void PrintTo(const StartCase& c, std::ostream* os) {
    *os << c.name;
}

class StartCheckTest : public VerificationTest, public ::testing::WithParamInterface<StartCase> {};

TEST_P(StartCheckTest, TheFirstReadingChecksGageBlockControlAndBath) {
    const StartCase& c = GetParam();
    ASSERT_EQ(theRegistry.SetGageBlockTop(c.top), 0u);
    ASSERT_EQ(theRegistry.SetGageBlockRed(c.red), 0u);
    ASSERT_EQ(theRegistry.SetGageBlockWhite(c.white), 0u);
    ASSERT_EQ(theRegistry.SetGageBlockBlue(c.blue), 0u);
    instrument.readings.mode = c.mode;
    instrument.readings.temperature.m_data = c.temperature;
    Open();
    if (c.box == 541)
        ExpectBox(
            "WARNING! - Temperature out of tolerance (\xC2\xB1 0.1 \xC2\xB0"
            "C)");
    else if (c.box)
        ExpectBox(fw::LoadString(c.box));
    Read(0, 0);
    if (c.box) {
        EXPECT_EQ(ended, std::vector<int>{IDCANCEL});
        EXPECT_EQ(W().Busy(), false);
    } else {
        EXPECT_TRUE(ended.empty());
        At(1);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, StartCheckTest,
                         ::testing::Values(StartCase{"InOrder", 16, 15, 13, 10, 1, -12.04f, 0},
                                           StartCase{"TwoEqualLevels", 16, 15, 15, 10, 1, -12.04f, 0},
                                           StartCase{"AllZero", 0, 0, 0, 0, 1, -12.04f, 0},
                                           StartCase{"BathExactlyATenthOff", 16, 15, 13, 10, 1, -12.1f, 0},
                                           StartCase{"OutOfOrder", 15, 16, 13, 10, 1, -12.04f, 406},
                                           StartCase{"BlueBelowZero", 16, 15, 13, -0.5, 1, -12.04f, 406},
                                           StartCase{"NotANumber", 16, std::nan(""), 13, 10, 1, -12.04f, 406},
                                           StartCase{"ControlOff", 16, 15, 13, 10, 0, -12.04f, 534},
                                           StartCase{"CoolingOnly", 16, 15, 13, 10, 2, -12.04f, 534},
                                           StartCase{"BathOff", 16, 15, 13, 10, 1, -12.15f, 541}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(VerificationTest, AMissingGageLevelOrBathSetPointEndsTheWizard) {
    auto hive = platform::Hive::ForPath(platform::JoinPath(ConfigDir(), "registry.reg"));
    ASSERT_EQ(hive->SetValue(theRegistry.KeyPath("Gage Block"), "White",
                             platform::RegValue{platform::kRegDword, std::string(4, '\0')}),
              0u);
    Open();
    ExpectBox(fw::LoadString(406));
    Read(0, 0);
    EXPECT_EQ(ended, std::vector<int>{IDCANCEL});
}

TEST_F(VerificationTest, AMissingBathSetPointEndsTheWizard) {
    auto hive = platform::Hive::ForPath(platform::JoinPath(ConfigDir(), "registry.reg"));
    ASSERT_EQ(hive->SetValue(theRegistry.KeyPath(""), "Test Bath",
                             platform::RegValue{platform::kRegDword, std::string(4, '\0')}),
              0u);
    Open();
    ExpectBox(
        "WARNING! - Temperature out of tolerance (\xC2\xB1 0.1 \xC2\xB0"
        "C)");
    Read(0, 0);
    EXPECT_EQ(ended, std::vector<int>{IDCANCEL});
}

TEST_F(VerificationTest, ALostInstrumentIsReportedAndEndsTheWizard) {
    Open();
    Read(0, 0);
    instrument.status = 55;
    ExpectBox("status 55\n\n");
    instrument.Frame(0, 0);
    W().OnInstrumentUpdate();
    EXPECT_EQ(ended, std::vector<int>{IDCANCEL});
}

// A gage deflection exactly 0.015 mm off its target passes; more fails.
TEST_F(VerificationTest, GageLevelsPassWithinFifteenMicrometres) {
    Open();
    GageBlock(-1.015f, 0.015f, 1.985f, 5.0151f);
    EXPECT_NE(W().View().prompt.find("Top :\tTarget=-1.000,\tActual=-1.015,\tPass"), std::string::npos);
    EXPECT_NE(W().View().prompt.find("Red :\tTarget=0.000,\tActual=0.015,\tPass"), std::string::npos);
    EXPECT_NE(W().View().prompt.find("White :\tTarget=2.000,\tActual=1.985,\tPass"), std::string::npos);
    EXPECT_NE(W().View().prompt.find("Blue :\tTarget=5.000,\tActual=5.015,\tFail"), std::string::npos);
    EXPECT_TRUE(W().DisplacementFailed());
    // Back and the Blue level again: the verdict is built afresh.
    W().Back();
    Next();
    Read(0, 5.01f);
    EXPECT_FALSE(W().DisplacementFailed());
}

TEST_F(VerificationTest, TheLiftedPlatformAndTheFallAreWaitedFor) {
    Open();
    GageBlock(-1.0f, 0.0f, 2.0f, 5.0f);
    Next();
    Read(35.2f, 5.62f);
    Next();
    At(12);
    Read(35.2f, 5.62f);
    At(12);
    Read(0, 0.0f);
    At(12);  // not below zero yet
    Read(0, -2.5f);
    At(13);
    Read(0, -2.5f);
    At(13);
    Read(0, 0.0f);
    At(13);
    Read(35.1f, 5.61f);
    At(14);
}

// The steel beam must come back within 0.015 mm and 5 mN of where it was;
// a return that never settles fails at the first reading after 10000 ms.
TEST_F(VerificationTest, ASteelBeamThatNeverSettlesFailsAfterTenSeconds) {
    Open();
    GageBlock(-1.0f, 0.0f, 2.0f, 5.0f);
    Next();
    Read(35.0f, 5.600f);
    Next();
    Read(0, -2.5f);
    Read(30.0f, 5.650f);
    At(14);
    clock.Advance(Verification::kSteelBeamWaitMs);
    Read(30.0f, 5.650f);
    At(14);
    clock.Advance(1);
    Read(30.0f, 5.650f);
    At(15);
    EXPECT_TRUE(W().SteelBeamFailed());
}

TEST_F(VerificationTest, ASteelBeamBackWithinTheLimitsPasses) {
    struct Case {
        float force, deflection;
        bool passes;
    } cases[] = {
        {40.0f, 5.615f, true}, {30.0f, 5.585f, true}, {40.1f, 5.600f, false}, {35.0f, 5.616f, false}};
    for (const Case& c : cases) {
        ended.clear();
        Open();
        GageBlock(-1.0f, 0.0f, 2.0f, 5.0f);
        Next();
        Read(35.0f, 5.600f);
        Next();
        Read(0, -2.5f);
        Read(c.force, c.deflection);
        Read(c.force, c.deflection);
        EXPECT_EQ(W().Step(), c.passes ? 15 : 14) << c.force << " " << c.deflection;
        if (c.passes) {
            EXPECT_FALSE(W().SteelBeamFailed());
        }
    }
}

// Free float: the 2 g mass must move the shaft more than 1 mm; then it must
// stay above the negative limit less 0.015 mm, or fail after 3000 ms.
TEST_F(VerificationTest, TheFreeFloatDropTest) {
    Open();
    GageBlock(-1.0f, 0.0f, 2.0f, 5.0f);
    AirBearing();
    EXPECT_EQ(W().View().prompt,
              "Air Bearing Results :\r\n\r\nSteel Beam Drop Test : Pass\r\nFree Float Drop Test : Pass");
    W().Back();
    At(15);
    Read(0, -2.49f);
    Next();
    Read(0, 2.25f);
    Next();
    At(17);
    Read(19.6f, 3.25f);
    At(17);  // exactly 1 mm is not more
    Read(19.6f, 3.26f);
    At(18);
    Read(19.6f, -2.51f);
    At(18);  // still waiting: not above -2.505
    clock.Advance(Verification::kFreeFloatWaitMs);
    Read(19.6f, -2.51f);
    At(18);
    clock.Advance(1);
    Read(19.6f, -2.51f);
    At(Verification::kAirBearingResultStep);
    EXPECT_TRUE(W().FreeFloatFailed());
    EXPECT_FALSE(W().SteelBeamFailed());
    EXPECT_EQ(W().View().prompt,
              "Air Bearing Results :\r\n\r\nSteel Beam Drop Test : Pass\r\nFree Float Drop Test : Fail");
}

// A load increase exactly 5 mN off its nominal value fails.
TEST_F(VerificationTest, LoadCellIncreasesWithinFiveMillinewtons) {
    Open();
    GageBlock(-1.0f, 0.0f, 2.0f, 5.0f);
    AirBearing();
    LoadCell(20.0f, 44.9f, 55.0f, 21.0f, 1006.9f, 4.99f);
    EXPECT_EQ(
        W().View().prompt,
        "Load Cell Results :\r\n\r\nContact Load :\r\n\tLoad increase with 2g mass : 25mN - Pass\r\n\tLoad "
        "increase with 4g mass : 35mN - Fail\r\nTest Load :\r\n\tLoad increase with 100g mass : 986mN - "
        "Pass\r\nZero Load Cell Verification : Pass");
    EXPECT_TRUE(W().LoadCellFailed());
    W().Back();  // to the 2 g step of the part
    At(20);
    LoadCell(20.0f, 39.0f, 59.0f, 20.0f, 1001.0f, -5.0f);
    EXPECT_NE(W().View().prompt.find("100g mass : 981mN - Pass\r\nZero Load Cell Verification : Fail"),
              std::string::npos);
    EXPECT_TRUE(W().LoadCellFailed());
    W().Back();
    LoadCell(20.0f, 39.0f, 59.0f, 20.0f, 1001.0f, -4.9f);
    EXPECT_FALSE(W().LoadCellFailed());
}

// The reference thermometer's reading: empty or anything that is no number
// gets message 164 and step 31 again. Any number is a reading, judged
// against the bath.
TEST_F(VerificationTest, TheReferenceTemperatureMustBeAReading) {
    Open();
    GageBlock(-1.0f, 0.0f, 2.0f, 5.0f);
    AirBearing();
    LoadCell(20.0f, 40.0f, 60.0f, 20.0f, 1001.0f, 0.0f);
    Next();
    const std::string tooLarge = "1" + std::string(40, '0');
    for (const std::string& text :
         {std::string(""), std::string("  "), std::string("abc"), std::string("-12,1"),
          std::string("-12.1.1"), std::string("1e1"), std::string("inf"), std::string("nan"), tooLarge}) {
        W().SetReferenceText(text);
        beeps.Clear();
        ExpectBox(fw::LoadString(164));
        Next();
        At(Verification::kTemperatureStep);
        EXPECT_GE(beeps.Count(), 1u) << text;
        EXPECT_EQ(beeps.Beeps()[0], fw::BEEP_SIMPLE);
    }
    // Far from the bath, outside the temperature calibration's -48..28: a
    // reading all the same, and a failed verdict.
    for (const char* text : {"-49", "28.01"}) {
        W().SetReferenceText(text);
        Next();
        At(Verification::kOverviewStep);
        EXPECT_FALSE(W().TemperaturePassed()) << text;
        EXPECT_NE(W().View().prompt.find("Temperature Verification : Fail"), std::string::npos);
        W().Back();
    }
    W().SetReferenceText(" -12.14 ");
    Next();
    At(Verification::kOverviewStep);
    EXPECT_TRUE(W().TemperaturePassed());
}

// The temperature verdict counts in the overview, not in the row's overall.
TEST_F(VerificationTest, AFailedTemperatureShowsInTheOverviewButNotInTheOverall) {
    Open();
    GageBlock(-1.0f, 0.0f, 2.0f, 5.0f);
    AirBearing();
    LoadCell(20.0f, 40.0f, 60.0f, 20.0f, 1001.0f, 0.0f);
    Temperature("-11.9");
    EXPECT_FALSE(W().TemperaturePassed());
    EXPECT_NE(W().View().prompt.find("Temperature Verification : Fail"), std::string::npos);
    Next();
    const std::string log = Log();
    EXPECT_EQ(log.substr(log.size() - 7), ",Pass\r\n");
    EXPECT_NE(log.find(", -11.9,"), std::string::npos);
}

TEST_F(VerificationTest, AFailedPartMakesTheOverallFail) {
    ASSERT_EQ(theRegistry.SetGageBlockTop(16.05), 0u);  // the wrong height
    Open();
    GageBlock(-1.0f, 0.0f, 2.0f, 5.0f);
    AirBearing();
    LoadCell(20.0f, 40.0f, 60.0f, 20.0f, 1001.0f, 0.0f);
    Temperature("-12.0");
    EXPECT_NE(W().View().prompt.find("Displacement Transducer Verification : Fail"), std::string::npos);
    Next();
    const std::string log = Log();
    EXPECT_EQ(log.substr(log.size() - 7), ",Fail\r\n");
}

// Back from the saved step and Next append the verification again; the
// next verification gets a row of its own, no header.
TEST_F(VerificationTest, EachPassThroughTheSavingStepAppendsARow) {
    PassingRun();
    Next();
    Read(0, 0);
    At(Verification::kSavedStep);
    const std::string once = Log();
    W().Back();
    At(Verification::kOverviewStep);
    Next();
    EXPECT_EQ(Log(), once + kRow);
    Read(0, 0);
    At(Verification::kSavedStep);
    EXPECT_EQ(W().View().prompt.rfind("Saved results in", 0), 0u);
    Next();
    PassingRun();
    Next();
    const std::string thrice = Log();
    EXPECT_EQ(thrice, once + kRow + kRow);
    EXPECT_EQ(thrice.find("Date/Time"), thrice.rfind("Date/Time"));
}

// Measured again after the row was written (the zero load cell and the
// reference thermometer): the new row holds the verification as it now
// stands, every value of it, below the first.
TEST_F(VerificationTest, ARemeasuredVerificationIsAppendedAsItNowStands) {
    PassingRun();
    Next();
    Read(0, 0);
    At(Verification::kSavedStep);
    const std::string first = Log();
    ASSERT_EQ(first.substr(first.size() - kRow.size()), kRow);
    W().Back();
    At(Verification::kOverviewStep);
    W().Back();
    At(Verification::kTemperatureStep);
    W().Back();
    At(28);
    Next();
    Read(6.2f, 0.0f);  // the zero load cell, now off by more than 5 mN
    At(Verification::kLoadCellResultStep);
    EXPECT_TRUE(W().LoadCellFailed());
    Next();
    W().SetReferenceText("-11.87");
    Next();
    At(Verification::kOverviewStep);
    EXPECT_EQ(W().View().prompt,
              "Overview :\r\n\r\nDisplacement Transducer Verification : Pass\r\nAir Bearing Verification : "
              "Pass\r\nLoad Cell Verfication : Fail\r\nTemperature Verification : Fail");
    W().SetTimeSource([] { return kWhen + 75; });
    Next();
    EXPECT_TRUE(W().Saved());
    EXPECT_EQ(Log(),
              first +
                  "2023/11/14 22:14:35, -12.0, -12.0, -11.9, 0 ,Pass,Pass,-1.002, 0.003, 2.011, 4.990, 40, "
                  "59, 1001, 6 ,Fail\r\n");
    Read(0, 0);
    At(Verification::kSavedStep);
    EXPECT_EQ(W().View().prompt, "Saved results in \r\n" + dataDir + "/verificationFile.csv");
}

// A row that could not be written says so, and goes in when tried again.
TEST_F(VerificationTest, AFailedWriteSays870AndTheRowCanBeSavedAgain) {
    const std::string earlier = "earlier rows\r\n";
    ASSERT_EQ(platform::WriteFileAtomic(platform::JoinPath(dataDir, "verificationFile.csv"), earlier), 0u);
    PassingRun();
    platform::SetWriteFailureHook([](const std::string&) { return EACCES; });
    Next();
    Read(0, 0);
    platform::SetWriteFailureHook({});
    At(Verification::kSavedStep);
    EXPECT_FALSE(W().Saved());
    EXPECT_EQ(W().View().prompt, fw::LoadString(870));
    EXPECT_EQ(Log(), earlier);
    W().Back();
    Next();
    EXPECT_TRUE(W().Saved());
    EXPECT_EQ(Log(), earlier + kRow);
    Read(0, 0);
    EXPECT_EQ(W().View().prompt.rfind("Saved results in", 0), 0u);
    // A later pass that cannot write says so, though an earlier one could.
    W().Back();
    platform::SetWriteFailureHook([](const std::string&) { return ENOSPC; });
    Next();
    platform::SetWriteFailureHook({});
    EXPECT_FALSE(W().Saved());
    Read(0, 0);
    At(Verification::kSavedStep);
    EXPECT_EQ(W().View().prompt, fw::LoadString(870));
    EXPECT_EQ(Log(), earlier + kRow);
}

// The log's folder comes from the default program key, whatever key the
// station runs under.
TEST_F(VerificationTest, TheLogGoesToTheDefaultKeysDataDirectory) {
    theRegistry.SetProgramKey("OtherStation");
    ASSERT_EQ(theRegistry.SetTestDirectory("/elsewhere"), 0u);
    Open();
    EXPECT_EQ(W().LogPath(), dataDir + "/verificationFile.csv");
    theRegistry.SetProgramKey("RYXw");
}

TEST_F(VerificationTest, WithoutADataDirectoryTheLogIsInTheCurrentDirectory) {
    ASSERT_EQ(theRegistry.SetTestDirectory(""), 0u);
    Open();
    EXPECT_EQ(W().LogPath(), "verificationFile.csv");
}

}  // namespace
}  // namespace caltest
