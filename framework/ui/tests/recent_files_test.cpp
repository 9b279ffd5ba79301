// The recently used files: their order and limit, the profile file they live
// in (read back by a fresh list, a damaged or missing one read as empty), the
// paths documents add, the entries in the file menus, and an entry whose
// file has gone.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/CommandIds.h"
#include "framework/core/Strings.h"
#include "framework/core/TestDoubles.h"
#include "framework/ui/Frames.h"
#include "framework/ui/RecentFileList.h"
#include "framework/ui/tests/support/TestApp.h"
#include "platform/Paths.h"
#include "platform/tests/TempDir.h"

namespace fw {
namespace {

using Paths = std::vector<std::string>;

void Pump(int passes = 4) {
    for (int i = 0; i < passes; ++i) test::App().PumpOnce(false);
}

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string ReadText(const std::string& path) {
    std::string text;
    EXPECT_EQ(platform::ReadWholeFile(path, text), 0u) << path;
    return text;
}

class RecentFileListTest : public ::testing::Test {
protected:
    ryxtest::TempDir dir;
    std::string profile = dir.File("ryxw-recent.ini");
};

struct OrderCase {
    const char* name;
    Paths added;
    Paths expected;
};

TEST_F(RecentFileListTest, MostRecentFirstAtMostFourAReopenedFileMovesUp) {
    const OrderCase cases[] = {
        {"one", {"/d/A.RYX"}, {"/d/A.RYX"}},
        {"newest first", {"/d/A.RYX", "/d/B.RYX", "/d/C.RYX"}, {"/d/C.RYX", "/d/B.RYX", "/d/A.RYX"}},
        {"the oldest beyond four goes",
         {"/d/A.RYX", "/d/B.RYX", "/d/C.RYX", "/d/D.RYX", "/d/E.RYX"},
         {"/d/E.RYX", "/d/D.RYX", "/d/C.RYX", "/d/B.RYX"}},
        {"opened again moves to the top, no duplicate",
         {"/d/A.RYX", "/d/B.RYX", "/d/C.RYX", "/d/A.RYX"},
         {"/d/A.RYX", "/d/C.RYX", "/d/B.RYX"}},
        {"the top opened again stays", {"/d/A.RYX", "/d/B.RYX", "/d/B.RYX"}, {"/d/B.RYX", "/d/A.RYX"}},
        {"a moved entry keeps the others within four",
         {"/d/A.RYX", "/d/B.RYX", "/d/C.RYX", "/d/D.RYX", "/d/B.RYX"},
         {"/d/B.RYX", "/d/D.RYX", "/d/C.RYX", "/d/A.RYX"}},
        {"paths tell case apart", {"/d/T1.RYX", "/d/t1.ryx"}, {"/d/t1.ryx", "/d/T1.RYX"}},
        {"the same file under another spelling is one entry", {"/d/./A.RYX", "/d//A.RYX"}, {"/d/A.RYX"}},
        {"empty paths and line breaks are not kept", {"", "/d/a\nb.RYX"}, {}},
    };
    for (const OrderCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::remove(profile.c_str());
        RecentFileList list(profile, 4);
        list.ReadList();
        for (const std::string& p : c.added) list.Add(p);
        EXPECT_EQ(list.Entries(), c.expected);
    }
}

TEST_F(RecentFileListTest, RelativePathsAreKeptAbsolute) {
    char buf[4096];
    ASSERT_NE(getcwd(buf, sizeof buf), nullptr);
    RecentFileList list(profile, 4);
    list.Add("T1.RYX");
    ASSERT_EQ(list.GetSize(), 1u);
    EXPECT_EQ(list[0], std::string(buf) + "/T1.RYX");
}

TEST_F(RecentFileListTest, AFreshListReadsWhatTheLastOneWrote) {
    {
        RecentFileList list(profile, 4);
        list.ReadList();
        for (const char* p : {"/d/A.RYX", "/d/B.BDT", "/d/C.RYX"}) list.Add(p);
        list.Remove(1);
    }
    EXPECT_EQ(ReadText(profile), "[Recent File List]\nFile1=/d/C.RYX\nFile2=/d/A.RYX\n");
    RecentFileList fresh(profile, 4);
    fresh.ReadList();
    EXPECT_EQ(fresh.Entries(), (Paths{"/d/C.RYX", "/d/A.RYX"}));
    // The folder is made when it is missing.
    RecentFileList elsewhere(dir.File("config/sub/ryxw-recent.ini"), 4);
    elsewhere.Add("/d/A.RYX");
    RecentFileList back(dir.File("config/sub/ryxw-recent.ini"), 4);
    back.ReadList();
    EXPECT_EQ(back.Entries(), (Paths{"/d/A.RYX"}));
}

// A profile that is no file is not read (a named pipe without a writer
// would hold the start in its open, a device be read without end), nor one
// far longer than any list written: each reads as an empty list at once.
TEST_F(RecentFileListTest, AProfileThatIsNoFileOrTooLargeReadsAsAnEmptyList) {
    const std::pair<const char*, std::function<void()>> cases[] = {
        {"named pipe", [&] { ASSERT_EQ(::mkfifo(profile.c_str(), 0666), 0); }},
        {"device", [&] { ASSERT_EQ(::symlink("/dev/zero", profile.c_str()), 0); }},
        {"folder", [&] { ASSERT_EQ(platform::EnsureDirectory(profile), 0u); }},
        // Blank lines are passed over: a list followed by a megabyte of them.
        {"too large",
         [&] { WriteText(profile, "[Recent File List]\nFile1=/d/A.RYX\n" + std::string(1 << 20, '\n')); }},
    };
    for (const auto& [name, make] : cases) {
        SCOPED_TRACE(name);
        std::filesystem::remove(profile);
        make();
        RecentFileList list(profile, 4);
        list.ReadList();
        EXPECT_EQ(list.GetSize(), 0u);
    }
}

TEST_F(RecentFileListTest, ADamagedOrMissingFileReadsAsAnEmptyList) {
    const std::pair<const char*, std::string> cases[] = {
        {"no section", "File1=/d/A.RYX\n"},
        {"another section", "[Settings]\nFile1=/d/A.RYX\n"},
        {"numbers out of order", "[Recent File List]\nFile2=/d/A.RYX\n"},
        {"a line of something else", "[Recent File List]\nFile1=/d/A.RYX\ngarbage\n"},
        {"an empty entry", "[Recent File List]\nFile1=\n"},
        {"binary", std::string("\x7f"
                               "ELF\0\0\x01\x02[Recent File List]\n",
                               27)},
        {"cut short", "[Recent Fi"},
        {"empty", ""},
    };
    for (const auto& [name, text] : cases) {
        SCOPED_TRACE(name);
        WriteText(profile, text);
        RecentFileList list(profile, 4);
        list.ReadList();
        EXPECT_EQ(list.GetSize(), 0u);
        // The next change writes a whole list again.
        list.Add("/d/A.RYX");
        RecentFileList fresh(profile, 4);
        fresh.ReadList();
        EXPECT_EQ(fresh.Entries(), (Paths{"/d/A.RYX"}));
    }
    RecentFileList missing(dir.File("none.ini"), 4);
    missing.ReadList();
    EXPECT_EQ(missing.GetSize(), 0u);
    // Line ends of another system and more entries than the list keeps.
    WriteText(profile,
              "[Recent File List]\r\nFile1=/d/A.RYX\r\nFile2=/d/B.RYX\r\nFile3=/d/C.RYX\r\n"
              "File4=/d/D.RYX\r\nFile5=/d/E.RYX\r\n");
    RecentFileList crlf(profile, 4);
    crlf.ReadList();
    EXPECT_EQ(crlf.Entries(), (Paths{"/d/A.RYX", "/d/B.RYX", "/d/C.RYX", "/d/D.RYX"}));
}

TEST_F(RecentFileListTest, DisplayNames) {
    struct Case {
        const char* path;
        const char* cwd;
        const char* shown;
    };
    const Case cases[] = {
        {"/home/lab/T1.RYX", "/home/lab", "T1.RYX"},
        {"/home/lab/T1.RYX", "/home/lab/", "T1.RYX"},
        {"/home/lab/T1.RYX", "/home", "/home/lab/T1.RYX"},
        {"/home/lab/T1.RYX", "", "/home/lab/T1.RYX"},
        {"/home/lab/archive/2024/march/T1.RYX", "/tmp", "/home/.../2024/march/T1.RYX"},
        {"/home/lab/archive/2024/march/a-rather-long-test-name.RYX", "/tmp", "a-rather-long-test-name.RYX"},
    };
    for (const Case& c : cases) {
        RecentFileList list(profile, 4);
        list.Add(c.path);
        EXPECT_EQ(list.GetDisplayName(0, c.cwd), c.shown) << c.path << " in " << c.cwd;
    }
}

// ---- The application's list

class Doc : public Document {};

class OpensAll : public FrameFactory {
public:
    bool CreateFrame(DocTemplate&, Document&, bool) override { return true; }
    void CloseFrames(Document&) override {}
};

class AppRecentFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("RYX_CONFIG_DIR", dir.Path().c_str(), 1);
        test::App().LoadStdProfileSettings(4);
        list = test::App().GetRecentFileList();
        ASSERT_NE(list, nullptr);
        test::App().openShell = [this](const std::string& path) -> Document* {
            opened.push_back(path);
            return nullptr;
        };
    }
    void TearDown() override { test::App().openShell = {}; }
    std::string Profile() const {
        return platform::JoinPath(dir.Path(),
                                  test::App().applicationName().toLower().toStdString() + "-recent.ini");
    }
    std::string MakeFile(const std::string& name) {
        const std::string path = dir.File(name);
        WriteText(path, "");
        return path;
    }

    ryxtest::TempDir dir;
    ScriptedMessageBox boxes;
    ServiceScope<MessageBoxService> boxScope{boxes};
    RecentFileList* list = nullptr;
    Paths opened;
};

TEST_F(AppRecentFilesTest, DocumentsOpenedAddTheirPathsOnesSetWithoutAddingDoNot) {
    EXPECT_EQ(list->ProfilePath(), Profile());
    OpensAll frames;
    DocTemplate tmpl(
        130, [] { return std::unique_ptr<Document>(new Doc); }, &frames);
    const std::string t1 = MakeFile("T1.RYX");
    ASSERT_NE(tmpl.OpenDocumentFile(t1.c_str()), nullptr);
    Doc quiet;
    quiet.SetPathName(dir.File("NewTest.ryx"), false);  // a new test's name
    EXPECT_EQ(list->Entries(), (Paths{t1}));
    // Written at once: a later start finds it.
    RecentFileList fresh(Profile(), 4);
    fresh.ReadList();
    EXPECT_EQ(fresh.Entries(), (Paths{t1}));
}

TEST_F(AppRecentFilesTest, AnEntryOpensThroughTheApplicationAGoneOneIsTakenOffWithAMessage) {
    const std::string kept = MakeFile("T1.RYX");
    const std::string gone = dir.File("Gone.RYX");
    test::App().AddToRecentFileList(gone);
    test::App().AddToRecentFileList(kept);
    ASSERT_EQ(list->Entries(), (Paths{kept, gone}));

    std::vector<CommandTarget*> chain{&test::App()};
    CmdUI first(ID_FILE_MRU_FILE1), second(ID_FILE_MRU_FILE2), third(ID_FILE_MRU_FILE3);
    ASSERT_TRUE(RouteUpdate(chain, first) && RouteUpdate(chain, second) && RouteUpdate(chain, third));
    EXPECT_TRUE(first.IsEnabled());
    EXPECT_TRUE(second.IsEnabled());
    EXPECT_FALSE(third.IsEnabled());

    ASSERT_TRUE(RouteCommand(chain, ID_FILE_MRU_FILE1));
    EXPECT_EQ(opened, (Paths{kept}));
    EXPECT_EQ(boxes.Count(), 0u);
    // A file that did not open keeps its place: the open said why.
    EXPECT_EQ(list->Entries(), (Paths{kept, gone}));

    ASSERT_TRUE(RouteCommand(chain, ID_FILE_MRU_FILE2));
    EXPECT_EQ(opened.size(), 1u);
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Texts()[0], FormatString1(kIdsRecentFileGone, gone));
    EXPECT_NE(LoadString(kIdsRecentFileGone).find("%1"), std::string::npos);
    EXPECT_EQ(list->Entries(), (Paths{kept}));
    RecentFileList fresh(Profile(), 4);
    fresh.ReadList();
    EXPECT_EQ(fresh.Entries(), (Paths{kept}));
}

// The main frame shows the entries where its menu has the placeholder, and
// the placeholder itself, disabled, while there are none.
TEST_F(AppRecentFilesTest, FileMenusShowTheEntriesNumberedBeforeExit) {
    constexpr UINT kNew = 0xE100;
    const Menu menu = {{0,
                        "&Test",
                        {{kNew, "Run a &New Test...", {}},
                         {},
                         {ID_FILE_MRU_FILE1, "Recent File", {}},
                         {},
                         {ID_APP_EXIT, "E&xit", {}}}}};
    MainFrame frame;
    frame.SetDefaultMenu(menu);
    frame.UpdateCommandUI();
    QMenu* file = frame.menuBar()->actions().front()->menu();
    ASSERT_NE(file, nullptr);
    auto texts = [&] {
        std::vector<std::string> out;
        for (QAction* a : file->actions())
            if (!a->isSeparator() && a->isVisible()) out.push_back(a->text().toStdString());
        return out;
    };
    EXPECT_EQ(texts(), (std::vector<std::string>{"Run a &New Test...", "Recent File", "E&xit"}));
    EXPECT_EQ(frame.FindAction(ID_FILE_MRU_FILE1), nullptr);

    // Files of the current folder show by name alone.
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    ASSERT_EQ(chdir(dir.Path().c_str()), 0);
    const std::string a = MakeFile("A&B.RYX"), b = MakeFile("C.BDT");
    test::App().AddToRecentFileList(a);
    test::App().AddToRecentFileList(b);
    frame.UpdateCommandUI();  // as the idle work does
    EXPECT_EQ(texts(), (std::vector<std::string>{"Run a &New Test...", "&1 C.BDT", "&2 A&&B.RYX", "E&xit"}));
    ASSERT_NE(frame.FindAction(ID_FILE_MRU_FILE2), nullptr);
    EXPECT_TRUE(frame.FindAction(ID_FILE_MRU_FILE2)->isEnabled());
    frame.FindAction(ID_FILE_MRU_FILE2)->trigger();
    EXPECT_EQ(opened, (Paths{a}));

    // Gone: taken off, and the menu follows.
    std::remove(b.c_str());
    frame.FindAction(ID_FILE_MRU_FILE1)->trigger();
    EXPECT_EQ(boxes.Count(), 1u);
    Pump();
    frame.UpdateCommandUI();
    EXPECT_EQ(texts(), (std::vector<std::string>{"Run a &New Test...", "&1 A&&B.RYX", "E&xit"}));
    EXPECT_EQ(frame.FindAction(ID_FILE_MRU_FILE2), nullptr);
    ASSERT_EQ(chdir(cwd), 0);
}

}  // namespace
}  // namespace fw
