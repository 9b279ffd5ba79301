// The file commands of the running station: batch exports of a thousand test
// files in each format, Delta Tc of two tests at -12 and -18 degC, the file
// dialogs on the offscreen platform (veto, preview) with their screenshots,
// and the temperature-control toggle on the simulated instrument.
#include <sys/stat.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>

#include "app/BatchExportJob.h"
#include "app/CQXRYXMainFrame.h"
#include "app/CommandRules.h"
#include "app/FileDialogsWithPreview.h"
#include "app/tests/support/GeneratedTests.h"
#include "data/CQXRYXDeltaTcDoc.h"
#include "data/DeltaTcCompute.h"
#include "e2e/support/Station.h"
#include "framework/core/Strings.h"
#include "framework/ui/ListCtrl.h"
#include "framework/ui/OpenFileDialog.h"
#include "framework/ui/QtMessageBox.h"
#include "framework/ui/RecentFileList.h"
#include "instrument/BeamState.h"
#include "platform/Paths.h"

namespace e2e {
namespace {

std::string Read(const std::string& path) {
    std::string s;
    platform::ReadWholeFile(path, s);
    return s;
}

void Shoot(QWidget* w, const char* name) {
    QDir().mkpath(RYX_E2E_ARTEFACTS);
    const QImage shot = w->grab().toImage();
    EXPECT_FALSE(shot.isNull());
    EXPECT_TRUE(shot.save(QString(RYX_E2E_ARTEFACTS) + "/" + name));
}

// Runs act in the dialog's loop once it lists folder (Qt reads folders on a
// thread of its own).
void WhenListed(QWidget* w, const std::string& folder, std::function<void()> act) {
    auto* q = static_cast<QFileDialog*>(w);
    auto* model = q->findChild<QFileSystemModel*>();
    ASSERT_NE(model, nullptr);
    const QString dir = QString::fromStdString(folder);
    auto done = std::make_shared<bool>(false);
    QObject::connect(model, &QFileSystemModel::directoryLoaded, q, [=](const QString& loaded) {
        if (*done || loaded != dir) return;
        *done = true;
        QTimer::singleShot(0, q, act);
    });
    q->setDirectory(dir);
}

// Names typed into the dialog's file name, as the user types them.
void Type(QFileDialog* q, const QString& names) {
    auto* edit = q->findChild<QLineEdit*>("fileNameEdit");
    ASSERT_NE(edit, nullptr);
    edit->setText(names);
}

class FileCommandsTest : public StationTest {
protected:
    void SetUp() override {
        StationTest::SetUp();
        ASSERT_NO_FATAL_FAILURE(StartReadyStation());
        folder = platform::JoinPath(DataDir(), "tests");
        ASSERT_EQ(platform::EnsureDirectory(folder), 0u);
    }
    void TearDown() override {
        fw::QtOpenDialogs::SetShownHook(nullptr);
        StationTest::TearDown();
    }
    std::string Test(const std::string& name, const gentest::Creep& c = {}) {
        const std::string p = platform::JoinPath(folder, name);
        EXPECT_TRUE(gentest::WriteTest(p, c));
        return p;
    }
    // count copies of one generated test, named T0000.ryx and on.
    std::vector<std::string> Copies(int count) {
        const std::string bytes = Read(Test("model.ryx"));
        std::vector<std::string> out;
        for (int i = 0; i < count; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "T%04d.ryx", i);
            out.push_back(platform::JoinPath(folder, name));
            std::ofstream(out.back(), std::ios::binary) << bytes;
        }
        return out;
    }
    bool Run(UINT id) { return App().m_pMainFrame->OnCmdMsg(id); }
    bool BatchEnabled() {
        fw::CmdUI ui(ID_BATCH_EXPORT_DATA);
        App().OnUpdateBatchExport(ui);
        return ui.IsEnabled();
    }
    // Two good test files and two that are not: a test cut short at 3000
    // bytes and a text file with a test file's name.
    struct Files {
        std::string good, same, truncated, junk;
    };
    Files GoodAndBadFiles() {
        Files f{Test("good.ryx"), Test("same.ryx"), platform::JoinPath(folder, "truncated.ryx"),
                platform::JoinPath(folder, "junk.ryx")};
        std::ofstream(f.truncated, std::ios::binary) << Read(f.good).substr(0, 3000);
        std::ofstream(f.junk) << "Notes of the day: bath at -12, beams B1 to B4 poured.\n";
        return f;
    }
    std::string folder;
    fw::ScriptedOpenDialogs dialogs;
};

// The real boxes with their own loops, each answered as soon as it is open
// and its text kept.
struct RealBoxesAnswered {
    fw::QtMessageBox real;
    std::vector<std::string> shown;
    QTimer answer;
    RealBoxesAnswered() {
        QObject::connect(&answer, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                shown.push_back(box->text().toStdString());
                box->accept();
            }
        });
        answer.start(5);
    }
};

struct FormatCase {
    UINT command;
    int type;
    const char* caption;
    const char* name;
    std::string (*output)(const std::string&);
};

void PrintTo(const FormatCase& c, std::ostream* os) {
    *os << c.name;
}

const FormatCase kFormats[] = {
    {ID_BATCH_EXPORT_DATA, 0, "Batch Export Data", "csv",
     [](const std::string& p) { return p.substr(0, p.size() - 3) + "csv"; }},
    {ID_BATCH_EXPORT_DATA, 1, "Batch Export Data", "dat",
     [](const std::string& p) { return p.substr(0, p.size() - 3) + "dat"; }},
    {ID_BATCH_EXPORT_RESULTS, 0, "Batch Export Results", "LIMS",
     [](const std::string& p) { return p.substr(0, p.size() - 4) + "LIMS.csv"; }},
};

class ThousandFiles : public FileCommandsTest, public testing::WithParamInterface<FormatCase> {};

TEST_P(ThousandFiles, InTheDialogsOrderWithProgressRecentFilesUntouched) {
    const FormatCase& c = GetParam();
    App().AddToRecentFileList(Test("mine1.ryx"));
    App().AddToRecentFileList(Test("mine2.ryx"));
    const std::vector<std::string> recent = App().GetRecentFileList()->Entries();
    const std::string profile = Read(App().GetRecentFileList()->ProfilePath());
    ASSERT_FALSE(profile.empty());

    const std::vector<std::string> files = Copies(1000);
    fw::ServiceScope scope(dialogs);
    dialogs.Script({fw::ScriptedOpenDialogs::Ok(files, 1, c.type)});
    ASSERT_TRUE(Run(c.command));
    EXPECT_EQ(dialogs.Dialogs().back().caption, c.caption);
    EXPECT_EQ(App().m_strExportFormat, c.name);
    ASSERT_EQ(App().m_exportQueue.size(), 1000u);
    QProgressBar* bar = App().m_pMainFrame->Progress();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->minimum(), 1);
    EXPECT_EQ(bar->maximum(), 1000);
    EXPECT_EQ(App().m_pMainFrame->GetPaneText(0), c.caption);
    EXPECT_FALSE(BatchEnabled()) << "no second batch while one runs";

    // The loop works the queue off, one file per idle period.
    std::vector<int> progress;
    ASSERT_TRUE(Until(
        [&] {
            if (QProgressBar* b = App().m_pMainFrame->Progress()) progress.push_back(b->value());
            return App().m_exportQueue.empty();
        },
        600000));
    EXPECT_EQ(App().m_pMainFrame->Progress(), nullptr);
    EXPECT_TRUE(BatchEnabled());
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_GT(progress.size(), 100u) << "the loop ran between the files";
    const BatchExportJob& job = App().ExportJob();
    ASSERT_EQ(job.Written().size(), 1000u);
    for (size_t i = 0; i < files.size(); ++i) ASSERT_EQ(job.Written()[i], c.output(files[i])) << i;
    EXPECT_FALSE(Read(c.output(files[999])).empty());
    EXPECT_TRUE(job.Failures().empty());
    EXPECT_EQ(boxes.Count(), 0u);
    EXPECT_TRUE(App().m_pReportTemplate->GetDocuments().empty()) << "every hidden document closed";
    EXPECT_EQ(App().GetRecentFileList()->Entries(), recent);
    EXPECT_EQ(Read(App().GetRecentFileList()->ProfilePath()), profile) << "the list was not rewritten";
}

// Every file the batch could not export is named in the box at its end,
// wherever it stood in the selection: a test file cut short and a text file
// with a test file's name, first, in the middle, last and together, in each
// format. The command is posted as the menu posts it, the idle loop works
// the queue off, and the boxes are the real ones with their nested loops
// (a box open while files remain would let the loop run the next file).
class BatchFailures : public FileCommandsTest, public testing::WithParamInterface<FormatCase> {};

TEST_P(BatchFailures, NamesEveryFileNotExportedWhateverItsPlace) {
    const FormatCase& f = GetParam();
    const auto [good, same, truncated, junk] = GoodAndBadFiles();
    struct Case {
        const char* name;
        std::vector<std::string> files;
        std::vector<std::string> failed;
    };
    const Case cases[] = {
        {"truncated first", {truncated, good}, {truncated}},
        {"junk first", {junk, same}, {junk}},
        {"truncated in the middle", {good, truncated, same}, {truncated}},
        {"junk in the middle", {good, junk, same}, {junk}},
        {"truncated last", {good, truncated}, {truncated}},
        {"junk last", {same, junk}, {junk}},
        {"two bad files", {truncated, good, junk, same}, {truncated, junk}},
        {"two bad files together", {junk, truncated, good}, {junk, truncated}},
    };
    RealBoxesAnswered answered;
    fw::ServiceScope scope(dialogs);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        answered.shown.clear();
        for (const std::string& file : c.files) std::remove(f.output(file).c_str());
        dialogs.Script({fw::ScriptedOpenDialogs::Ok(c.files, 1, f.type)});
        Command(f.command);
        ASSERT_TRUE(Until([&] {
            return App().m_exportQueue.empty() && !App().m_pMainFrame->Progress() &&
                   !answered.shown.empty() && !QApplication::activeModalWidget();
        }));
        // The box lists the files with a tab before each, which it shows as spaces.
        std::string text = "The following files were not exported :";
        for (const std::string& file : c.failed) text += "\n    " + file;
        EXPECT_EQ(answered.shown, std::vector<std::string>{text});
        for (const std::string& file : c.files) {
            const bool bad = std::find(c.failed.begin(), c.failed.end(), file) != c.failed.end();
            EXPECT_EQ(Read(f.output(file)).empty(), bad) << file;
        }
        EXPECT_EQ(App().ExportJob().Failures(), c.failed);
        EXPECT_TRUE(App().m_pReportTemplate->GetDocuments().empty()) << "every hidden document closed";
    }
}

INSTANTIATE_TEST_SUITE_P(EachFormat, ThousandFiles, testing::ValuesIn(kFormats),
                         [](const testing::TestParamInfo<FormatCase>& info) {
                             return std::string(info.param.name);
                         });
INSTANTIATE_TEST_SUITE_P(EachFormat, BatchFailures, testing::ValuesIn(kFormats),
                         [](const testing::TestParamInfo<FormatCase>& info) {
                             return std::string(info.param.name);
                         });

// The operator's gesture in the real dialog: the first file clicked, the
// others added with Ctrl and a click, the choice confirmed by a double-click
// on the last one. The double-click's first click on a row of the selection
// used to leave that row alone selected, so that the batch held the last
// file only: a bad file before it was neither exported nor named, a good one
// before a bad last file silently not exported.
TEST_F(FileCommandsTest, ADoubleClickOnTheLastFileChosenExportsEveryFileChosenAndNamesTheBadOnes) {
    const auto [good, same, truncated, junk] = GoodAndBadFiles();
    const auto csv = [](const std::string& p) { return p.substr(0, p.size() - 3) + "csv"; };
    const auto name = [](const std::string& p) { return QString::fromStdString(platform::BaseName(p)); };
    struct Case {
        const char* name;
        std::vector<std::string> clicked;  // in the order clicked; the last is double-clicked
        std::vector<std::string> failed;
        // A plain click on the last file before the double-click: the
        // operator narrowed the choice to that file alone.
        bool narrowed = false;
    };
    const Case cases[] = {
        {"truncated first", {truncated, good}, {truncated}},
        {"junk first", {junk, same}, {junk}},
        {"truncated in the middle", {good, truncated, same}, {truncated}},
        {"truncated last", {good, truncated}, {truncated}},
        {"junk last", {same, junk}, {junk}},
        {"two bad files", {truncated, good, junk, same}, {truncated, junk}},
        {"narrowed to the good file", {truncated, good}, {}, true},
    };
    RealBoxesAnswered answered;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        answered.shown.clear();
        for (const std::string& file : c.clicked) std::remove(csv(file).c_str());
        QString chosen;  // the file name field before the double-click
        bool acted = false;
        fw::QtOpenDialogs::SetShownHook([&](QWidget* w) {
            WhenListed(w, folder, [&, w] {
                auto* q = static_cast<QFileDialog*>(w);
                // The detail view, as the dialog opens.
                auto* view = q->findChild<QAbstractItemView*>("treeView");
                ASSERT_NE(view, nullptr);
                ASSERT_TRUE(view->isVisible());
                const auto row = [&](const std::string& file) {
                    const QModelIndexList hit =
                        view->model()->match(view->model()->index(0, 0, view->rootIndex()), Qt::DisplayRole,
                                             name(file), 1, Qt::MatchExactly);
                    return hit.isEmpty() ? QPoint(-1, -1) : view->visualRect(hit.front()).center();
                };
                // Qt's list drops the first press it gets after the dialog
                // opens (on a desktop too, after a folder typed into the file
                // name); a click below the rows, where it selects nothing,
                // takes it.
                QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier,
                                  QPoint(5, view->viewport()->height() - 5));
                for (size_t i = 0; i < c.clicked.size(); ++i) {
                    const QPoint at = row(c.clicked[i]);
                    ASSERT_GE(at.y(), 0) << c.clicked[i];
                    QTest::mouseClick(view->viewport(), Qt::LeftButton,
                                      i == 0 ? Qt::NoModifier : Qt::ControlModifier, at);
                }
                if (c.narrowed)
                    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier,
                                      row(c.clicked.back()));
                chosen = q->findChild<QLineEdit*>("fileNameEdit")->text();
                if (std::string(c.name) == "two bad files") Shoot(w, "batch-export-chosen-by-clicks.png");
                acted = true;
                // A double-click as the window system delivers it: press,
                // release, double-click, release.
                const QPoint last = row(c.clicked.back());
                QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, last);
                QTest::mouseDClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, last);
                if (q->isVisible())
                    QTest::mouseRelease(view->viewport(), Qt::LeftButton, Qt::NoModifier, last);
            });
        });
        Command(ID_BATCH_EXPORT_DATA);
        ASSERT_TRUE(acted);
        const std::vector<std::string> batch =
            c.narrowed ? std::vector<std::string>{c.clicked.back()} : c.clicked;
        QStringList names;
        for (const std::string& file : batch)
            names << (batch.size() > 1 ? "\"" + name(file) + "\"" : name(file));
        EXPECT_EQ(chosen.toStdString(), names.join(' ').toStdString());
        ASSERT_TRUE(Until([&] {
            return App().m_exportQueue.empty() && !App().m_pMainFrame->Progress() &&
                   !QApplication::activeModalWidget();
        }));
        std::string text = "The following files were not exported :";
        for (const std::string& file : c.failed) text += "\n    " + file;
        EXPECT_EQ(answered.shown,
                  c.failed.empty() ? std::vector<std::string>{} : std::vector<std::string>{text});
        for (const std::string& file : c.clicked) {
            const bool exported = std::find(batch.begin(), batch.end(), file) != batch.end() &&
                                  std::find(c.failed.begin(), c.failed.end(), file) == c.failed.end();
            EXPECT_EQ(Read(csv(file)).empty(), !exported) << file;
        }
        EXPECT_EQ(App().ExportJob().Failures(), c.failed);
    }
}

TEST_F(FileCommandsTest, BatchListsTheFilesItCouldNotExportAndSparesTheDosHeader) {
    const std::string good = Test("good.ryx");
    const std::string pair = Test("T1.RYX");
    std::ofstream(platform::JoinPath(folder, "T1.BDT")) << "bdt";
    std::ofstream(platform::JoinPath(folder, "T1.DAT")) << "DOS header";
    const std::string broken = platform::JoinPath(folder, "broken.ryx");
    std::ofstream(broken) << "not a test";
    fw::ServiceScope scope(dialogs);
    dialogs.Script({fw::ScriptedOpenDialogs::Ok({good, pair, broken}, 1, 1)});
    ASSERT_TRUE(Run(ID_BATCH_EXPORT_DATA));
    ASSERT_TRUE(Until([] { return App().m_exportQueue.empty(); }));
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Texts()[0], "The following files were not exported :\n\t" + pair + "\n\t" + broken);
    EXPECT_EQ(Read(platform::JoinPath(folder, "T1.DAT")), "DOS header");
    EXPECT_FALSE(Read(platform::JoinPath(folder, "good.dat")).empty());
}

TEST_F(FileCommandsTest, NoTestFileChosenOrAFailedSelectionExportsNothing) {
    fw::ServiceScope scope(dialogs);
    // A failed selection: 657 from the dialog, then 656 from the command.
    dialogs.Script({fw::ScriptedOpenDialogs::Fail(), fw::ScriptedOpenDialogs::Ok({Test("a.ryx")})});
    ASSERT_TRUE(Run(ID_BATCH_EXPORT_RESULTS));
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{fw::LoadString(657), fw::LoadString(656)}));
    EXPECT_TRUE(App().m_exportQueue.empty());
    EXPECT_EQ(App().m_pMainFrame->Progress(), nullptr);
    boxes.Clear();
    // Only foreign files: 658 and the dialog stays; Cancel then ends it.
    const std::string text = platform::JoinPath(folder, "notes.txt");
    std::ofstream(text) << "x";
    dialogs.Script({fw::ScriptedOpenDialogs::Ok({text}), fw::ScriptedOpenDialogs::Cancel()});
    ASSERT_TRUE(Run(ID_BATCH_EXPORT_DATA));
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{fw::FormatString1(658, "\n\t" + text)});
    EXPECT_TRUE(App().m_exportQueue.empty());
}

// Delta Tc of the binder at -12 and -18 degC, with the creep of the
// simulator's binder: S(60 s) 200 and 400 MPa, m(60 s) 0.35 and 0.28.
TEST_F(FileCommandsTest, DeltaTcOfTwoTestsShowsAboutPlusPointEight) {
    const std::string warm = Test("b12.ryx", {-12.0f, 200.0, 0.35});
    const std::string cold = Test("b18.ryx", {-18.0f, 400.0, 0.28});
    // A test the user has open stays open.
    fw::Document* mine = App().m_pReportTemplate->OpenDocumentFile(warm.c_str(), false);
    ASSERT_NE(mine, nullptr);
    fw::ServiceScope scope(dialogs);
    dialogs.Script({fw::ScriptedOpenDialogs::Ok({warm, cold})});
    ASSERT_TRUE(Run(ID_CALCULATE_DELTA_TC));
    EXPECT_EQ(App().m_deltaTcFiles, (std::vector<std::string>{cold, warm}));
    ASSERT_TRUE(Until([] { return !App().m_pDeltaTcTemplate->GetDocuments().empty(); }));
    EXPECT_TRUE(App().m_deltaTcFiles.empty());
    EXPECT_EQ(boxes.Count(), 0u);
    auto* doc = static_cast<CQXRYXDeltaTcDoc*>(App().m_pDeltaTcTemplate->GetDocuments().front().get());
    EXPECT_EQ(doc->m_data1.m_strFileName.m_data, "b18");
    EXPECT_EQ(doc->m_data2.m_strFileName.m_data, "b12");
    const DeltaTcResults r = ComputeDeltaTc(doc->m_data1, doc->m_data2);
    std::printf("Tc,S = %.2f degC, Tc,m = %.2f degC, Delta Tc = %+.2f degC\n", r.tcStiffness.m_data,
                r.tcMValue.m_data, r.deltaTc.m_data);
    EXPECT_NEAR(r.deltaTc.m_data, 0.8, 0.1);
    EXPECT_EQ(FormatDeltaTc(r).deltaTc, " 0.8");
    ASSERT_EQ(App().m_pReportTemplate->GetDocuments().size(), 1u);
    EXPECT_EQ(App().m_pReportTemplate->GetDocuments().front().get(), mine);
    EXPECT_TRUE(std::find(App().GetRecentFileList()->Entries().begin(),
                          App().GetRecentFileList()->Entries().end(),
                          "Delta Tc") == App().GetRecentFileList()->Entries().end());
}

TEST_F(FileCommandsTest, DeltaTcRefusesAnUnreadableFileAndAPairThatFailsTheCheck) {
    const std::string warm = Test("b12.ryx", {-12.0f, 200.0, 0.35});
    const std::string same = Test("s12.ryx", {-12.0f, 400.0, 0.28});
    const std::string reversed = Test("r18.ryx", {-18.0f, 200.0, 0.28});
    const std::string broken = platform::JoinPath(folder, "broken.ryx");
    std::ofstream(broken) << "not a test";
    struct Case {
        std::string second;
        std::string message;
    };
    const Case cases[] = {
        // The file that cannot be read is named after the message.
        {broken, fw::LoadString(659) + "\n\t" + broken + "\n\nUnexpected file format."},
        {same, fw::LoadString(662)},
        {reversed,
         "The two specimens used to calculate Critical Temperature should  meet the following "
         "criteria...\n\tS1 < 300.0 < S2\n\tm2 < 0.300 < m1\nThe specimen values are...\n\tS1 = "
         "200.0,\tm1 = 0.280\n\tS2 = 200.0,\tm2 = 0.350"},
    };
    fw::ServiceScope scope(dialogs);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.second);
        boxes.Clear();
        dialogs.Script({fw::ScriptedOpenDialogs::Ok({warm, c.second})});
        ASSERT_TRUE(Run(ID_CALCULATE_DELTA_TC));
        ASSERT_TRUE(Until([] { return App().m_deltaTcFiles.empty(); }));
        App().RunUntil([&] { return boxes.Count() > 0; }, 2000);
        EXPECT_EQ(boxes.Texts(), std::vector<std::string>{c.message});
        EXPECT_TRUE(App().m_pDeltaTcTemplate->GetDocuments().empty());
        EXPECT_TRUE(App().m_pReportTemplate->GetDocuments().empty());
    }
    // A selection of one test file and a text file: 661 names it, 413 keeps the dialog.
    const std::string text = platform::JoinPath(folder, "notes.txt");
    std::ofstream(text) << "x";
    boxes.Clear();
    dialogs.Script({fw::ScriptedOpenDialogs::Ok({warm, text}), fw::ScriptedOpenDialogs::Cancel()});
    ASSERT_TRUE(Run(ID_CALCULATE_DELTA_TC));
    EXPECT_EQ(boxes.Texts(),
              (std::vector<std::string>{fw::FormatString1(661, "\n\t" + text), fw::LoadString(413)}));
    EXPECT_TRUE(App().m_deltaTcFiles.empty());
}

// A test file that is no file, in every road that reads one: refused at
// once (a named pipe without a writer would hold the window thread in its
// open until the test's time-out, a device be read without end) and told as
// the road tells a failed open.
struct NotAFile {
    const char* name;
    void (*make)(const std::string& path);
    const char* cause;
};

void PrintTo(const NotAFile& c, std::ostream* os) {
    *os << c.name;
}

const NotAFile kNotAFile[] = {
    {"fifo", [](const std::string& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0666), 0); },
     " is not a regular file (a named pipe, a device or a socket) and is not read."},
    {"device", [](const std::string& p) { std::filesystem::create_symlink("/dev/zero", p); },
     " is not a regular file (a named pipe, a device or a socket) and is not read."},
    {"folder", [](const std::string& p) { std::filesystem::create_directory(p); },
     " is a folder, not a file."},
    {"above_the_bound",
     [](const std::string& p) {
         std::ofstream(p) << "x";
         std::filesystem::resize_file(p, CQXRYXTestDoc::kMaxTestFileBytes + 1);
     },
     " is larger than any file of its kind and is not read."},
};

class NotAFileInEveryRoad : public FileCommandsTest, public testing::WithParamInterface<NotAFile> {};

TEST_P(NotAFileInEveryRoad, RefusedAtOnceAndToldAsTheRoadTells) {
    const NotAFile& c = GetParam();
    const std::string x = platform::JoinPath(folder, "x.ryx");
    c.make(x);
    const std::string failed = "Failed to open document.\n\n" + x + c.cause;
    fw::ServiceScope scope(dialogs);

    // Open a Saved Test: the report road names the file and the cause.
    dialogs.Script({fw::ScriptedOpenDialogs::Ok({x})});
    ASSERT_TRUE(Run(ID_FILE_OPEN));
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{failed});
    EXPECT_TRUE(App().m_pReportTemplate->GetDocuments().empty());
    // The box as the station shows it.
    std::unique_ptr<QMessageBox> box(fw::QtMessageBox::Build(failed, MB_OK | MB_ICONEXCLAMATION, ""));
    box->show();
    Shoot(box.get(), (std::string("open-refused-") + c.name + ".png").c_str());
    box.reset();
    boxes.Clear();

    // The same file named on the command line or dropped on the window.
    EXPECT_EQ(App().OpenShellFile(x), nullptr);
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{failed});
    boxes.Clear();

    // Batch export: listed at the end with the files it could not export.
    const std::string good = Test("good.ryx");
    dialogs.Script({fw::ScriptedOpenDialogs::Ok({good, x}, 1, 0)});
    ASSERT_TRUE(Run(ID_BATCH_EXPORT_DATA));
    ASSERT_TRUE(Until([] { return App().m_exportQueue.empty(); }));
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"The following files were not exported :\n\t" + x});
    EXPECT_FALSE(Read(platform::JoinPath(folder, "good.csv")).empty());
    boxes.Clear();

    // Delta Tc: the file and the cause after the selection's message.
    const std::string warm = Test("b12.ryx", {-12.0f, 200.0, 0.35});
    dialogs.Script({fw::ScriptedOpenDialogs::Ok({warm, x})});
    ASSERT_TRUE(Run(ID_CALCULATE_DELTA_TC));
    ASSERT_TRUE(Until([] { return App().m_deltaTcFiles.empty(); }));
    App().RunUntil([&] { return boxes.Count() > 0; }, 2000);
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{fw::LoadString(659) + "\n\t" + x + "\n\n" + failed});
    EXPECT_TRUE(App().m_pDeltaTcTemplate->GetDocuments().empty());
    boxes.Clear();

    // The preview: no message of the document's, only its own 415.
    dialogs.Script({fw::ScriptedOpenDialogs::Preview({x})});
    ASSERT_TRUE(Run(ID_FILE_OPEN));
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{fw::LoadString(415)});
    EXPECT_TRUE(App().m_pReportTemplate->GetDocuments().empty());
    boxes.Clear();

    // A DOS-version pair whose header is the file: 408 naming it, and why.
    const std::string dat = platform::JoinPath(folder, "D1.DAT");
    c.make(dat);
    std::ofstream(platform::JoinPath(folder, "D1.BDT")) << std::string(6000, '\0');
    dialogs.Script({fw::ScriptedOpenDialogs::Ok({platform::JoinPath(folder, "D1.BDT")}, 2)});
    ASSERT_TRUE(Run(ID_FILE_OPEN));
    const std::string datCause = std::string(c.name) == "above_the_bound"
                                     ? fw::FormatString1(409, "D1.DAT")
                                     : fw::FormatString1(408, "D1.DAT") + "\n\n" + dat + c.cause;
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{datCause});
    EXPECT_TRUE(App().m_pLegacyReportTemplate->GetDocuments().empty());
}

INSTANTIATE_TEST_SUITE_P(Kinds, NotAFileInEveryRoad, testing::ValuesIn(kNotAFile),
                         [](const auto& info) { return std::string(info.param.name); });

// The real dialogs, offscreen: what they show, their veto, the preview.
TEST_F(FileCommandsTest, DialogsOffscreenVetoAndPreview) {
    const std::string a = Test("a.ryx", {-12.0f, 200.0, 0.35, "Project A", "Op A", "Beam A"});
    const std::string b = Test("b.ryx", {-18.0f, 400.0, 0.28, "Project B", "Op B", "Beam B"});
    const std::string notes = platform::JoinPath(folder, "notes.txt");
    std::ofstream(notes) << "x";

    // Batch export: foreign files only are refused with 658 and the dialog stays.
    bool stayed = false;
    QStringList types;
    std::string okText;
    fw::QtOpenDialogs::SetShownHook([&](QWidget* w) {
        WhenListed(w, folder, [&, w] {
            auto* q = static_cast<QFileDialog*>(w);
            okText = q->labelText(QFileDialog::Accept).toStdString();
            auto* combo = q->findChild<QComboBox*>("fileType");
            for (int i = 0; combo && i < combo->count(); ++i) types << combo->itemText(i);
            Shoot(w, "batch-export-dialog.png");
            Type(q, QStringLiteral("notes.txt"));
            static_cast<QDialog*>(q)->accept();
            stayed = q->isVisible();
            Type(q, QStringLiteral("\"a.ryx\" \"b.ryx\""));
            static_cast<QDialog*>(q)->accept();
        });
    });
    ASSERT_TRUE(Run(ID_BATCH_EXPORT_DATA));
    EXPECT_TRUE(stayed);
    EXPECT_EQ(okText, "Export");
    EXPECT_EQ(types, (QStringList{"Comma Separated Values (*.csv)", "ASCII file format      (*.dat)"}));
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{fw::FormatString1(658, "\n\t" + notes)});
    EXPECT_EQ(App().m_exportQueue, (std::vector<std::string>{b, a}));
    ASSERT_TRUE(Until([] { return App().m_exportQueue.empty(); }));
    boxes.Clear();

    // Delta Tc: one file is refused with 413, two are taken.
    std::string hint;
    fw::QtOpenDialogs::SetShownHook([&](QWidget* w) {
        WhenListed(w, folder, [&, w] {
            auto* q = static_cast<QFileDialog*>(w);
            if (auto* h = q->findChild<QLabel*>("hint")) hint = h->text().toStdString();
            Shoot(w, "delta-tc-dialog.png");
            Type(q, QStringLiteral("a.ryx"));
            static_cast<QDialog*>(q)->accept();
            stayed = q->isVisible();
            Type(q, QStringLiteral("\"a.ryx\" \"b.ryx\""));
            static_cast<QDialog*>(q)->accept();
        });
    });
    stayed = false;
    ASSERT_TRUE(Run(ID_CALCULATE_DELTA_TC));
    EXPECT_TRUE(stayed);
    EXPECT_EQ(hint, "Use the keyboard Ctrl button and mouse to select two *.ryx files.");
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{fw::LoadString(413)});
    EXPECT_EQ(App().m_deltaTcFiles.size(), 2u);
    ASSERT_TRUE(Until([] { return App().m_deltaTcFiles.empty(); }));
    boxes.Clear();

    // Open: two files are refused with 414; Preview of three lists the two
    // tests (415 for the one that is not) and the second row opens b.ryx.
    std::ofstream(platform::JoinPath(folder, "foreign.ryx")) << "not a test";
    int rows = 0;
    std::string firstRow;
    fw::QtOpenDialogs::SetShownHook([&](QWidget* w) {
        WhenListed(w, folder, [&, w] {
            auto* q = static_cast<QFileDialog*>(w);
            Shoot(w, "open-dialog.png");
            Type(q, QStringLiteral("\"a.ryx\" \"b.ryx\""));
            static_cast<QDialog*>(q)->accept();
            stayed = q->isVisible();
            // The preview list comes up in a loop of its own.
            QTimer::singleShot(0, [&] {
                auto* preview = qobject_cast<FilePreview*>(QApplication::activeModalWidget());
                ASSERT_NE(preview, nullptr);
                rows = preview->List()->GetItemCount();
                firstRow = preview->List()->GetItemText(0, 0) + "|" + preview->List()->GetItemText(0, 2) +
                           "|" + preview->List()->GetItemText(0, 3) + "|" +
                           preview->List()->GetItemText(0, 4);
                Shoot(preview, "file-preview.png");
                preview->List()->SetSelectedRow(1);
                preview->accept();
            });
            Type(q, QStringLiteral("\"a.ryx\" \"b.ryx\" \"foreign.ryx\""));
            q->findChild<QPushButton*>("preview")->click();
        });
    });
    stayed = false;
    ASSERT_TRUE(Run(ID_FILE_OPEN));
    EXPECT_TRUE(stayed);
    EXPECT_EQ(rows, 2);
    EXPECT_EQ(firstRow, "a.ryx|Project A|Beam A|Op A");
    ASSERT_GE(boxes.Count(), 2u);
    EXPECT_EQ(boxes.Texts()[0], fw::LoadString(414));
    EXPECT_EQ(boxes.Texts()[1], fw::LoadString(415));
    // b.ryx opens in its report window.
    EXPECT_EQ(boxes.Count(), 2u);
    EXPECT_NE(App().m_pReportTemplate->FindDocument(b), nullptr);
}

TEST_F(FileCommandsTest, TemperatureControlTogglesWithoutWaitingAndNotWhileTheLinkIsDown) {
    ASSERT_TRUE(Until([] { return App().m_beam.GetFirmwareVersion() == "2.000"; }));
    BeamState state;
    ASSERT_TRUE(Until([&] { return App().m_beam.GetState(state) && App().m_beam.GetStatus() == 0; }));
    fw::CmdUI ui(ID_TEMPERATURE_CONTROL);
    App().OnUpdateEnableTemperatureControl(ui);
    EXPECT_TRUE(ui.IsEnabled());
    const int before = state.mode;
    const std::string command = before == 1 ? "N" : "B";
    ASSERT_TRUE(Run(ID_TEMPERATURE_CONTROL));
    const auto sent = [&] {
        size_t n = 0;
        for (const auto& l : tap->LinesWith(command)) n += l.text == command;
        return n;
    };
    ASSERT_TRUE(Until([&] { return sent() == 1; }));
    ASSERT_TRUE(Until([&] {
        BeamState s;
        return App().m_beam.GetState(s) && s.mode != before;
    }));
    fw::CmdUI after(ID_TEMPERATURE_CONTROL);
    App().OnUpdateEnableTemperatureControl(after);
    EXPECT_EQ(after.GetCheck(), before == 1 ? 0 : 1);
    // A toggle while another command is outstanding is refused by the
    // instrument object; it goes out at a later idle period, and the command
    // itself returns at once.
    const std::string back = before == 1 ? "B" : "N";
    const auto sentBack = [&] {
        size_t n = 0;
        for (const auto& l : tap->LinesWith(back)) n += l.text == back;
        return n;
    };
    ASSERT_TRUE(Until([] { return App().m_beam.SetTemperature(-12.0) != FALSE; }));
    ASSERT_TRUE(Run(ID_TEMPERATURE_CONTROL));
    EXPECT_EQ(sentBack(), 0u);
    ASSERT_TRUE(Until([&] { return sentBack() == 1; }));
    ASSERT_TRUE(Until([&] {
        BeamState s;
        return App().m_beam.GetState(s) && s.mode == before;
    }));

    App().m_bTestRunning = TRUE;
    fw::CmdUI running(ID_TEMPERATURE_CONTROL);
    App().OnUpdateEnableTemperatureControl(running);
    EXPECT_FALSE(running.IsEnabled());
    App().m_bTestRunning = FALSE;
    EXPECT_EQ(boxes.Count(), 0u);
}

}  // namespace
}  // namespace e2e
