// The start-up's settings check against what the Instrument Setup sheet
// stores (its logic, without the window): a new station is set up once and
// the next check finds nothing.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/SetupCheck.h"
#include "app/tests/support/AppTestEnvironment.h"
#include "framework/core/Strings.h"
#include "framework/core/TestDoubles.h"
#include "platform/Paths.h"
#include "platform/PortNames.h"
#include "platform/SerialLine.h"
#include "platform/tests/support/PtyPair.h"
#include "settings/CQXRegistry.h"
#include "setup/SetupSheetModel.h"
#include "setup/tests/support/FakeInstrument.h"

namespace {

using S = setup::SetupSheetModel;

const std::vector<UINT> kEveryLine = {577, 570, 571, 572, 573, 576, 574};

class SetupCheckTest : public ::testing::Test {
protected:
    void SetUp() override {
        char buf[4096];
        startDir = getcwd(buf, sizeof buf) ? buf : "";
        // An empty hive of this test's own.
        dir = platform::JoinPath(apptest::ConfigDir(),
                                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir);
        ASSERT_EQ(platform::EnsureDirectory(platform::JoinPath(dir, "home")), 0u);
        setenv("RYX_CONFIG_DIR", dir.c_str(), 1);
        if (const char* h = getenv("HOME")) savedHome = h;
        setenv("HOME", platform::JoinPath(dir, "home").c_str(), 1);
    }
    void TearDown() override {
        ASSERT_EQ(chdir(startDir.c_str()), 0);
        setenv("RYX_CONFIG_DIR", apptest::ConfigDir().c_str(), 1);
        setenv("HOME", savedHome.c_str(), 1);
        std::filesystem::remove_all(dir);
    }
    appcheck::SetupCheck Check() {
        return appcheck::CheckStoredSetup([this](const std::string& port) { return beam.SetPort(port); });
    }

    fw::ScriptedMessageBox boxes;
    fw::ServiceScope<fw::MessageBoxService> boxScope{boxes};
    setup::FakeInstrument beam;
    std::string startDir, dir, savedHome;
};

// The firmware is known when the sheet opens, or only once the sheet's OK
// has opened the line (a new station's first start, with no port stored).
TEST_F(SetupCheckTest, ANewStationWithFirmwareTwoIsSetUpOnceAndThenNothingIsMissing) {
    struct Case {
        const char* what;
        const char* version;  // when the sheet opens
        const char* versionOnOpen;
    };
    const Case cases[] = {{"known", "2.000", ""}, {"told once the line opens", "?", "2.000"}};
    for (const Case& k : cases) {
        // A hive of this case's own.
        const std::string hive = platform::JoinPath(dir, k.what);
        ASSERT_EQ(platform::EnsureDirectory(hive), 0u);
        setenv("RYX_CONFIG_DIR", hive.c_str(), 1);
        beam = setup::FakeInstrument{};
        appcheck::SetupCheck first = Check();
        EXPECT_EQ(first.missing, kEveryLine) << k.what;
        EXPECT_TRUE(first.calibrationMissing) << k.what;
        EXPECT_TRUE(beam.setPorts.empty()) << k.what;  // no port stored, none opened

        beam.version = k.version;
        beam.versionOnOpen = k.versionOnOpen;
        // The sheet as it opens: every page made and made active in tab
        // order, then the Bath page again.
        setup::SetupSheetModel sheet(beam);
        setup::ControlTable tables[S::kPages];
        std::vector<setup::PageControls*> controls;
        for (int tab = 0; tab < S::kPages; ++tab) {
            controls.push_back(&tables[tab]);
            sheet.Page(tab).Load(tables[tab]);
            sheet.Page(tab).OnSetActive();
        }
        sheet.Page(S::kTabBath).OnSetActive();
        setup::ControlTable& equipment = tables[S::kTabEquipment];
        EXPECT_EQ(equipment.At(setup::CPageOneModel::kA0).shown, std::string(k.version) == "?") << k.what;
        tables[S::kTabBath].SetText(setup::CPageFiveModel::kTemperature, "-12");
        // OK after OK, each page brought forward looked at; the Equipment
        // page gets only the apparatus ID, there being no probe.
        std::vector<int> forward;
        int active = S::kTabBath;
        for (int i = 0; i < 12; ++i) {
            active = sheet.Apply(controls, active);
            if (active < 0) break;
            forward.push_back(active);
            sheet.Page(active).OnSetActive();
            if (active == S::kTabEquipment) {
                EXPECT_FALSE(equipment.At(setup::CPageOneModel::kA0).shown) << k.what;
                EXPECT_FALSE(equipment.At(setup::CPageOneModel::kSerialNumber).shown) << k.what;
                equipment.SetText(setup::CPageOneModel::kApparatusId, "RYX-7");
            }
        }
        EXPECT_EQ(active, -1) << k.what;
        EXPECT_EQ(forward, (std::vector<int>{S::kTabGageBlock, S::kTabPort, S::kTabConfidence, S::kTabGraphs,
                                             S::kTabEquipment, S::kTabArchive, S::kTabBeam, S::kTabAdvanced}))
            << k.what;
        EXPECT_EQ(sheet.Result() & setup::kResultOk, setup::kResultOk) << k.what;

        // What stands for the probe that is not there.
        std::string s;
        ASSERT_EQ(theRegistry.GetEquipmentThermistor(s), 0u) << k.what;
        EXPECT_EQ(s, "1111") << k.what;
        double a[3] = {0, 0, 0};
        ASSERT_EQ(theRegistry.GetTemperatureA0(a[0]), 0u) << k.what;
        ASSERT_EQ(theRegistry.GetTemperatureA1(a[1]), 0u) << k.what;
        ASSERT_EQ(theRegistry.GetTemperatureA3(a[2]), 0u) << k.what;
        EXPECT_EQ(a[0], 1.0) << k.what;
        EXPECT_EQ(a[1], 1.0) << k.what;
        EXPECT_EQ(a[2], 1.0) << k.what;

        // The next start asks for no setting (only the calibrations remain).
        boxes.Clear();
        const appcheck::SetupCheck next = Check();
        EXPECT_TRUE(next.missing.empty()) << k.what << ": " << next.missing.size() << " lines, the first "
                                          << (next.missing.empty() ? 0 : next.missing[0]);
        EXPECT_EQ(beam.setPorts.back(), "COM1") << k.what;
        EXPECT_TRUE(next.calibrationMissing) << k.what;
    }
}

// COM1 chosen, its alias naming what is no serial line: the check's line says
// so, naming the alias and its target, in place of "Serial Port Choice".
// An alias that dangles (the device unplugged) or names a terminal keeps the
// rule as it was.
TEST_F(SetupCheckTest, APortAliasThatNamesNoSerialDeviceIsToldWithBoth) {
    testsupport::PtyPair pty;
    ASSERT_TRUE(pty.Ok());
    const std::string file = platform::JoinPath(dir, "a-file");
    const std::string folder = platform::JoinPath(dir, "a-folder");
    const std::string fifo = platform::JoinPath(dir, "a-fifo");
    std::ofstream(file) << "not a line";
    ASSERT_EQ(platform::EnsureDirectory(folder), 0u);
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    struct Case {
        const char* what;
        std::string link;  // the alias links here; empty: made as what itself
        enum { Link, File, Folder } kind;
        bool told;  // 578 in place of 573
    };
    const Case cases[] = {
        {"/dev/null", "/dev/null", Case::Link, true},
        {"a regular file", file, Case::Link, true},
        {"a folder", folder, Case::Link, true},
        {"a pipe", fifo, Case::Link, true},
        {"the alias a file itself", "", Case::File, true},
        {"the alias a folder itself", "", Case::Folder, true},
        {"a dangling link", platform::JoinPath(dir, "unplugged"), Case::Link, false},
        {"a terminal", pty.SlaveName(), Case::Link, false},
    };
    ASSERT_EQ(theRegistry.SetPort("COM1"), 0u);
    const std::string alias = platform::PortAliasPath(1);
    ASSERT_EQ(platform::EnsureDirectory(platform::PortAliasDir()), 0u);
    // The line as the station opens it.
    auto open = [](const std::string& port) -> unsigned {
        platform::SerialLine line;
        return line.Open(platform::ResolvePortName(port)) == platform::kErrorSuccess ? 0 : 1117;
    };
    for (const Case& k : cases) {
        std::filesystem::remove_all(alias);
        switch (k.kind) {
            case Case::Link:
                ASSERT_EQ(symlink(k.link.c_str(), alias.c_str()), 0) << k.what;
                break;
            case Case::File:
                std::ofstream(alias) << "COM1";
                break;
            case Case::Folder:
                ASSERT_EQ(platform::EnsureDirectory(alias), 0u);
                break;
        }
        const std::string target = k.kind == Case::Link ? k.link : alias;
        const appcheck::SetupCheck check = appcheck::CheckStoredSetup(open);
        const std::string lines = appcheck::MissingLines(check);
        if (k.told) {
            EXPECT_EQ(
                std::count(check.missing.begin(), check.missing.end(), appcheck::IDS_PORT_ALIAS_NOT_SERIAL),
                1)
                << k.what;
            EXPECT_EQ(std::count(check.missing.begin(), check.missing.end(), 573u), 0) << k.what;
            EXPECT_EQ(check.portAlias, alias) << k.what;
            EXPECT_EQ(check.portTarget, target) << k.what;
            const std::string line = "\tSerial Port Choice: the port alias " + alias + "\n\tnames " + target +
                                     ", which is not a serial device\n";
            EXPECT_NE(lines.find(line), std::string::npos) << k.what << ": " << lines;
            EXPECT_EQ(lines.find(fw::LoadString(573)), std::string::npos) << k.what;
        } else {
            EXPECT_EQ(std::count(check.missing.begin(), check.missing.end(), 573u), k.link != pty.SlaveName())
                << k.what;
            EXPECT_EQ(
                std::count(check.missing.begin(), check.missing.end(), appcheck::IDS_PORT_ALIAS_NOT_SERIAL),
                0)
                << k.what;
        }
    }
    // The lines stay in their order, the port's where 573 stands.
    std::filesystem::remove_all(alias);
    ASSERT_EQ(symlink("/dev/null", alias.c_str()), 0);
    const appcheck::SetupCheck every = appcheck::CheckStoredSetup(open);
    EXPECT_EQ(every.missing,
              (std::vector<UINT>{577, 570, 571, 572, appcheck::IDS_PORT_ALIAS_NOT_SERIAL, 576, 574}));
    std::string expected;
    for (UINT id : {577u, 570u, 571u, 572u}) expected += fw::LoadString(id);
    expected += "\tSerial Port Choice: the port alias " + alias +
                "\n\tnames /dev/null, which is not a serial device\n";
    for (UINT id : {576u, 574u}) expected += fw::LoadString(id);
    EXPECT_EQ(appcheck::MissingLines(every), expected);
}

// A number the station computes with counts as missing when it is stored
// but is no finite number (a NaN or an infinity in the file).
TEST_F(SetupCheckTest, ANumberThatIsNotFiniteCountsAsMissing) {
    using Setter = unsigned (CQXRegistry::*)(double);
    struct Case {
        const char* what;
        Setter set;
        UINT line;  // 0: a calibration value
    };
    const Case cases[] = {
        {"Test Bath", &CQXRegistry::SetTestBath, 570},
        {"Gage Block Top", &CQXRegistry::SetGageBlockTop, 571},
        {"Gage Block Red", &CQXRegistry::SetGageBlockRed, 571},
        {"Gage Block White", &CQXRegistry::SetGageBlockWhite, 571},
        {"Gage Block Blue", &CQXRegistry::SetGageBlockBlue, 571},
        {"A0", &CQXRegistry::SetTemperatureA0, 574},
        {"A1", &CQXRegistry::SetTemperatureA1, 574},
        {"A3", &CQXRegistry::SetTemperatureA3, 574},
        {"Force Constant", &CQXRegistry::SetForceConstant, 0},
        {"Deflection Constant", &CQXRegistry::SetDeflectionConstant, 0},
        {"Deflection Compliance", &CQXRegistry::SetDeflectionCompliance, 0},
    };
    const std::string data = platform::JoinPath(dir, "data");
    ASSERT_EQ(platform::EnsureDirectory(data), 0u);
    auto everything = [&] {
        ASSERT_EQ(theRegistry.SetTestSampleInterval(1), 0u);
        ASSERT_EQ(theRegistry.SetTestLoadTime(240), 0u);
        ASSERT_EQ(theRegistry.SetTestRecoveryTime(10), 0u);
        ASSERT_EQ(theRegistry.SetTestDirectory(data), 0u);
        ASSERT_EQ(theRegistry.SetPort("COM1"), 0u);
        ASSERT_EQ(theRegistry.SetEquipmentRYX("RYX-7"), 0u);
        ASSERT_EQ(theRegistry.SetLastCalibration(Time64{1700000000}), 0u);
        ASSERT_EQ(theRegistry.SetForceZero(100), 0u);
        ASSERT_EQ(theRegistry.SetDeflectionZero(200), 0u);
        for (const Case& c : cases) ASSERT_EQ((theRegistry.*c.set)(1.5), 0u) << c.what;
    };
    everything();
    const appcheck::SetupCheck all = Check();
    EXPECT_TRUE(all.missing.empty());
    EXPECT_FALSE(all.calibrationMissing);
    for (const double bad : {std::nan(""), HUGE_VAL, -HUGE_VAL}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.what) + " = " + std::to_string(bad));
            everything();
            ASSERT_EQ((theRegistry.*c.set)(bad), 0u);
            const appcheck::SetupCheck check = Check();
            EXPECT_EQ(check.missing, c.line ? std::vector<UINT>{c.line} : std::vector<UINT>{});
            EXPECT_EQ(check.calibrationMissing, c.line == 0);
        }
    }
}

}  // namespace
