// The start-up's settings check against what the Instrument Setup sheet
// stores: a new station is set up once and the next check finds nothing.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QLineEdit>
#include <QTimer>
#include <cstdlib>
#include <filesystem>

#include "app/SetupCheck.h"
#include "app/tests/support/AppTestEnvironment.h"
#include "framework/core/Strings.h"
#include "framework/core/TestDoubles.h"
#include "platform/Paths.h"
#include "settings/CQXRegistry.h"
#include "setup/CSetupSheet.h"
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
        setenv("HOME", platform::JoinPath(dir, "home").c_str(), 1);
    }
    void TearDown() override {
        ASSERT_EQ(chdir(startDir.c_str()), 0);
        setenv("RYX_CONFIG_DIR", apptest::ConfigDir().c_str(), 1);
        std::filesystem::remove_all(dir);
    }
    appcheck::SetupCheck Check() {
        return appcheck::CheckStoredSetup([this](const std::string& port) { return beam.SetPort(port); });
    }
    QLineEdit* Edit(setup::CSetupSheet& sheet, int tab, int id) {
        return qobject_cast<QLineEdit*>(sheet.Page(tab)->GetDlgItem(id));
    }

    fw::ScriptedMessageBox boxes;
    fw::ServiceScope<fw::MessageBoxService> boxScope{boxes};
    setup::FakeInstrument beam;
    std::string startDir, dir;
};

TEST_F(SetupCheckTest, ANewStationWithFirmwareTwoIsSetUpOnceAndThenNothingIsMissing) {
    appcheck::SetupCheck first = Check();
    EXPECT_EQ(first.missing, kEveryLine);
    EXPECT_TRUE(first.calibrationMissing);
    EXPECT_TRUE(beam.setPorts.empty());  // no port stored, none opened

    // The instrument has told its firmware: the probe's fields are hidden.
    beam.version = "2.000";
    setup::CSetupSheet sheet(nullptr, 0, beam);
    sheet.SetRedraw([] {});
    std::vector<int> forward;
    bool hidden = false;
    QTimer::singleShot(0, &sheet, [&] {
        hidden = sheet.Page(S::kTabEquipment)->GetDlgItem(setup::CPageOneModel::kA0)->isHidden() &&
                 sheet.Page(S::kTabEquipment)->GetDlgItem(setup::CPageOneModel::kSerialNumber)->isHidden();
        Edit(sheet, S::kTabBath, setup::CPageFiveModel::kTemperature)->setText("-12");
        // OK after OK, each page brought forward looked at; the Equipment
        // page wants only the apparatus ID.
        for (int i = 0; i < 12 && sheet.isVisible(); ++i) {
            sheet.accept();
            if (!sheet.isVisible()) break;
            forward.push_back(sheet.GetActiveIndex());
            if (sheet.GetActiveIndex() == S::kTabEquipment)
                Edit(sheet, S::kTabEquipment, setup::CPageOneModel::kApparatusId)->setText("RYX-7");
        }
        if (sheet.isVisible()) sheet.reject();
    });
    const int result = sheet.DoModal();
    EXPECT_TRUE(hidden);
    EXPECT_EQ(forward, (std::vector<int>{S::kTabGageBlock, S::kTabPort, S::kTabConfidence, S::kTabGraphs,
                                         S::kTabEquipment, S::kTabArchive, S::kTabBeam, S::kTabAdvanced}));
    EXPECT_EQ(result & setup::kResultOk, setup::kResultOk);

    // What stands for the probe that is not there.
    std::string s;
    ASSERT_EQ(theRegistry.GetEquipmentThermistor(s), 0u);
    EXPECT_EQ(s, "1111");
    double a[3] = {0, 0, 0};
    ASSERT_EQ(theRegistry.GetTemperatureA0(a[0]), 0u);
    ASSERT_EQ(theRegistry.GetTemperatureA1(a[1]), 0u);
    ASSERT_EQ(theRegistry.GetTemperatureA3(a[2]), 0u);
    EXPECT_EQ(a[0], 1.0);
    EXPECT_EQ(a[1], 1.0);
    EXPECT_EQ(a[2], 1.0);

    // The next start asks for no setting (only the calibrations remain).
    boxes.Clear();
    const appcheck::SetupCheck next = Check();
    EXPECT_TRUE(next.missing.empty())
        << next.missing.size() << " lines, the first " << (next.missing.empty() ? 0 : next.missing[0]);
    EXPECT_EQ(beam.setPorts.back(), "COM1");
    EXPECT_TRUE(next.calibrationMissing);
}

}  // namespace
