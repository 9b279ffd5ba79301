// The station's file dialogs on the scripted dialog service: what each shows,
// what it hands over, and the preview's reading of each file.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <QTimer>
#include <climits>
#include <filesystem>
#include <fstream>

#include "app/FileDialogsWithPreview.h"
#include "app/tests/support/GeneratedTests.h"
#include "framework/core/TestDoubles.h"
#include "framework/ui/ListCtrl.h"

namespace {

class FileDialogs : public testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/ryx-dialogs-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    std::string dir;
    fw::ScriptedOpenDialogs dialogs;
    fw::ServiceScope<fw::OpenDialogService> dialogScope{dialogs};
    fw::ScriptedMessageBox boxes;
    fw::ServiceScope<fw::MessageBoxService> boxScope{boxes};
};

TEST_F(FileDialogs, BatchExportShowsItsModeAndHandsOverFormatAndReversedPaths) {
    dialogs.Script({fw::ScriptedOpenDialogs::Ok({"/d/A.ryx", "/d/b.RYX"}, 1, 1)});
    RYXBatchExport data("Tests|*.RYX||");
    ASSERT_EQ(data.DoModal(), IDOK);
    EXPECT_EQ(data.m_strFormat, "dat");
    std::vector<std::string> queue{"kept"};
    ASSERT_TRUE(data.GetPathList(&queue));
    EXPECT_EQ(queue, (std::vector<std::string>{"kept", "/d/b.RYX", "/d/A.ryx"}));

    dialogs.Script({fw::ScriptedOpenDialogs::Ok({"/d/A.ryx"})});
    RYXBatchExport results("Tests|*.RYX||");
    results.SetLimsMode(TRUE);
    ASSERT_EQ(results.DoModal(), IDOK);
    EXPECT_EQ(results.m_strFormat, "LIMS");
    ASSERT_EQ(dialogs.Dialogs().size(), 2u);
    const auto& shown = dialogs.Dialogs();
    EXPECT_EQ(shown[0].caption, "Batch Export Data");
    EXPECT_EQ(shown[0].okText, "Export");
    EXPECT_EQ(shown[0].typeLabel, "Export File Type : ");
    EXPECT_EQ(shown[0].types,
              (std::vector<std::string>{"Comma Separated Values (*.csv)", "ASCII file format      (*.dat)"}));
    EXPECT_EQ(shown[0].helpTopic, "RYXW.chm::/RYXW/Test_menu_options.htm");
    EXPECT_EQ(shown[1].caption, "Batch Export Results");
    EXPECT_EQ(shown[1].types, std::vector<std::string>{"Comma Separated Values (*.csv)"});
    EXPECT_EQ(boxes.Count(), 0u);
}

TEST_F(FileDialogs, DeltaTcAndOpenShowTheirFilterHintAndHelp) {
    dialogs.Script({fw::ScriptedOpenDialogs::Ok({"/d/a.ryx", "/d/b.ryx"})});
    RYXFileOpenDeltaTc delta;
    ASSERT_EQ(delta.DoModal(), IDOK);
    std::vector<std::string> files;
    ASSERT_TRUE(delta.GetPathList(&files));
    EXPECT_EQ(files, (std::vector<std::string>{"/d/b.ryx", "/d/a.ryx"}));
    // A failed selection ends the dialog without a message of its own.
    dialogs.Script({fw::ScriptedOpenDialogs::Fail(), fw::ScriptedOpenDialogs::Ok({"/d/a.ryx", "/d/b.ryx"})});
    RYXFileOpenDeltaTc failed;
    ASSERT_EQ(failed.DoModal(), IDOK);
    files.clear();
    ASSERT_TRUE(failed.GetPathList(&files));
    EXPECT_TRUE(files.empty());
    EXPECT_EQ(boxes.Count(), 0u);

    dialogs.Script(
        {fw::ScriptedOpenDialogs::Ok({"/d/a.ryx", "/d/b.ryx"}), fw::ScriptedOpenDialogs::Ok({"/d/b.ryx"})});
    RYXFileOpen open("Tests|*.RYX||");
    ASSERT_EQ(open.DoModal(), IDOK);
    EXPECT_EQ(open.GetPathName(), "/d/b.ryx");
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"Choose only one file to open."});

    const auto& shown = dialogs.Dialogs();
    EXPECT_EQ(shown[0].filter, "RYXw Test Report (*.ryx)|*.ryx||");
    EXPECT_EQ(shown[0].hint, "Use the keyboard Ctrl button and mouse to select two *.ryx files.");
    EXPECT_EQ(shown[0].helpTopic, "RYXW.chm::/RYXW/Testing_a_sample.htm");
    EXPECT_TRUE(shown[2].previewButton);
    EXPECT_EQ(shown[2].helpTopic, "RYXW.chm::/RYXW/Testing_a_sample.htm");
}

TEST_F(FileDialogs, PreviewReadsEachFileOnItsOwnABadDateSpoilsOnlyItsFile) {
    setenv("RYX_CONFIG_DIR", dir.c_str(), 1);
    gentest::Creep c;
    c.project = "Project A";
    ASSERT_TRUE(gentest::WriteTest(dir + "/a.ryx", c));
    c.time = LLONG_MAX;  // no calendar holds it
    ASSERT_TRUE(gentest::WriteTest(dir + "/late.ryx", c));
    std::ofstream(dir + "/text.ryx") << "not a test";

    PreviewItem item;
    ASSERT_TRUE(RYXFileOpen::ReadPreviewItem(dir + "/a.ryx", item));
    EXPECT_EQ(item.m_strPath, dir + "/a.ryx");
    EXPECT_EQ(item.m_strProject, "Project A");
    EXPECT_EQ(item.m_strOperator, "Operator");
    EXPECT_EQ(item.m_strSpecimen, "B1");
    EXPECT_FALSE(item.m_strDateTime.empty());
    PreviewItem bad;
    CQXRYXTestDoc late;
    ASSERT_TRUE(late.OnOpenDocument(dir + "/late.ryx")) << "the file reads; only its date does not convert";
    EXPECT_FALSE(RYXFileOpen::ReadPreviewItem(dir + "/late.ryx", bad));
    EXPECT_FALSE(RYXFileOpen::ReadPreviewItem(dir + "/text.ryx", bad));
    EXPECT_FALSE(RYXFileOpen::ReadPreviewItem(dir + "/gone.ryx", bad));
    EXPECT_EQ(boxes.Count(), 0u) << "the preview's documents read without messages";
}

// The dialog takes names typed with their folders, so the chosen files may
// come from two folders: each row of the preview opens its own file.
TEST_F(FileDialogs, APreviewOverTwoFoldersOpensTheChosenRowsFile) {
    setenv("RYX_CONFIG_DIR", dir.c_str(), 1);
    std::filesystem::create_directories(dir + "/d1");
    std::filesystem::create_directories(dir + "/d2");
    gentest::Creep c;
    c.project = "First";
    ASSERT_TRUE(gentest::WriteTest(dir + "/d1/x.ryx", c));
    c.project = "Second";
    ASSERT_TRUE(gentest::WriteTest(dir + "/d2/y.ryx", c));
    // A name in the first folder like the second's: the wrong file to open.
    c.project = "Wrong";
    ASSERT_TRUE(gentest::WriteTest(dir + "/d1/y.ryx", c));

    for (int row : {1, 0}) {
        SCOPED_TRACE(row);
        std::vector<std::string> shown;
        QTimer::singleShot(0, [&, row] {
            auto* preview = qobject_cast<FilePreview*>(QApplication::activeModalWidget());
            ASSERT_NE(preview, nullptr);
            for (int r = 0; r < preview->List()->GetItemCount(); ++r)
                shown.push_back(preview->List()->GetItemText(r, 0) + "|" +
                                preview->List()->GetItemText(r, 2));
            preview->List()->SetSelectedRow(row);
            preview->accept();
        });
        dialogs.Script({fw::ScriptedOpenDialogs::Preview({dir + "/d1/x.ryx", dir + "/d2/y.ryx"})});
        RYXFileOpen open("Tests|*.RYX||");
        ASSERT_EQ(open.DoModal(), IDOK);
        EXPECT_EQ(shown, (std::vector<std::string>{"x.ryx|First", "y.ryx|Second"}));
        EXPECT_EQ(open.GetPathName(), row == 1 ? dir + "/d2/y.ryx" : dir + "/d1/x.ryx");
    }
    EXPECT_EQ(boxes.Count(), 0u);
}

}  // namespace
