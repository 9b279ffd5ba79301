// The temperature calibration without its window: the offset of the
// set-point's degree stored with its date, clear-all, the confirmation, and
// every failure said and nothing half-stored.
#include <gtest/gtest.h>

#include <cerrno>
#include <ctime>

#include "calibration/CTempOffset.h"
#include "calibration/tests/support/WizardTestSupport.h"
#include "framework/core/Strings.h"
#include "platform/Hive.h"
#include "platform/Paths.h"
#include "settings/CQXRegistry.h"

namespace caltest {
namespace {

class ScriptedBath final : public TempOffsetInstrument {
public:
    double uncorrected = -24.0;
    BOOL answers = TRUE;
    BOOL reloadResult = TRUE;
    int reloads = 0;
    BOOL GetUncorrectedTemperature(double& out) override {
        if (answers) out = uncorrected;
        return answers;
    }
    BOOL ReloadTemperatureEquation() override {
        ++reloads;
        return reloadResult;
    }
};

using Outcome = TempOffsetCalibration::Outcome;
constexpr UINT kYesNoQuestion = MB_YESNO | MB_ICONQUESTION;

class TempOffsetTest : public WizardTest {
protected:
    void SetUp() override {
        WizardTest::SetUp();
        ASSERT_EQ(theRegistry.SetTestBath(-24.0), 0u);
    }
    std::string Offsets() {
        unsigned char b[CQXRegistry::kOffsetsSize];
        const unsigned e = theRegistry.GetTemperatureOffsets(b, sizeof b);
        return e ? "error " + std::to_string(e) : std::string(reinterpret_cast<char*>(b), sizeof b);
    }
    std::string Dates() {
        unsigned char b[CQXRegistry::kOffsetDatesSize];
        const unsigned e = theRegistry.GetTemperatureOffsetDates(b, sizeof b);
        return e ? "error " + std::to_string(e) : std::string(reinterpret_cast<char*>(b), sizeof b);
    }
    // Every degree uncalibrated but index with the two bytes given.
    static std::string Block(size_t index, unsigned char lo, unsigned char hi) {
        std::string s;
        for (size_t i = 0; i < 66; ++i)
            s += i == index ? std::string{char(lo), char(hi)} : std::string("\xFF\x7F");
        return s;
    }
    void Confirm(const std::string& text, int answer = IDYES) {
        ExpectBox(fw::FormatString1(264, text), answer);
    }
    void ExpectFailure() { ExpectBox(fw::LoadString(257)); }

    ScriptedBath bath;
    TempOffsetCalibration calibration{bath};
};

TEST_F(TempOffsetTest, AReferenceBelowTheBathReadingStoresItsHundredthsAtTheSetPointsDegree) {
    Confirm("-24.12");
    const Time64 before = static_cast<Time64>(std::time(nullptr));
    EXPECT_EQ(calibration.OnOK(false, "-24.12", true), Outcome::kEnd);
    const Time64 after = static_cast<Time64>(std::time(nullptr));
    // Degree -24 is entry 16: bytes 32-33, -12 as F4 FF.
    EXPECT_EQ(Offsets(), Block(16, 0xF4, 0xFF));
    const std::string dates = Dates();
    ASSERT_EQ(dates.size(), 528u);
    Time64 date = 0;
    for (int k = 7; k >= 0; --k) date = (date << 8) | static_cast<unsigned char>(dates[16 * 8 + k]);
    EXPECT_GE(date, before);
    EXPECT_LE(date, after);
    EXPECT_EQ(bath.reloads, 1);
    EXPECT_EQ(beeps.Count(), 0u);
    EXPECT_EQ(boxes.Boxes()[0].type, kYesNoQuestion);
}

TEST_F(TempOffsetTest, ClearAllEmptiesTheBlockAndAReloadWithoutOffsetsIsNoFailure) {
    Confirm("-24.12");
    ASSERT_EQ(calibration.OnOK(false, "-24.12", true), Outcome::kEnd);
    ExpectBox(fw::LoadString(254), IDYES);
    bath.reloadResult = FALSE;  // no offset for the set-point any more
    EXPECT_EQ(calibration.OnOK(true, "", false), Outcome::kEnd);
    EXPECT_EQ(boxes.Boxes()[1].type, kYesNoQuestion | MB_DEFBUTTON2);
    EXPECT_EQ(Offsets(), "error 232");
    EXPECT_EQ(bath.reloads, 2);
    EXPECT_EQ(beeps.Count(), 0u);
}

TEST_F(TempOffsetTest, NoToClearAllKeepsTheOffsetsAndGoesOnWithTheReading) {
    Confirm("-24.12");
    ASSERT_EQ(calibration.OnOK(false, "-24.12", true), Outcome::kEnd);
    ExpectBox(fw::LoadString(254), IDNO);
    Confirm("-23.95");
    bath.uncorrected = -24.0;
    ASSERT_EQ(calibration.OnOK(true, "-23.95", true), Outcome::kEnd);
    EXPECT_EQ(Offsets(), Block(16, 5, 0));
}

TEST_F(TempOffsetTest, ClearThenStoreLeavesOnlyTheNewDegree) {
    ASSERT_EQ(theRegistry.SetTestBath(-12.0), 0u);
    bath.uncorrected = -12.0;
    Confirm("-12.3");
    ASSERT_EQ(calibration.OnOK(false, "-12.3", true), Outcome::kEnd);
    ASSERT_EQ(theRegistry.SetTestBath(-24.0), 0u);
    bath.uncorrected = -24.0;
    ExpectBox(fw::LoadString(254), IDYES);
    Confirm("-24.12");
    ASSERT_EQ(calibration.OnOK(true, "-24.12", true), Outcome::kEnd);
    EXPECT_EQ(Offsets(), Block(16, 0xF4, 0xFF));
}

TEST_F(TempOffsetTest, AFailedClearIsSaidAndNothingMoreIsDone) {
    Confirm("-24.12");
    ASSERT_EQ(calibration.OnOK(false, "-24.12", true), Outcome::kEnd);
    ExpectBox(fw::LoadString(254), IDYES);
    ExpectFailure();
    platform::SetWriteFailureHook([](const std::string&) { return EIO; });
    EXPECT_EQ(calibration.OnOK(true, "-24.05", true), Outcome::kEnd);
    platform::SetWriteFailureHook({});
    EXPECT_EQ(Offsets(), Block(16, 0xF4, 0xFF));
    EXPECT_EQ(beeps.Beeps(), std::vector<UINT>{fw::BEEP_SIMPLE});
    EXPECT_EQ(bath.reloads, 1);
}

TEST_F(TempOffsetTest, NoToTheConfirmationStaysWithNothingStored) {
    Confirm("-24.12", IDNO);
    EXPECT_EQ(calibration.OnOK(false, "-24.12", true), Outcome::kStay);
    EXPECT_EQ(beeps.Beeps(), std::vector<UINT>{fw::BEEP_SIMPLE});
    EXPECT_EQ(Offsets(), "error 232");
    EXPECT_EQ(bath.reloads, 0);
}

TEST_F(TempOffsetTest, AnUntouchedOrEmptyReadingEndsTheDialog) {
    EXPECT_EQ(calibration.OnOK(false, "-24.12", false), Outcome::kEnd);
    EXPECT_EQ(calibration.OnOK(false, "", true), Outcome::kEnd);
    EXPECT_EQ(Offsets(), "error 232");
    EXPECT_EQ(beeps.Count(), 0u);
}

// Text that is no reading inside the entry's limits (pasted, or a field
// set by the program) is not confirmed: a beep, and the dialog stays.
TEST_F(TempOffsetTest, TextThatIsNoReadingInTheLimitsStays) {
    for (const char* text :
         {"abc", "-24.1x", "-24,12", "--24", "-48.01", "28.5", "1e1", "0x10", "nan", "-", "."}) {
        beeps.Clear();
        EXPECT_EQ(calibration.OnOK(false, text, true), Outcome::kStay) << text;
        EXPECT_EQ(beeps.Count(), 1u) << text;
    }
    EXPECT_EQ(Offsets(), "error 232");
}

// The reading is rounded to hundredths first; exactly 3 degC off is inside.
TEST_F(TempOffsetTest, AReadingMoreThanThreeDegreesOffIsRefusedWith538) {
    struct Case {
        const char* text;
        bool stored;
    } cases[] = {{"-27", true},     {"-27.004", true}, {"-21", true},
                 {"-27.01", false}, {"-20.99", false}, {"-27.006", false}};
    for (const Case& c : cases) {
        ASSERT_EQ(theRegistry.SetTemperatureOffsets(nullptr, 0), 0u);
        beeps.Clear();
        Confirm(c.text);
        if (!c.stored) ExpectBox(fw::LoadString(538));
        EXPECT_EQ(calibration.OnOK(false, c.text, true), Outcome::kEnd) << c.text;
        EXPECT_EQ(Offsets() != "error 232", c.stored) << c.text;
        EXPECT_EQ(beeps.Count(), c.stored ? 0u : 1u) << c.text;
    }
}

TEST_F(TempOffsetTest, MissingSetPointOrSilentInstrumentStoresNothingAndSays257) {
    bath.answers = FALSE;
    Confirm("-24.12");
    ExpectFailure();
    EXPECT_EQ(calibration.OnOK(false, "-24.12", true), Outcome::kEnd);
    EXPECT_EQ(Offsets(), "error 232");
    EXPECT_EQ(Dates(), "error 232");

    bath.answers = TRUE;
    auto hive = platform::Hive::ForPath(platform::JoinPath(ConfigDir(), "registry.reg"));
    ASSERT_EQ(hive->SetValue(theRegistry.KeyPath(""), "Test Bath",
                             platform::RegValue{platform::kRegDword, std::string(4, '\0')}),
              0u);
    Confirm("-24.12");
    ExpectFailure();
    EXPECT_EQ(calibration.OnOK(false, "-24.12", true), Outcome::kEnd);
    EXPECT_EQ(Offsets(), "error 232");
    EXPECT_EQ(bath.reloads, 0);
}

// A set-point the table has no degree for: said, nothing stored, no throw.
TEST_F(TempOffsetTest, ASetPointOutsideTheTableSays257) {
    for (double setPoint : {-40.6, 25.5, 26.0}) {
        ASSERT_EQ(theRegistry.SetTestBath(setPoint), 0u);
        bath.uncorrected = setPoint;
        const std::string text = setPoint < 0 ? "-40.5" : "25.6";
        Confirm(text);
        ExpectFailure();
        EXPECT_EQ(calibration.OnOK(false, text, true), Outcome::kEnd) << setPoint;
    }
    EXPECT_EQ(Offsets(), "error 232");
    EXPECT_EQ(Dates(), "error 232");
}

// The offset and its date go in one write: a failure leaves both as they were.
TEST_F(TempOffsetTest, AFailedWriteLeavesOffsetsAndDatesAsTheyWere) {
    Confirm("-24.12");
    ASSERT_EQ(calibration.OnOK(false, "-24.12", true), Outcome::kEnd);
    const std::string offsets = Offsets(), dates = Dates();
    ASSERT_EQ(theRegistry.SetTestBath(-12.0), 0u);
    bath.uncorrected = -12.0;
    Confirm("-12.2");
    ExpectFailure();
    platform::SetWriteFailureHook([](const std::string&) { return ENOSPC; });
    EXPECT_EQ(calibration.OnOK(false, "-12.2", true), Outcome::kEnd);
    platform::SetWriteFailureHook({});
    EXPECT_EQ(Offsets(), offsets);
    EXPECT_EQ(Dates(), dates);
}

TEST_F(TempOffsetTest, ADamagedOffsetsBlockIsNotOverwritten) {
    ASSERT_EQ(theRegistry.SetTemperatureOffsets("\x01\x02\x03", 3), 0u);
    Confirm("-24.12");
    ExpectFailure();
    EXPECT_EQ(calibration.OnOK(false, "-24.12", true), Outcome::kEnd);
    EXPECT_EQ(Offsets(), "error 1012");
}

// A stored offset is not reported as unsaved when only the reload failed.
TEST_F(TempOffsetTest, AReloadThatFailsAfterTheSaveIsSaidApart) {
    bath.reloadResult = FALSE;
    Confirm("-24.12");
    ExpectBox(fw::LoadString(TempOffsetCalibration::kIdsReloadFailed));
    EXPECT_EQ(calibration.OnOK(false, "-24.12", true), Outcome::kEnd);
    EXPECT_EQ(Offsets(), Block(16, 0xF4, 0xFF));
}

}  // namespace
}  // namespace caltest
