// The MDI frames, menus and tool bar bound to the command routing, status
// panes and progress, the window factory of the templates, dialogs, property
// sheets and the file-dialog service.
#include "framework/ui/Frames.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenuBar>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProgressBar>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QVBoxLayout>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/DrawContext.h"
#include "framework/core/Strings.h"
#include "framework/core/TestDoubles.h"
#include "framework/ui/Dialogs.h"
#include "framework/ui/FileDialogs.h"
#include "framework/ui/tests/support/TestApp.h"

namespace fw {
namespace {

constexpr UINT kSetup = 32774;
constexpr UINT kCalibrate = 32770;
constexpr UINT kReport = 32781;
constexpr UINT kExport = 32783;
constexpr UINT kThicknessPane = 1000;

void Pump(int passes = 4) {
    for (int i = 0; i < passes; ++i) test::App().PumpOnce(false);
}

// Something happens, then the loop goes idle: the framework's idle work
// brings menus, buttons and panes up to date.
void EventThenIdle() {
    QCoreApplication::postEvent(qApp, new QEvent(QEvent::User));
    Pump();
}

class TestMainFrame : public MainFrame {
public:
    bool setupEnabled = true;
    bool thicknessShown = false;
    std::vector<std::string> ran;
    TestMainFrame() {
        MapCommand(kSetup, [this] { ran.push_back("main:setup"); });
        MapUpdate(kSetup, [this](CmdUI& ui) { ui.Enable(setupEnabled); });
        MapCommand(kReport, [this] { ran.push_back("main:report"); });
        MapUpdate(kThicknessPane, [this](CmdUI& ui) { ui.Enable(thicknessShown); });
    }
};

class TestDocument : public Document {
public:
    std::vector<std::string>* ran = nullptr;
    TestDocument() {
        MapCommand(kExport, [this] { ran->push_back("doc:export"); });
    }
};

class TestView : public ViewWidget {
public:
    std::vector<std::string>* ran = nullptr;
    bool reportReady = false;
    int initialUpdates = 0;
    TestView() {
        MapCommand(kReport, [this] { ran->push_back("view:report"); });
        MapUpdate(kReport, [this](CmdUI& ui) { ui.Enable(reportReady); });
    }
    void OnInitialUpdate() override { ++initialUpdates; }
    void OnDraw(DrawContext& dc) override {
        const bool printing = dc.IsPrinting();
        dc.FillRect(Rect{0, 0, 4000, 4000},
                    printing ? RGB(255, 255, 255) : GetSysColor(COLOR_INACTIVEBORDER));
        Rect cell{10, 10, 200, 40};
        if (!printing) dc.DrawEdge(cell, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
        dc.DrawText("Stiffness", cell, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    }
};

const Menu kMainMenu = {
    {0,
     "&Setup",
     {{kSetup, "&Instrument Setup\tCtrl+I", {}}, {0, "", {}}, {kCalibrate, "Def&lection...\tCtrl+L", {}}}},
    {0, "&Help", {{57667, "&Help Topics\tF1", {}}}},
};
const Menu kTestMenu = {
    {0, "&Test", {{kExport, "&Export Data...\tCtrl+E", {}}}},
    {0, "&View", {{kReport, "&Report\tCtrl+R", {}}}},
};

class FramesTest : public ::testing::Test {
protected:
    void SetUp() override {
        main = std::make_unique<TestMainFrame>();
        main->SetDefaultMenu(kMainMenu);
        main->resize(750, 550);
        main->show();
        factory = std::make_unique<MdiFrameFactory>(*main);
        factory->Register(130, {[this] {
                                    auto* v = new TestView;
                                    v->ran = &main->ran;
                                    lastView = v;
                                    return static_cast<ViewWidget*>(v);
                                },
                                {},
                                &kTestMenu});
        tmpl = std::make_unique<DocTemplate>(
            130,
            [this] {
                auto d = std::make_unique<TestDocument>();
                d->ran = &main->ran;
                return std::unique_ptr<Document>(std::move(d));
            },
            factory.get());
    }
    void TearDown() override {
        tmpl.reset();
        main.reset();
        Pump();
    }
    ScriptedMessageBox boxes;
    ServiceScope<MessageBoxService> boxScope{boxes};
    std::unique_ptr<TestMainFrame> main;
    std::unique_ptr<MdiFrameFactory> factory;
    std::unique_ptr<DocTemplate> tmpl;
    TestView* lastView = nullptr;
};

TEST_F(FramesTest, MenuItemsCarryAcceleratorsAndFollowTheirUpdateHandlers) {
    QAction* setup = main->FindAction(kSetup);
    QAction* calibrate = main->FindAction(kCalibrate);
    ASSERT_TRUE(setup && calibrate);
    EXPECT_EQ(setup->text(), "&Instrument Setup");
    EXPECT_EQ(setup->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_I));
    EXPECT_EQ(main->FindAction(57667)->shortcut(), QKeySequence(Qt::Key_F1));
    EXPECT_TRUE(setup->isEnabled());
    EXPECT_FALSE(calibrate->isEnabled());  // no target handles it yet

    setup->trigger();
    EXPECT_EQ(main->ran, (std::vector<std::string>{"main:setup"}));

    main->setupEnabled = false;  // as while a test runs
    EventThenIdle();
    EXPECT_FALSE(setup->isEnabled());
    setup->trigger();
    EXPECT_EQ(main->ran.size(), 1u);
}

TEST_F(FramesTest, ToolButtonsAndIndicatorPanesFollowUpdateHandlers) {
    main->AddToolButton(kSetup, "Setup", "Instrument Setup");
    main->AddToolButton(kCalibrate, "Calibrate");
    main->SetIndicators({kThicknessPane});
    main->SetPaneText(1, "  Beam Thickness = 6.35 mm  ");
    EventThenIdle();
    EXPECT_TRUE(main->FindToolAction(kSetup)->isEnabled());
    EXPECT_FALSE(main->FindToolAction(kCalibrate)->isEnabled());
    EXPECT_EQ(main->GetPaneText(1), "");  // a disabled pane shows nothing
    main->thicknessShown = true;
    EventThenIdle();
    EXPECT_EQ(main->GetPaneText(1), "  Beam Thickness = 6.35 mm  ");
    main->FindToolAction(kSetup)->trigger();
    EXPECT_EQ(main->ran, (std::vector<std::string>{"main:setup"}));
}

TEST_F(FramesTest, ProgressSitsInTheStatusBarAndEndsWithTheIdleText) {
    EXPECT_EQ(main->GetPaneText(0), LoadString(57345));
    main->StepProgress();  // none yet: nothing happens
    main->BeginProgress("Exporting", 3);
    ASSERT_NE(main->Progress(), nullptr);
    EXPECT_EQ(main->GetPaneText(0), "Exporting");
    EXPECT_EQ(main->Progress()->minimum(), 1);
    EXPECT_EQ(main->Progress()->maximum(), 3);
    main->StepProgress();
    main->StepProgress();
    main->StepProgress();
    EXPECT_EQ(main->Progress()->value(), 3);
    main->EndProgress();
    EXPECT_EQ(main->Progress(), nullptr);
    EXPECT_EQ(main->GetPaneText(0), "For Help, press F1");
}

TEST_F(FramesTest, TemplatesOpenMaximisedFramesWithTheirMenuAndRouteFromTheView) {
    Document* doc = tmpl->OpenDocumentFile(nullptr);
    ASSERT_NE(doc, nullptr);
    Pump();
    ChildFrame* frame = main->GetActiveFrame();
    ASSERT_NE(frame, nullptr);
    EXPECT_TRUE(frame->isMaximized());
    EXPECT_EQ(frame->GetActiveView(), lastView);
    EXPECT_EQ(lastView->GetDocument(), doc);
    EXPECT_EQ(lastView->initialUpdates, 1);
    // The template's menu replaces the main one while its frame is active.
    EXPECT_EQ(main->FindAction(kSetup), nullptr);
    ASSERT_NE(main->FindAction(kReport), nullptr);

    // The view's update handler disables Report; the main frame's handler
    // for it is never asked, as the view comes first.
    EXPECT_FALSE(main->FindAction(kReport)->isEnabled());
    lastView->reportReady = true;
    EventThenIdle();
    main->FindAction(kReport)->trigger();
    main->FindAction(kExport)->trigger();
    // Posted commands run after the poster returns, through the same chain.
    PostCommand(main->Id(), kSetup);
    Pump();
    EXPECT_EQ(main->ran, (std::vector<std::string>{"view:report", "doc:export", "main:setup"}));

    // Closing the last window of the document closes the document.
    frame->close();
    Pump();
    EXPECT_TRUE(tmpl->GetDocuments().empty());
    EXPECT_TRUE(main->ChildFrames().empty());
    ASSERT_NE(main->FindAction(kSetup), nullptr);  // the main menu is back
}

TEST_F(FramesTest, ViewsPaintOnScreenAndPrintToAFile) {
    tmpl->OpenDocumentFile(nullptr);
    Pump();
    lastView->resize(300, 100);
    const QImage shot = lastView->grab().toImage();
    const QRgb edge = shot.pixel(50, 10);
    EXPECT_EQ(RGB(qRed(edge), qGreen(edge), qBlue(edge)), GetSysColor(COLOR_3DSHADOW));

    QTemporaryDir dir;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath("report.pdf"));
    EXPECT_TRUE(lastView->PrintTo(printer));
    QFile pdf(dir.filePath("report.pdf"));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.read(5).startsWith("%PDF-"));
}

// Answers the print dialogs as they open, as a user would: the print
// dialog is accepted as it stands, the preview is looked at and closed.
class PrintDialogAnswerer {
public:
    std::vector<std::string> seen;
    int previewPages = -1;
    PrintDialogAnswerer() {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            QWidget* w = QApplication::activeModalWidget();
            if (auto* print = qobject_cast<QPrintDialog*>(w)) {
                seen.push_back("print dialog");
                static_cast<QDialog*>(print)->accept();
            } else if (auto* preview = qobject_cast<QPrintPreviewDialog*>(w)) {
                seen.push_back("preview");
                if (auto* pages = preview->findChild<QPrintPreviewWidget*>())
                    previewPages = pages->pageCount();
                preview->reject();
            } else if (auto* other = qobject_cast<QDialog*>(w)) {
                seen.push_back("other");
                other->reject();
            }
        });
        m_timer.start();
    }

private:
    QTimer m_timer;
};

int PdfPages(const QString& path) {
    QFile pdf(path);
    if (!pdf.open(QIODevice::ReadOnly)) return -1;
    const QByteArray data = pdf.readAll();
    if (!data.startsWith("%PDF-")) return -1;
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page(?!s)"));
    return static_cast<int>(QString::fromLatin1(data).count(page));
}

TEST_F(FramesTest, ThePrintCommandsReachTheViewAndPrintOnePage) {
    QTemporaryDir dir;
    QString target;
    const PrinterSetup previous = SetPrinterSetup([&](QPrinter& p) {
        p.setOutputFormat(QPrinter::PdfFormat);
        p.setOutputFileName(target);
    });
    // Without a view no target handles them, so their menu items are off.
    for (UINT id : {ID_FILE_PRINT, ID_FILE_PRINT_DIRECT, ID_FILE_PRINT_PREVIEW}) {
        CmdUI ui(id);
        EXPECT_FALSE(RouteUpdate(main->CommandChain(), ui)) << id;
    }
    tmpl->OpenDocumentFile(nullptr);
    Pump();
    ASSERT_EQ(main->GetActiveFrame()->GetActiveView(), lastView);
    PrintDialogAnswerer answerer;

    target = dir.filePath("print.pdf");
    EXPECT_TRUE(main->OnCmdMsg(ID_FILE_PRINT));
    EXPECT_EQ(answerer.seen, (std::vector<std::string>{"print dialog"}));
    EXPECT_EQ(PdfPages(target), 1);

    target = dir.filePath("direct.pdf");
    EXPECT_TRUE(main->OnCmdMsg(ID_FILE_PRINT_DIRECT));
    EXPECT_EQ(answerer.seen.size(), 1u);  // no dialog
    EXPECT_EQ(PdfPages(target), 1);

    target = dir.filePath("preview.pdf");
    EXPECT_TRUE(main->OnCmdMsg(ID_FILE_PRINT_PREVIEW));
    EXPECT_EQ(answerer.seen, (std::vector<std::string>{"print dialog", "preview"}));
    EXPECT_EQ(answerer.previewPages, 1);
    EXPECT_FALSE(QFile::exists(target));  // a preview prints nothing
    EXPECT_EQ(boxes.Count(), 0u);
    SetPrinterSetup(previous);
}

TEST_F(FramesTest, PrintDirectWithoutAnyPrinterSaysSo) {
    if (!QPrinterInfo::defaultPrinter().isNull()) GTEST_SKIP() << "this machine has a printer";
    tmpl->OpenDocumentFile(nullptr);
    Pump();
    EXPECT_TRUE(main->OnCmdMsg(ID_FILE_PRINT_DIRECT));
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].type & MB_ICONMASK, MB_ICONEXCLAMATION);
}

TEST_F(FramesTest, ADockBarSitsOnTheRightAndItsViewCommandTogglesItWithACheckMark) {
    constexpr UINT kViewStatus = 32771;
    auto* bar = new DockBar("Instrument Status");
    bar->setWidget(new QLabel("  Force = 0.0 mN"));
    main->AddDockBar(bar, kViewStatus);
    main->SetDefaultMenu({{0, "&View", {{kViewStatus, "&Instrument Status", {}}}}});
    EventThenIdle();
    EXPECT_EQ(main->dockWidgetArea(bar), Qt::RightDockWidgetArea);
    QAction* toggle = main->FindAction(kViewStatus);
    ASSERT_NE(toggle, nullptr);
    EXPECT_TRUE(bar->isVisible());
    EXPECT_TRUE(toggle->isChecked());

    toggle->trigger();
    EventThenIdle();
    EXPECT_FALSE(bar->isVisible());
    EXPECT_FALSE(toggle->isChecked());
    toggle->trigger();
    EventThenIdle();
    EXPECT_TRUE(bar->isVisible());
    EXPECT_TRUE(toggle->isChecked());
    // Closed by its own button: the check mark follows.
    bar->close();
    EventThenIdle();
    EXPECT_FALSE(toggle->isChecked());
    // The state is the bar's, not whether the frame shows just now.
    main->hide();
    CmdUI ui(kViewStatus);
    main->ShowControlBar(bar, true);
    ASSERT_TRUE(RouteUpdate(main->CommandChain(), ui));
    EXPECT_EQ(ui.GetCheck(), 1);
}

TEST_F(FramesTest, ClosingTheMainFrameAsksItsRuleAndEndsTheLoop) {
    struct Keeper : TestMainFrame {
        bool allow = false;
        bool OnClose() override { return allow && MainFrame::OnClose(); }
    } keeper;
    keeper.show();
    EXPECT_FALSE(keeper.close());
    EXPECT_FALSE(test::App().QuitPosted());
    keeper.allow = true;
    EXPECT_TRUE(keeper.close());
    EXPECT_TRUE(test::App().QuitPosted());
}

class NameDialog : public Dialog {
public:
    bool initOk = true;
    bool endInInit = false;
    int okPresses = 0;
    bool OnInitDialog() override {
        auto* layout = new QVBoxLayout(this);
        auto* edit = new QLineEdit(this);
        layout->addWidget(edit);
        AddControl(1001, edit);
        AddOkCancel(layout);
        SetDlgItemText(1001, "T1");
        if (endInInit) EndDialog(IDABORT);
        return initOk;
    }
    void OnOK() override {
        ++okPresses;
        if (GetDlgItemText(1001).empty()) return;  // stays open
        Dialog::OnOK();
    }
};

TEST(DialogTest, InitOkAndCancelDecideHowTheDialogEnds) {
    // EndDialog while initialising ends the dialog without showing it.
    NameDialog refused;
    refused.endInInit = true;
    bool shown = false;
    QTimer::singleShot(0, &refused, [&] {
        shown = refused.isVisible();
        refused.reject();
    });
    EXPECT_EQ(refused.DoModal(), IDABORT);
    EXPECT_FALSE(shown);

    // False from OnInitDialog only says the dialog set its own focus: it opens.
    NameDialog ownFocus;
    ownFocus.initOk = false;
    QTimer::singleShot(0, &ownFocus, [&] { ownFocus.accept(); });
    EXPECT_EQ(ownFocus.DoModal(), IDOK);
    EXPECT_EQ(ownFocus.okPresses, 1);

    NameDialog d;
    QTimer::singleShot(0, &d, [&] {
        static_cast<QLineEdit*>(d.GetDlgItem(1001))->clear();
        d.accept();  // Enter with the field empty: refused
        EXPECT_TRUE(d.isVisible());
        d.SetDlgItemText(1001, "T2");
        d.accept();
    });
    EXPECT_EQ(d.DoModal(), IDOK);
    EXPECT_EQ(d.okPresses, 2);
    EXPECT_EQ(d.GetDlgItemText(1001), "T2");

    NameDialog c;
    QTimer::singleShot(0, &c, [&] { c.reject(); });
    EXPECT_EQ(c.DoModal(), IDCANCEL);
}

class Page : public PropertyPage {
public:
    using PropertyPage::PropertyPage;
    bool leave = true;
    bool apply = true;
    int activations = 0;
    int applies = 0;
    bool OnSetActive() override {
        ++activations;
        return true;
    }
    bool OnKillActive() override { return leave; }
    bool OnApply() override {
        ++applies;
        return apply;
    }
};

TEST(PropertySheetTest, PagesMayRefuseToBeLeftAndApplyMayRefuseToClose) {
    PropertySheet sheet("Instrument Setup");
    auto* one = new Page("Port");
    auto* two = new Page("Bath");
    auto* three = new Page("Beam");
    sheet.AddPage(one);
    sheet.AddPage(two);
    sheet.AddPage(three);
    QTimer::singleShot(0, &sheet, [&] {
        EXPECT_EQ(sheet.GetActiveIndex(), 0);
        EXPECT_EQ(one->activations, 1);
        one->leave = false;  // a field on page one is wrong
        EXPECT_FALSE(sheet.SetActivePage(1));
        EXPECT_EQ(sheet.GetActiveIndex(), 0);
        one->leave = true;
        EXPECT_TRUE(sheet.SetActivePage(1));
        EXPECT_EQ(two->activations, 1);
        two->apply = false;
        sheet.SetActivePage(0);
        sheet.accept();  // page two refuses to apply: the sheet stays, on page two
        EXPECT_TRUE(sheet.isVisible());
        EXPECT_EQ(sheet.GetActiveIndex(), 1);
        two->apply = true;
        sheet.accept();
    });
    EXPECT_EQ(sheet.DoModal(), IDOK);
    EXPECT_EQ(three->applies, 0);  // never shown, never applied
    EXPECT_GE(one->applies, 1);
}

TEST(FileDialogTest, ResourceFiltersAndDefaultExtensions) {
    struct FilterCase {
        const char* resource;
        const char* qt;
    };
    const FilterCase filters[] = {
        {"RYXw Test Data (*.ryx)|*.ryx|All Files (*.*)|*.*||", "RYXw Test Data (*.ryx);;All Files (*)"},
        {"DOS Version 4.1 or 4.2 Test Data (*.bdt)|*.bdt||", "DOS Version 4.1 or 4.2 Test Data (*.bdt)"},
        // The name as the document strings give it; the dialogs match either case.
        {"RYXw Test Report (*.ryx)|*.RYX|DOS Version 4.1 or 4.2 Test Report (*.bdt)|*.BDT||",
         "RYXw Test Report (*.ryx);;DOS Version 4.1 or 4.2 Test Report (*.bdt)"},
        {"Export (*.csv;*.dat)|*.csv;*.dat||", "Export (*.csv *.dat)"},
        {"", ""},
    };
    for (const auto& f : filters) EXPECT_EQ(QtFilter(f.resource), f.qt) << f.resource;

    EXPECT_EQ(WithDefaultExtension("/data/T1", "ryx"), "/data/T1.ryx");
    EXPECT_EQ(WithDefaultExtension("/data/T1.RYX", "ryx"), "/data/T1.RYX");
    EXPECT_EQ(WithDefaultExtension("/data.v2/T1", "ryx"), "/data.v2/T1.ryx");
}

TEST(FileDialogTest, TheScriptedDialogsAnswerWindowsAndCoreAlike) {
    ScriptedFileDialogs scripted;
    SaveDialogResult saved;
    {
        ServiceScope<FileDialogService> scope(scripted);
        scripted.Answer({"/data/T1"}, 2);
        scripted.Answer({});
        scripted.Answer({"/data"});
        // The exports ask framework/core's service, which is the same one now.
        const SaveDialogRequest save{"CSV (*.csv)|*.csv|LIMS (*.csv)|*.csv||", "T1", "csv",
                                     OFN_OVERWRITEPROMPT};
        EXPECT_TRUE(SaveDialogs().ShowSave(save, saved));
        std::vector<std::string> files;
        EXPECT_FALSE(
            FileDialogs().Open(FileDialogRequest{"Open", "/data", "", "All Files (*.*)|*.*||", "", true},
                               files));  // cancelled
        std::string folder;
        EXPECT_TRUE(
            FileDialogs().ChooseFolder(FileDialogRequest{"Data directory", "/", "", "", "", false}, folder));
        EXPECT_EQ(folder, "/data");
        EXPECT_FALSE(FileDialogs().ChooseFolder(FileDialogRequest{}, folder));  // the script has run out
    }
    EXPECT_EQ(saved.path, "/data/T1.csv");
    EXPECT_EQ(saved.filterIndex, 2);
    ASSERT_EQ(scripted.SaveRequests().size(), 1u);
    EXPECT_EQ(scripted.SaveRequests()[0].fileName, "T1");
    EXPECT_EQ(scripted.Requests().size(), 3u);
    // Gone with its scope: core cancels again rather than showing a dialog.
    EXPECT_FALSE(SaveDialogs().ShowSave(SaveDialogRequest{}, saved));
    EXPECT_NE(&FileDialogs(), static_cast<FileDialogService*>(&scripted));
}

TEST(FileDialogTest, TheQtDialogOpensAndCancels) {
    QtFileDialogs dialogs;
    QTimer::singleShot(0, [] {
        if (QWidget* w = QApplication::activeModalWidget()) static_cast<QDialog*>(w)->reject();
    });
    std::vector<std::string> files;
    EXPECT_FALSE(dialogs.Open(FileDialogRequest{"Open", "/", "", "All Files (*.*)|*.*||", "", false}, files));
}

TEST(FileDialogTest, TheQtSaveDialogGivesThePathAndTheChosenFilterEntry) {
    QTemporaryDir dir;
    QtFileDialogs dialogs;
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!d) return;
        seen = true;
        EXPECT_EQ(d->nameFilters(), (QStringList{"Comma Separated (*.csv)", "ASCII (*.dat)"}));
        d->setDirectory(dir.path());
        d->selectNameFilter(d->nameFilters()[1]);
        d->selectFile(QStringLiteral("T1"));
        static_cast<QDialog*>(d)->accept();  // QFileDialog hides it
    });
    const SaveDialogRequest request{"Comma Separated (*.csv)|*.csv|ASCII (*.dat)|*.dat||", "T1", "dat",
                                    OFN_OVERWRITEPROMPT};
    SaveDialogResult result;
    ASSERT_TRUE(dialogs.ShowSave(request, result));
    EXPECT_TRUE(seen);
    EXPECT_EQ(result.path, dir.filePath("T1.dat").toStdString());
    EXPECT_EQ(result.filterIndex, 2);

    QTimer::singleShot(0, [] {
        if (QWidget* w = QApplication::activeModalWidget()) static_cast<QDialog*>(w)->reject();
    });
    EXPECT_FALSE(dialogs.ShowSave(request, result));
}

}  // namespace
}  // namespace fw
