// The settings file as the station finds it at start: a configuration
// folder named relative to where the station was started, and a settings
// file that was cut short or damaged.
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QMessageBox>
#include <filesystem>
#include <memory>
#include <vector>

#include "app/SettingsDamage.h"
#include "e2e/support/Station.h"
#include "framework/core/MessageBox.h"
#include "framework/core/Strings.h"
#include "framework/ui/Help.h"
#include "framework/ui/QtMessageBox.h"
#include "platform/Hive.h"
#include "platform/Paths.h"
#include "settings/CQXRegistry.h"

namespace e2e {
namespace {

std::string Read(const std::string& path) {
    std::string bytes;
    EXPECT_EQ(platform::ReadWholeFile(path, bytes), 0u) << path;
    return bytes;
}

std::string Hive() {
    return platform::JoinPath(ConfigDir(), "registry.reg");
}

// The copies of the settings file kept aside in the configuration folder.
std::vector<std::string> Copies() {
    std::vector<std::string> found;
    for (const auto& e : std::filesystem::directory_iterator(ConfigDir()))
        if (e.path().filename().string().rfind("registry.reg.bad-", 0) == 0)
            found.push_back(e.path().string());
    return found;
}

// Where a value line of the saved (UTF-16) settings file begins, in bytes,
// after the key line key.
size_t ValueLineAt(const std::string& file, const std::string& key, const std::string& line) {
    std::string ascii;
    for (size_t i = 2; i + 1 < file.size(); i += 2) ascii += file[i];
    const size_t k = ascii.find("\\" + key + "]\r\n");
    EXPECT_NE(k, std::string::npos) << key;
    const size_t at = ascii.find(line, k);
    EXPECT_NE(at, std::string::npos) << line;
    return 2 + 2 * at;
}

class SettingsFileTest : public StationTest {
protected:
    void TearDown() override {
        StationTest::TearDown();
        setenv("RYX_CONFIG_DIR", ConfigDir().c_str(), 1);
        unsetenv("RYX_HELP_DIR");
    }
};

// Started with RYX_CONFIG_DIR and RYX_HELP_DIR relative to the directory the
// station was started in: the check, which makes the data directory current,
// still finds the settings and the port alias there, and what is saved
// afterwards goes to the same file.
TEST_F(SettingsFileTest, ARelativeConfigurationFolderIsTakenWhereTheStationStarted) {
    StartInstrument();
    WriteSettings();
    const std::string help = platform::JoinPath(ConfigDir(), "help/RYXW");
    ASSERT_EQ(platform::EnsureDirectory(help), 0u);
    ASSERT_EQ(platform::WriteFileAtomic(platform::JoinPath(help, "Testing_a_sample.htm"), "<p>help</p>"), 0u);
    ASSERT_EQ(chdir(platform::DirName(ConfigDir()).c_str()), 0);
    const std::string relative = platform::BaseName(ConfigDir());
    setenv("RYX_CONFIG_DIR", relative.c_str(), 1);
    setenv("RYX_HELP_DIR", (relative + "/help").c_str(), 1);

    ASSERT_TRUE(StartStation());
    ASSERT_EQ(boxes.Count(), 0u) << boxes.Texts()[0];
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    EXPECT_EQ(std::string(cwd), DataDir());  // the check made the data directory current
    EXPECT_EQ(platform::ConfigDir(), ConfigDir());
    EXPECT_TRUE(Until([] { return App().m_beam.GetStatus() == 0; }));  // through ports/com1
    EXPECT_EQ(fw::HelpTopicPath("RYXW.chm::/RYXW/Testing_a_sample.htm"),
              platform::JoinPath(help, "Testing_a_sample.htm"));

    ASSERT_EQ(theRegistry.SetTestOperator("Relative"), 0u);
    platform::Hive fresh(Hive());
    platform::RegValue v;
    EXPECT_EQ(
        fresh.QueryValue("HKEY_LOCAL_MACHINE\\SOFTWARE\\TarvokInstrument\\" + ProgramKey() + "\\3.1\\Test",
                         "Operator", v),
        0u);
    EXPECT_EQ(v.data, "Relative");
    EXPECT_FALSE(platform::FileExists(platform::JoinPath(DataDir(), relative)));
}

// A settings file cut in the middle of a value: before the check's list of
// what is missing, a box says which file, which lines, and where the file
// as it was has been kept; the copy is made at start, before any save.
TEST_F(SettingsFileTest, ADamagedSettingsFileIsToldAndKeptAsideAtStart) {
    StartInstrument();
    WriteSettings();
    const std::string whole = Read(Hive());
    const size_t at = ValueLineAt(whole, "Deflection", "\"Constant\"=hex:");
    const std::string cut = whole.substr(0, at + 2 * 20);  // two bytes of the eight
    ASSERT_EQ(platform::WriteFileAtomic(Hive(), cut), 0u);

    ASSERT_TRUE(StartStation());
    ASSERT_GE(boxes.Count(), 2u);
    const std::string text = boxes.Texts()[0];
    const std::vector<std::string> copies = Copies();
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(Read(copies[0]), cut);
    EXPECT_EQ(Read(Hive()), cut);
    EXPECT_NE(text.find(Hive()), std::string::npos) << text;
    EXPECT_NE(text.find("the file ends inside this hex list"), std::string::npos) << text;
    EXPECT_NE(text.find(copies[0]), std::string::npos) << text;
    EXPECT_EQ(boxes.Boxes()[0].type & MB_ICONMASK, MB_ICONEXCLAMATION);
    // Then the check: what came after the cut is missing.
    EXPECT_EQ(boxes.Texts()[1].rfind(fw::LoadString(575), 0), 0u) << boxes.Texts()[1];

    // The box as the operator sees it.
    std::unique_ptr<QMessageBox> box(fw::QtMessageBox::Build(text, boxes.Boxes()[0].type, ""));
    // Drawn without running the loop, which would run the posted Instrument Setup.
    box->adjustSize();
    QDir().mkpath(RYX_E2E_ARTEFACTS);
    EXPECT_TRUE(box->grab().toImage().save(QString(RYX_E2E_ARTEFACTS) + "/settings-file-damaged.png"));

    // A save now writes what could be read and leaves the copy alone.
    ASSERT_EQ(theRegistry.SetTestOperator("After"), 0u);
    EXPECT_EQ(Copies(), copies);
    EXPECT_EQ(Read(copies[0]), cut);
}

// Cut where a line ends, the file reads cleanly: no box of its own, no
// copy, and the file stays as it is; the check lists what is missing.
TEST_F(SettingsFileTest, ASettingsFileCutAtALineEndIsNeitherToldNorCopied) {
    StartInstrument();
    WriteSettings();
    const std::string whole = Read(Hive());
    const std::string cut = whole.substr(0, ValueLineAt(whole, "Deflection", "\"Constant\"=hex:"));
    ASSERT_EQ(platform::WriteFileAtomic(Hive(), cut), 0u);

    ASSERT_TRUE(StartStation());
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Texts()[0].rfind(fw::LoadString(575), 0), 0u) << boxes.Texts()[0];
    EXPECT_TRUE(Copies().empty());
    EXPECT_EQ(Read(Hive()), cut);
}

// More lines than the box lists: the first ones, then how many more.
TEST(SettingsDamageText, ListsTheFirstLinesAndCountsTheRest) {
    platform::Hive::Damage damage;
    damage.path = "/cfg/registry.reg";
    for (int i = 1; i <= 15; ++i)
        damage.problems.push_back("line " + std::to_string(i) + ": broken text value");
    damage.keptAs = "/cfg/registry.reg.bad-20261211-020000";
    const std::string text = appsettings::DamageText(damage);
    EXPECT_NE(text.find("\tline 12: broken text value\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("line 13:"), std::string::npos) << text;
    EXPECT_NE(text.find("\t... and 3 more\n"), std::string::npos) << text;
    EXPECT_NE(text.find(damage.keptAs), std::string::npos) << text;

    damage.keptAs.clear();
    damage.keepError = 112;
    const std::string notKept = appsettings::DamageText(damage);
    EXPECT_NE(notKept.find("error 112"), std::string::npos) << notKept;
    EXPECT_NE(notKept.find(damage.path), std::string::npos) << notKept;
}

}  // namespace
}  // namespace e2e
