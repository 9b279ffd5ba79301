#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cfloat>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "framework/core/Strings.h"
#include "platform/Numbers.h"
#include "platform/Paths.h"
#include "settings/CQXRegistry.h"
#include "testing/TestSetupLogic.h"
#include "testing/tests/support/SetupFixture.h"

namespace {

class TestSetupLogicTest : public ryxtest::SetupFixture {
protected:
    // Loads the dialog's starting values; the fields as the dialog shows them.
    TestSetupFields Open() {
        logic = TestSetupLogic();
        logic.Load();
        return logic.Fields(".");
    }
    TestSetupFields Filled(const std::string& name) {
        TestSetupFields f = Open();
        f.fileName = name;
        f.specimen = "PG 64-22";
        f.project = "Bridge 7";
        f.operatorName = "J. Doe";
        f.bathTime = "45";
        f.thickness = "6.4";
        f.width = "12.65";
        f.saveLims = true;
        f.stopAt5mm = false;
        return f;
    }
    std::string Stored() {
        std::string s;
        return theRegistry.GetTestFileName(s) == 0 ? s : "<missing>";
    }
    TestSetupLogic logic;
};

TEST_F(TestSetupLogicTest, TheFirstDefaultNameOfTheDay) {
    const TestSetupFields f = Open();
    EXPECT_EQ(f.fileName, "24030501 -18");
    EXPECT_EQ(logic.m_path, data + "/24030501 -18.RYX");
    // The defaults where nothing is stored.
    EXPECT_EQ(f.bathTime, "60");
    EXPECT_EQ(f.thickness, "6.35");
    EXPECT_EQ(f.width, "12.70");
    EXPECT_FALSE(f.autoThickness);
    EXPECT_FALSE(f.saveLims);
    EXPECT_TRUE(f.stopAt5mm);
    EXPECT_EQ(f.specimen, "");
    // The data directory is the current one now.
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    EXPECT_EQ(std::string(cwd) + "/", data + "/");
}

TEST_F(TestSetupLogicTest, FilesOfEitherCaseAfterTheLastDefaultAreSkipped) {
    ASSERT_EQ(theRegistry.SetTestLastDefault("24030505"), 0u);
    Touch("24030506 -18.RYX");
    Touch("24030507 -18.ryx");  // the extension new tests are saved with
    EXPECT_EQ(Open().fileName, "24030508 -18");
}

TEST_F(TestSetupLogicTest, ALastDefaultOfAnotherDayOrFormStartsAtOne) {
    Touch("24030501 -18.RYX");
    for (const char* last : {"24030405", "2403050", "240305051", "240305-5", "240305a1"}) {
        Raw("Test", "Last Default", last);
        EXPECT_EQ(Open().fileName, "24030502 -18") << last;
    }
}

TEST_F(TestSetupLogicTest, TheTargetTemperatureWithoutDecimals) {
    ASSERT_EQ(theRegistry.SetTestBath(0.4), 0u);
    EXPECT_EQ(Open().fileName, "24030501 0");
    ASSERT_EQ(theRegistry.SetTestBath(-24.0), 0u);
    EXPECT_EQ(Open().fileName, "24030501 -24");
}

TEST_F(TestSetupLogicTest, TheSequenceStopsAtNinetyNine) {
    // A last default of 99 leaves no two-digit sequence: no three-digit name.
    ASSERT_EQ(theRegistry.SetTestLastDefault("24030599"), 0u);
    TestSetupFields f = Open();
    EXPECT_EQ(f.fileName, " ");
    const auto outcome = logic.Ok(f, ".");
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.message, fw::LoadString(IDS_FILENAME_IN_USE));
    EXPECT_EQ(outcome.field, TestSetupLogic::Field::FileName);
    EXPECT_EQ(Stored(), "<missing>");

    // Every sequence taken.
    ASSERT_EQ(theRegistry.SetTestLastDefault("24030400"), 0u);
    for (int i = 1; i <= 99; ++i) Touch(platform::FormatC("240305%02d -18.RYX", i));
    EXPECT_EQ(Open().fileName, " ");
}

TEST_F(TestSetupLogicTest, OkWritesTheNineValuesInOneSave) {
    TestSetupFields f = Filled("  T1 Bridge  ");
    int saves = 0;
    platform::SetWriteFailureHook([&](const std::string&) {
        ++saves;
        return 0;
    });
    const auto outcome = logic.Ok(f, ".");
    ASSERT_TRUE(outcome.ok) << outcome.message;
    EXPECT_EQ(saves, 1);
    double d = 0;
    std::string s;
    DWORD dw = 7;
    EXPECT_EQ(theRegistry.GetTestBathTime(d), 0u);
    EXPECT_EQ(d, 45.0);
    EXPECT_EQ(Stored(), "T1 Bridge");  // without the blanks around it
    EXPECT_EQ(theRegistry.GetTestSpecimen(s), 0u);
    EXPECT_EQ(s, "PG 64-22");
    EXPECT_EQ(theRegistry.GetTestProject(s), 0u);
    EXPECT_EQ(s, "Bridge 7");
    EXPECT_EQ(theRegistry.GetTestOperator(s), 0u);
    EXPECT_EQ(s, "J. Doe");
    EXPECT_EQ(theRegistry.GetTestThickness(d), 0u);
    EXPECT_EQ(d, 6.4);
    EXPECT_EQ(theRegistry.GetTestWidth(d), 0u);
    EXPECT_EQ(d, 12.65);
    EXPECT_EQ(theRegistry.GetTestSaveLIMS(dw), 0u);
    EXPECT_EQ(dw, 1u);
    EXPECT_EQ(theRegistry.GetTestStopTestMaxDefl(dw), 0u);
    EXPECT_EQ(dw, 0u);
    // The probe left nothing behind; the path is the document's.
    EXPECT_FALSE(platform::FileExists(data + "/T1 Bridge.ryx"));
    EXPECT_EQ(logic.m_path, data + "/T1 Bridge.ryx");
}

TEST_F(TestSetupLogicTest, AFailedWriteWritesNothing) {
    ASSERT_EQ(theRegistry.SetTestFileName("previous test"), 0u);
    const std::string before = HiveBytes();
    platform::SetWriteFailureHook([](const std::string&) { return ENOSPC; });
    const auto outcome = logic.Ok(Filled("T2"), ".");
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.message, fw::LoadString(IDS_REGISTRY_WRITE));
    EXPECT_EQ(outcome.field, TestSetupLogic::Field::None);
    platform::SetWriteFailureHook(nullptr);
    EXPECT_EQ(HiveBytes(), before);
    EXPECT_EQ(Stored(), "previous test");  // the document would have taken the old name
    double d = 0;
    EXPECT_NE(theRegistry.GetTestBathTime(d), 0u);
    EXPECT_FALSE(platform::FileExists(data + "/T2.ryx"));
}

// A settings file that cannot be read (here a folder in its place): OK says
// so, naming the file, rather than the general text; nothing is written.
TEST_F(TestSetupLogicTest, ARefusedSaveNamesTheSettingsFileThatCannotBeRead) {
    const TestSetupFields f = Filled("T2");
    const std::string hive = dir.File("config/registry.reg");
    ASSERT_EQ(std::remove(hive.c_str()), 0);
    ASSERT_EQ(platform::EnsureDirectory(hive), 0u);
    const auto outcome = logic.Ok(f, ".");
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.message, "The settings were not saved.\n\n" + hive +
                                   " is a folder, not a file.\n\n"
                                   "Nothing is saved over the settings file while it cannot be read.");
    EXPECT_EQ(outcome.field, TestSetupLogic::Field::None);
    EXPECT_TRUE(platform::IsDirectory(hive));
    EXPECT_FALSE(platform::FileExists(hive + "/registry.reg"));
    EXPECT_FALSE(platform::FileExists(data + "/T2.ryx"));
    ASSERT_EQ(::rmdir(hive.c_str()), 0);
}

TEST_F(TestSetupLogicTest, ARefusedValueWritesNothingEither) {
    TestSetupFields f = Filled("T3");
    f.specimen = std::string(61, 'x');  // more than the setting holds (the field allows 25)
    const auto outcome = logic.Ok(f, ".");
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.message, fw::LoadString(IDS_REGISTRY_WRITE));
    EXPECT_EQ(Stored(), "<missing>");
}

TEST_F(TestSetupLogicTest, UnsafeOrTakenNamesAreRefused) {
    Touch("t4.ryx");
    for (const char* name : {"", "   ", "../T4", "sub/T4", "a\\b", "T\t4", "T\x7f", "T4", "t4 ", "T4.RYX",
                             ".", "..", " .T4", ".RYX", ".hidden"}) {
        const std::string n = name;
        if (n == "T4.RYX") Touch("T4.RYX.ryx");
        const auto outcome = logic.Ok(Filled(n), ".");
        EXPECT_FALSE(outcome.ok) << '"' << n << '"';
        EXPECT_EQ(outcome.message, fw::LoadString(IDS_FILENAME_IN_USE)) << n;
        EXPECT_EQ(outcome.field, TestSetupLogic::Field::FileName) << n;
    }
    EXPECT_EQ(Stored(), "<missing>");
    EXPECT_FALSE(platform::FileExists(dir.File("T4.ryx")));
}

TEST_F(TestSetupLogicTest, TheProbeNeverTouchesAFileThatAppearedMeanwhile) {
    // The file turns up between the existence check and the probe.
    SetTestFileProbeHook([&](const std::string& path) {
        std::ofstream(path) << "another station's test";
        return 0;
    });
    const auto outcome = logic.Ok(Filled("T5"), ".");
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.message, fw::LoadString(IDS_FILENAME_IN_USE));
    std::string kept;
    ASSERT_EQ(platform::ReadWholeFile(data + "/T5.ryx", kept), 0u);
    EXPECT_EQ(kept, "another station's test");
    EXPECT_EQ(Stored(), "<missing>");
}

TEST_F(TestSetupLogicTest, AnUnusableDataDirectoryIsRefused) {
    const std::string unusable = fw::FormatString1(IDS_DATA_DIRECTORY_UNUSABLE, data + "/");
    // A folder that cannot be written (injected: CI runs as root).
    SetTestFileProbeHook([](const std::string&) { return EACCES; });
    Open();
    auto outcome = logic.Ok(Filled("T6"), ".");
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.message, unusable);
    EXPECT_EQ(outcome.field, TestSetupLogic::Field::None);
    SetTestFileProbeHook(nullptr);

    // A file where the folder should be.
    platform::WriteFileAtomic(dir.File("plain"), "x");
    ASSERT_EQ(theRegistry.SetTestDirectory(dir.File("plain")), 0u);
    Open();
    outcome = logic.Ok(Filled("T6"), ".");
    EXPECT_EQ(outcome.message, fw::FormatString1(IDS_DATA_DIRECTORY_UNUSABLE, dir.File("plain") + "/"));

    // A folder that has gone.
    ASSERT_EQ(theRegistry.SetTestDirectory(dir.File("gone")), 0u);
    Open();
    outcome = logic.Ok(Filled("T6"), ".");
    EXPECT_EQ(outcome.message, fw::FormatString1(IDS_DATA_DIRECTORY_UNUSABLE, dir.File("gone") + "/"));

    // No directory chosen at all: the proposal still comes from the current one.
    ASSERT_EQ(::chdir(data.c_str()), 0);
    Raw("Test", "Directory", "");
    EXPECT_EQ(Open().fileName, "24030501 -18");
    outcome = logic.Ok(Filled("T6"), ".");
    EXPECT_EQ(outcome.message, fw::LoadString(IDS_DATA_DIRECTORY_NOT_SET));
    EXPECT_EQ(Stored(), "<missing>");
}

TEST_F(TestSetupLogicTest, EachNumberIsReadWholeAgainstItsLimits) {
    struct Case {
        const char* bathTime;
        const char* thickness;
        const char* width;
        TestSetupLogic::Field field;
    };
    const Case cases[] = {
        {"-5", "6.35", "12.7", TestSetupLogic::Field::BathTime},  // a sign typed in front
        {"1000", "6.35", "12.7", TestSetupLogic::Field::BathTime},
        {"60.5", "6.35", "12.7", TestSetupLogic::Field::BathTime},
        {"", "6.35", "12.7", TestSetupLogic::Field::BathTime},
        {"60", "0", "12.7", TestSetupLogic::Field::Thickness},  // no beam is 0 mm thick
        {"60", "0.00", "12.7", TestSetupLogic::Field::Thickness},
        {"60", "1.234", "12.7",
         TestSetupLogic::Field::Thickness},  // a separator typed in front of three digits
        {"60", "abc", "12.7", TestSetupLogic::Field::Thickness},
        {"60", "6.35", "0", TestSetupLogic::Field::Width},
        {"60", "6.35", "100", TestSetupLogic::Field::Width},
        {"60", "6.35", "-0", TestSetupLogic::Field::Width},
    };
    for (const Case& c : cases) {
        TestSetupFields f = Filled("T7");
        f.bathTime = c.bathTime;
        f.thickness = c.thickness;
        f.width = c.width;
        const auto outcome = logic.Ok(f, ".");
        EXPECT_FALSE(outcome.ok) << c.bathTime << ' ' << c.thickness << ' ' << c.width;
        EXPECT_EQ(outcome.field, c.field) << c.bathTime << ' ' << c.thickness << ' ' << c.width;
    }
    EXPECT_EQ(Stored(), "<missing>");
    TestSetupFields f = Filled("T7");
    f.thickness = "0";
    EXPECT_EQ(logic.Ok(f, ".").message,
              "Thickness must be a number greater than 0 and less than 100, with at most 2 digits after the "
              "decimal "
              "separator.");
    f = Filled("T7");
    f.bathTime = "-5";
    EXPECT_EQ(logic.Ok(f, ".").message,
              "Time In Bath must be a whole number greater than -1 and less than 1000.");

    // The user's separator.
    f = Filled("T7");
    f.thickness = "6,4";
    f.width = "12,65";
    EXPECT_FALSE(logic.Ok(f, ".").ok);
    EXPECT_TRUE(logic.Ok(f, ",").ok);
    double d = 0;
    EXPECT_EQ(theRegistry.GetTestWidth(d), 0u);
    EXPECT_EQ(d, 12.65);
}

TEST_F(TestSetupLogicTest, AutomaticThicknessStoresTheMarkAndNeedsADatum) {
    // Stored as measured, no datum: the box is off and the field shows 6.35.
    ASSERT_EQ(theRegistry.SetTestThickness(FLT_MAX), 0u);
    TestSetupFields f = Open();
    EXPECT_FALSE(f.autoThickness);
    EXPECT_EQ(f.thickness, "6.35");
    EXPECT_EQ(logic.m_thickness, 6.35);

    // With a datum it is on; OK stores the mark whatever the field says.
    ASSERT_EQ(theRegistry.SetAutoThicknessDatum(0.5), 0u);
    f = Open();
    EXPECT_TRUE(f.autoThickness);
    EXPECT_EQ(f.thickness, "6.35");
    f.fileName = "T8";
    f.thickness = "";
    ASSERT_TRUE(logic.Ok(f, ".").ok);
    double d = 0;
    EXPECT_EQ(theRegistry.GetTestThickness(d), 0u);
    EXPECT_EQ(d, static_cast<double>(FLT_MAX));

    // An invalidated datum counts as none.
    ASSERT_EQ(theRegistry.SetAutoThicknessDatum(FLT_MAX), 0u);
    EXPECT_FALSE(TestSetupLogic::DatumAvailable());
    EXPECT_FALSE(Open().autoThickness);
}

TEST_F(TestSetupLogicTest, WithoutATargetTemperatureTheNameEndsAfterTheSequence) {
    Raw("", "Test Bath", "x");
    double d = 0;
    ASSERT_NE(theRegistry.GetTestBath(d), 0u);
    EXPECT_EQ(Open().fileName, "24030501");
}

}  // namespace
