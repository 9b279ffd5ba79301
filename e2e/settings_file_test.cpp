// The settings file as the station finds it at start: a configuration
// folder named relative to where the station was started, and a settings
// file that was cut short or damaged.
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "app/SettingsDamage.h"
#include "e2e/support/SheetScript.h"
#include "e2e/support/SettingsBytes.h"
#include "e2e/support/Station.h"
#include "framework/core/MessageBox.h"
#include "framework/core/Strings.h"
#include "framework/ui/FileDialogs.h"
#include "framework/ui/Help.h"
#include "framework/ui/QtMessageBox.h"
#include "platform/Hive.h"
#include "platform/Paths.h"
#include "settings/CQXRegistry.h"
#include "setup/CPages.h"
#include "setup/CSetupSheet.h"

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

// A settings file that is there but cannot be read at all: at start a box
// names it and why, before the check, which lists every setting as for a new
// station; Instrument Setup's OK is refused with the same cause, naming the
// file; and the file is left as it stands.
struct Unreadable {
    const char* name;
    std::function<void(const std::string& path)> make;
    const char* cause;  // the sentence after the file's path
    // What the Port page is set to: COM1 is stored as its page passes, so
    // that refuses first; with NONE the refusal is OK's one save of all.
    const char* port;
    int refusedOn;  // the page shown with the refusal
};

const Unreadable kUnreadable[] = {
    {"named_pipe", [](const std::string& p) { ASSERT_EQ(mkfifo(p.c_str(), 0666), 0); },
     " is not a regular file (a named pipe, a device or a socket) and is not read.", "COM1",
     setup::SetupSheetModel::kTabPort},
    {"folder", [](const std::string& p) { ASSERT_EQ(mkdir(p.c_str(), 0777), 0); },
     " is a folder, not a file.", "NONE", setup::SetupSheetModel::kTabAdvanced},
    {"above_the_bound",
     [](const std::string& p) {
         // Sparse: 17 MiB of nothing, above the 16 MiB any settings file stays under.
         ASSERT_EQ(platform::WriteFileAtomic(p, "Windows Registry Editor Version 5.00\r\n"), 0u);
         ASSERT_EQ(truncate(p.c_str(), off_t{17} << 20), 0);
     },
     " is larger than any file of its kind and is not read.", "NONE", setup::SetupSheetModel::kTabAdvanced},
};

void PrintTo(const Unreadable& k, std::ostream* os) {
    *os << k.name;
}

class UnreadableSettingsFileTest : public SettingsFileTest, public ::testing::WithParamInterface<Unreadable> {
protected:
    static std::vector<std::string> Names(const std::string& dir) {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir)) names.push_back(e.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }
    static void Shot(const std::string& text, UINT type, const std::string& name) {
        std::unique_ptr<QMessageBox> box(fw::QtMessageBox::Build(text, type, ""));
        // Shown, so that the box lays its text out as the operator sees it.
        box->show();
        QApplication::processEvents();
        QDir().mkpath(RYX_E2E_ARTEFACTS);
        EXPECT_TRUE(
            box->grab().toImage().save(QString(RYX_E2E_ARTEFACTS) + "/" + QString::fromStdString(name)));
    }
};

TEST_P(UnreadableSettingsFileTest, IsToldAtStartNamedWhenASaveIsRefusedAndLeftAsItStands) {
    using S = setup::SetupSheetModel;
    const Unreadable& k = GetParam();
    StartInstrument();
    ASSERT_EQ(platform::EnsureDirectory(DataDir()), 0u);
    k.make(Hive());
    struct stat before {};
    ASSERT_EQ(lstat(Hive().c_str(), &before), 0);
    const std::vector<std::string> namesBefore = Names(ConfigDir());
    fw::ScriptedFileDialogs folders;
    folders.Answer({DataDir()});
    fw::ServiceScope<fw::FileDialogService> folderScope(folders);
    const std::string refused = "The settings were not saved.\n\n" + Hive() + k.cause +
                                "\n\nNothing is saved over the settings file while it cannot be read.";

    // The operator fills what Setup asks for, OK after OK, until the save is refused.
    int refusedOn = -1;
    bool done = false;
    SheetScript script([&](setup::CSetupSheet& sheet) {
        const auto edit = [&](int tab, int id, const std::string& text) {
            qobject_cast<QLineEdit*>(sheet.Page(tab)->GetDlgItem(id))->setText(QString::fromStdString(text));
        };
        edit(S::kTabBath, setup::CPageFiveModel::kTemperature, "-12");
        for (int i = 0; i < 12 && sheet.isVisible(); ++i) {
            sheet.accept();
            if (!sheet.isVisible()) break;
            if (boxes.Texts().back() == refused) {
                refusedOn = sheet.GetActiveIndex();
                break;
            }
            const int tab = sheet.GetActiveIndex();
            if (tab == S::kTabPort) {
                qobject_cast<QComboBox*>(sheet.Page(tab)->GetDlgItem(setup::CPageSixModel::kPort))
                    ->setCurrentText(k.port);
            } else if (tab == S::kTabEquipment) {
                edit(tab, setup::CPageOneModel::kApparatusId, "SIM-RYX");
                edit(tab, setup::CPageOneModel::kSerialNumber, "SIM-T");
                edit(tab, setup::CPageOneModel::kA0, "0.001");
                edit(tab, setup::CPageOneModel::kA1, "0.0002");
                edit(tab, setup::CPageOneModel::kA2, "1e-07");
            } else if (tab == S::kTabArchive) {
                dynamic_cast<setup::CPageSeven*>(sheet.Page(tab))->OnBrowse();
            }
        }
        if (sheet.isVisible()) sheet.reject();
        done = true;
    });

    ASSERT_TRUE(StartStation());
    // First the file and why, then the check as on a new station.
    ASSERT_EQ(boxes.Count(), 2u);
    const std::string told = "The settings file cannot be read at all.\n\n" + Hive() + k.cause +
                             "\n\nEvery setting counts as missing, as on a new station, and nothing will be "
                             "saved over the file while it cannot be read.";
    EXPECT_EQ(boxes.Texts()[0], told);
    EXPECT_EQ(boxes.Boxes()[0].type & MB_ICONMASK, MB_ICONEXCLAMATION);
    EXPECT_EQ(boxes.Texts()[1], fw::LoadString(575) + fw::LoadString(577) + fw::LoadString(570) +
                                    fw::LoadString(571) + fw::LoadString(572) + fw::LoadString(573) +
                                    fw::LoadString(576) + fw::LoadString(574));

    // Instrument Setup from the posted command: its OK is refused, naming the file.
    ASSERT_TRUE(Until([&] { return done && !QApplication::activeModalWidget(); }));
    EXPECT_EQ(script.Shown(), 1);
    EXPECT_EQ(refusedOn, k.refusedOn);
    const std::vector<fw::ScriptedMessageBox::Shown> shown = boxes.Boxes();
    ASSERT_GT(shown.size(), 2u);
    EXPECT_EQ(shown.back().text, refused);
    EXPECT_EQ(shown.back().type & MB_ICONMASK, MB_ICONEXCLAMATION);
    for (size_t i = 2; i + 1 < shown.size(); ++i)  // only the pages' own on the way
        EXPECT_TRUE(shown[i].text == fw::LoadString(258) || shown[i].text == fw::LoadString(259))
            << shown[i].text;
    // Nothing more is told while the station goes on.
    App().processEvents();
    EXPECT_EQ(boxes.Count(), shown.size()) << boxes.Texts().back();
    Shot(told, boxes.Boxes()[0].type, std::string("settings-file-unreadable-") + k.name + ".png");
    Shot(refused, shown.back().type, std::string("settings-save-refused-") + k.name + ".png");

    // The file as it stood, and nothing beside it but the lock of the refused save.
    struct stat after {};
    ASSERT_EQ(lstat(Hive().c_str(), &after), 0);
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_size, before.st_size);
    EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    if (S_ISDIR(after.st_mode)) {
        EXPECT_TRUE(std::filesystem::is_empty(Hive()));
    }
    std::vector<std::string> expected = namesBefore;
    expected.push_back("registry.reg.lock");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Names(ConfigDir()), expected);
}

INSTANTIATE_TEST_SUITE_P(Kinds, UnreadableSettingsFileTest, ::testing::ValuesIn(kUnreadable),
                         [](const ::testing::TestParamInfo<Unreadable>& info) { return info.param.name; });

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

// A file that cannot be read for a reason without a text of its own (an I/O
// error): the error code stands for the cause.
TEST(SettingsDamageText, AFileUnreadableForAnotherReasonGivesTheErrorCode) {
    platform::Hive::Damage damage;
    damage.path = "/cfg/registry.reg";
    damage.unreadable = {1117, platform::ReadRefusal::kOther};
    EXPECT_EQ(appsettings::DamageText(damage),
              "The settings file cannot be read at all.\n\n/cfg/registry.reg cannot be read (error 1117).\n\n"
              "Every setting counts as missing, as on a new station, and nothing will be saved over the file "
              "while it cannot be read.");
}

}  // namespace
}  // namespace e2e
