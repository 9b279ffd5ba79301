// The open dialog with an OK test, Preview and extra controls: the scripted
// double and the Qt dialog on the offscreen platform; the list with columns.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include "framework/ui/ListCtrl.h"
#include "framework/ui/OpenFileDialog.h"
#include "framework/ui/tests/support/TestApp.h"

namespace fw {
namespace {

// Takes one file; a preview ends the dialog with the last file selected.
class OneFile : public OpenFileDialog {
public:
    int vetoes = 0;
    std::vector<std::vector<std::string>> previewed;

protected:
    bool OnFileNameOK() override {
        if (GetSelection().size() == 1) return false;
        ++vetoes;
        return true;
    }
    void OnPreview() override {
        if (!ReadSelection()) {
            previewed.push_back({"error"});
            return;
        }
        previewed.push_back(GetSelection());
        if (GetSelection().size() > 2) EndWithPath(GetSelection().back());
    }
};

TEST(ScriptedOpenDialog, VetoThenRetryPreviewFailureAndCancel) {
    ScriptedOpenDialogs script;
    ServiceScope scope(script);
    script.Script({ScriptedOpenDialogs::Ok({"/d/a", "/d/b"}), ScriptedOpenDialogs::Ok({"/d/b"}, 2, 1)});
    script.Script({ScriptedOpenDialogs::Fail(), ScriptedOpenDialogs::Preview({"/d/a"}),
                   ScriptedOpenDialogs::Preview({"/d/a", "/d/b"}),
                   ScriptedOpenDialogs::Preview({"/d/a", "/d/b", "/d/c"})});
    script.Script({ScriptedOpenDialogs::Preview({"/d/a"}), ScriptedOpenDialogs::Cancel(),
                   ScriptedOpenDialogs::Ok({"/d/a"})});

    OneFile d;
    d.m_caption = "Choose";
    d.m_types = {"one", "two"};
    EXPECT_EQ(d.DoModal(), IDOK);
    EXPECT_EQ(d.vetoes, 1);
    EXPECT_EQ(d.GetPathName(), "/d/b");
    EXPECT_EQ(d.GetFilterIndex(), 2);
    EXPECT_EQ(d.m_typeIndex, 1);

    OneFile p;
    EXPECT_EQ(p.DoModal(), IDOK);
    EXPECT_EQ(p.previewed,
              (std::vector<std::vector<std::string>>{{"error"}, {"/d/a", "/d/b"}, {"/d/a", "/d/b", "/d/c"}}));
    EXPECT_EQ(p.GetSelection(), std::vector<std::string>{"/d/c"});

    OneFile c;
    EXPECT_EQ(c.DoModal(), IDCANCEL) << "the steps after Cancel are not played";
    OneFile none;
    EXPECT_EQ(none.DoModal(), IDCANCEL);
    ASSERT_EQ(script.Dialogs().size(), 4u);
    EXPECT_EQ(script.Dialogs()[0].caption, "Choose");
    EXPECT_EQ(script.Dialogs()[0].result, IDOK);
}

TEST(QtOpenDialog, VetoKeepsItOpenPreviewReadsTheSelectionExtraControlsShow) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    std::vector<std::string> paths;
    for (const char* n : {"a.ryx", "b.ryx", "c.ryx"}) {
        const QString p = dir.path() + "/" + n;
        QFile f(p);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        paths.push_back(p.toStdString());
    }
    OneFile d;
    d.m_caption = "Batch";
    d.m_okText = "Export";
    d.m_hint = "Pick some";
    d.m_typeLabel = "Type : ";
    d.m_types = {"csv", "dat"};
    d.m_previewButton = true;
    d.m_directory = dir.path().toStdString();
    d.m_filter = "Tests (*.ryx)|*.ryx||";

    bool stayedOpen = false;
    std::string okText, hint;
    int typeCount = 0;
    QtOpenDialogs::SetShownHook([&](QWidget* w) {
        QTimer::singleShot(0, w, [&, w] {
            auto* q = static_cast<QFileDialog*>(w);
            okText = q->labelText(QFileDialog::Accept).toStdString();
            if (auto* h = q->findChild<QLabel*>("hint")) hint = h->text().toStdString();
            if (auto* t = q->findChild<QComboBox*>("fileType")) {
                typeCount = t->count();
                t->setCurrentIndex(1);
            }
            q->selectFile(QStringLiteral("\"a.ryx\" \"b.ryx\""));
            static_cast<QDialog*>(q)->accept();  // two files: vetoed
            stayedOpen = q->isVisible();
            q->selectFile(QStringLiteral("\"a.ryx\" \"b.ryx\" \"c.ryx\""));
            q->findChild<QPushButton*>("preview")->click();  // three: the preview ends it with c
        });
    });
    const int r = d.DoModal();
    QtOpenDialogs::SetShownHook(nullptr);
    EXPECT_EQ(r, IDOK);
    EXPECT_EQ(d.vetoes, 1);
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(okText, "Export");
    EXPECT_EQ(hint, "Pick some");
    EXPECT_EQ(typeCount, 2);
    EXPECT_EQ(d.m_typeIndex, 1);
    ASSERT_EQ(d.previewed.size(), 1u);
    EXPECT_EQ(d.previewed[0], paths);
    EXPECT_EQ(d.GetPathName(), paths[2]);
}

// The filter shows as the document strings give it, and lists test files
// whatever the case of their extension, and nothing else.
TEST(QtOpenDialog, TheFilterReadsAsGivenAndMatchesEitherCase) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const char* n : {"lower.ryx", "UPPER.RYX", "Mixed.Ryx", "notes.txt"}) {
        QFile f(dir.path() + "/" + n);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    OneFile d;
    d.m_directory = dir.path().toStdString();
    d.m_filter = "RYXw Test Report (*.ryx)|*.RYX|DOS Version 4.1 or 4.2 Test Report (*.bdt)|*.BDT||";
    QStringList filters, listed;
    bool done = false;
    QtOpenDialogs::SetShownHook([&](QWidget* w) {
        auto* q = static_cast<QFileDialog*>(w);
        filters = q->nameFilters();
        auto* model = q->findChild<QFileSystemModel*>();
        ASSERT_NE(model, nullptr);
        // Qt reads the folder on a thread of its own.
        QObject::connect(model, &QFileSystemModel::directoryLoaded, q, [&, q](const QString& loaded) {
            if (done || loaded != dir.path()) return;
            done = true;
            QTimer::singleShot(0, q, [&, q] {
                auto* view = q->findChild<QListView*>(QStringLiteral("listView"));
                for (int r = 0; view && r < view->model()->rowCount(view->rootIndex()); ++r)
                    listed << view->model()->index(r, 0, view->rootIndex()).data().toString();
                q->reject();
            });
        });
    });
    EXPECT_EQ(d.DoModal(), IDCANCEL);
    QtOpenDialogs::SetShownHook(nullptr);
    EXPECT_EQ(filters.join("|").toStdString(),
              "RYXw Test Report (*.ryx)|DOS Version 4.1 or 4.2 Test Report (*.bdt)");
    listed.sort();
    EXPECT_EQ(listed.join("|").toStdString(), "Mixed.Ryx|UPPER.RYX|lower.ryx");
}

TEST(ListCtrlTest, ColumnsRowsSelectionAndDoubleClick) {
    ListCtrl list;
    list.InsertColumn(0, "File Path", 96);
    list.InsertColumn(1, "Project", 96);
    EXPECT_EQ(list.columnCount(), 2);
    EXPECT_EQ(list.headerItem()->text(1).toStdString(), "Project");
    EXPECT_EQ(list.columnWidth(0), 96);
    EXPECT_EQ(list.InsertItem("a.ryx"), 0);
    EXPECT_EQ(list.InsertItem("b.ryx"), 1);
    list.SetItemText(1, 1, "P2");
    EXPECT_EQ(list.GetItemText(1, 1), "P2");
    EXPECT_EQ(list.GetSelectedRow(), -1);
    list.SetSelectedRow(1);
    EXPECT_EQ(list.GetSelectedRow(), 1);
    int clicked = -1;
    list.SetDoubleClickHandler([&](int row) { clicked = row; });
    emit list.itemDoubleClicked(list.topLevelItem(0), 0);
    EXPECT_EQ(clicked, 0);
}

}  // namespace
}  // namespace fw
