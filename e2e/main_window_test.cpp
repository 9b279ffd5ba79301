// What the main window shows the operator on a station with every setting
// stored: the titles of the document windows and of the main window as tests
// open, become active and close, the program's icon on the windows, the tool
// bar's pictures, tips and prompts, and help in the station's own window from
// every window that offers it. Screenshots go with the test artefacts.
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionTitleBar>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>

#include "app/CQXRYXMainFrame.h"
#include "app/CSplashWnd.h"
#include "app/Help.h"
#include "app/tests/support/GeneratedTests.h"
#include "e2e/support/Station.h"
#include "framework/core/Exceptions.h"
#include "framework/core/Strings.h"
#include "framework/ui/Frames.h"
#include "framework/ui/Help.h"
#include "framework/ui/OpenFileDialog.h"
#include "framework/ui/QtMessageBox.h"
#include "platform/Paths.h"
#include "testing/CQXRYXDataFrm.h"

namespace e2e {
namespace {

void Save(const QImage& image, const char* name) {
    QDir().mkpath(RYX_E2E_ARTEFACTS);
    EXPECT_FALSE(image.isNull());
    EXPECT_TRUE(image.save(QString(RYX_E2E_ARTEFACTS) + "/" + name));
}

// The main window as the desktop shows it: its title above its contents (the
// offscreen platform draws no window decoration of its own).
QImage WithTitleBar(QWidget* window) {
    const QImage body = window->grab().toImage();
    const int bar = 26;
    QImage out(body.width(), body.height() + bar, QImage::Format_RGB32);
    out.fill(QColor(60, 90, 150));
    QPainter p(&out);
    p.drawImage(0, bar, body);
    p.setPen(Qt::white);
    QFont font = p.font();
    font.setBold(true);
    p.setFont(font);
    p.drawText(QRect(8, 0, body.width() - 16, bar), Qt::AlignVCenter | Qt::AlignLeft, window->windowTitle());
    return out;
}

fw::ChildFrame* FrameOf(const fw::Document* doc, size_t view = 0) {
    if (!doc || doc->GetViews().size() <= view) return nullptr;
    auto* v = dynamic_cast<fw::ViewWidget*>(doc->GetViews()[view]);
    return v ? v->GetParentFrame() : nullptr;
}

std::string Title(const QWidget* w) {
    return w ? w->windowTitle().toStdString() : std::string("(none)");
}

class MainWindowTest : public StationTest {
protected:
    void SetUp() override {
        StationTest::SetUp();
        ASSERT_NO_FATAL_FAILURE(StartReadyStation());
        frame = App().m_pMainFrame;
        frame->resize(900, 600);
    }
    void TearDown() override {
        fw::QtOpenDialogs::SetShownHook(nullptr);
        fw::CloseHelpWindow();
        StationTest::TearDown();
    }
    std::string Test(const std::string& name, const gentest::Creep& c = {}) {
        const std::string p = platform::JoinPath(DataDir(), name);
        EXPECT_TRUE(gentest::WriteTest(p, c));
        return p;
    }
    // The main window's title once the idle update has run.
    std::string MainTitle() {
        frame->UpdateCommandUI();
        return Title(frame);
    }
    CQXRYXMainFrame* frame = nullptr;
};

TEST_F(MainWindowTest, TitlesNameTheDocumentsAsTheyOpenBecomeActiveAndClose) {
    EXPECT_EQ(MainTitle(), "RYXw");
    const std::string t1 = Test("T1.ryx"), t2 = Test("T2.ryx");

    // A report opens maximised: the main window shows its caption in brackets.
    fw::Document* d1 = App().OpenShellFile(t1);
    fw::ChildFrame* f1 = FrameOf(d1);
    ASSERT_NE(f1, nullptr);
    EXPECT_TRUE(f1->isMaximized());
    EXPECT_EQ(MainTitle(), "RYXw - [T1.ryx]");
    EXPECT_EQ(Title(f1), "T1.ryx");
    fw::Document* d2 = App().OpenShellFile(t2);
    fw::ChildFrame* f2 = FrameOf(d2);
    ASSERT_NE(f2, nullptr);
    EXPECT_EQ(MainTitle(), "RYXw - [T2.ryx]");
    EXPECT_EQ(Title(f2), "T2.ryx");
    EXPECT_EQ(Title(f1), "T1.ryx");

    // Restored, the active window's document follows the program's name.
    f2->showNormal();
    EXPECT_EQ(MainTitle(), "RYXw - T2.ryx");
    f1->showNormal();
    frame->MdiArea()->setActiveSubWindow(f1);
    EXPECT_EQ(MainTitle(), "RYXw - T1.ryx");

    // Side by side, each with its title and the program's icon, not the toolkit's.
    const QSize area = frame->MdiArea()->viewport()->size();
    f1->setGeometry(0, 0, area.width() / 2, area.height());
    f2->setGeometry(area.width() / 2, 0, area.width() - area.width() / 2, area.height());
    frame->MdiArea()->setActiveSubWindow(f2);
    EXPECT_EQ(MainTitle(), "RYXw - T2.ryx");
    Save(WithTitleBar(frame), "report-windows-side-by-side.png");
    const QImage program = frame->windowIcon().pixmap(16, 16).toImage();
    ASSERT_FALSE(program.isNull());
    for (fw::ChildFrame* f : {f1, f2}) {
        QStyleOptionTitleBar option;
        option.initFrom(f);
        option.rect = QRect(0, 0, f->width(), f->style()->pixelMetric(QStyle::PM_TitleBarHeight, &option, f));
        option.subControls = QStyle::SC_All;
        option.titleBarFlags = f->windowFlags();
        const QRect icon =
            f->style()->subControlRect(QStyle::CC_TitleBar, &option, QStyle::SC_TitleBarSysMenu, f);
        ASSERT_FALSE(icon.isEmpty());
        const QImage shot = f->grab(icon).toImage();
        // The toolkit's logo is green; the program's picture has none, and
        // its dark ground fills the place.
        int green = 0, dark = 0;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x) {
                const QColor c = shot.pixelColor(x, y);
                green += c.green() > c.red() + 60 && c.green() > c.blue() + 60;
                dark += c.red() < 90 && c.green() < 110 && c.blue() < 140;
            }
        EXPECT_EQ(green, 0) << Title(f);
        EXPECT_GT(dark, shot.width() * shot.height() / 4) << Title(f);
    }

    // A second window on the first test: both are numbered, and the number
    // goes when the second closes.
    frame->MdiArea()->setActiveSubWindow(f1);
    ASSERT_TRUE(frame->OnCmdMsg(ID_VIEW_GRAPH));
    ASSERT_EQ(d1->GetViews().size(), 2u);
    fw::ChildFrame* graph = FrameOf(d1, 1);
    ASSERT_NE(graph, nullptr);
    EXPECT_EQ(MainTitle(), "RYXw - [T1.ryx:2]");
    EXPECT_EQ(Title(f1), "T1.ryx:1");
    EXPECT_EQ(Title(graph), "T1.ryx:2");
    EXPECT_EQ(Title(f2), "T2.ryx");
    EXPECT_TRUE(graph->close());
    App().RunUntil([&] { return d1->GetViews().size() == 1; });
    f2->ActivateFrame();
    EXPECT_EQ(MainTitle(), "RYXw - [T2.ryx]");
    EXPECT_EQ(Title(f1), "T1.ryx");

    // The Delta Tc window shows its document's title.
    const std::string warm = Test("b12.ryx", {-12.0f, 200.0, 0.35});
    const std::string cold = Test("b18.ryx", {-18.0f, 400.0, 0.28});
    App().m_deltaTcFiles = {cold, warm};
    App().OnDeltaTcShow();
    ASSERT_EQ(App().m_pDeltaTcTemplate->GetDocuments().size(), 1u);
    fw::ChildFrame* delta = FrameOf(App().m_pDeltaTcTemplate->GetDocuments().front().get());
    ASSERT_NE(delta, nullptr);
    EXPECT_EQ(Title(delta), "Delta Tc");
    EXPECT_EQ(MainTitle(), "RYXw - [Delta Tc]");
    delta->showNormal();
    EXPECT_EQ(MainTitle(), "RYXw - Delta Tc");

    // All closed: the program's name alone.
    for (fw::ChildFrame* f : frame->ChildFrames()) EXPECT_TRUE(f->close());
    App().RunUntil([&] { return frame->ChildFrames().empty(); });
    EXPECT_EQ(MainTitle(), "RYXw");
    EXPECT_EQ(boxes.Count(), 0u);
}

// Report windows open maximised; the restore button at the right of the menu
// bar gives each a usable size of its own, cascaded from the area's corner,
// with its title whole.
TEST_F(MainWindowTest, RestoredReportWindowsTakeAUsableCascadedPlace) {
    fw::Document* d1 = App().OpenShellFile(Test("Longer name 1.ryx"));
    fw::ChildFrame* f1 = FrameOf(d1);
    ASSERT_NE(f1, nullptr);
    EXPECT_TRUE(f1->isMaximized());
    fw::Document* d2 = App().OpenShellFile(Test("Longer name 2.ryx"));
    fw::ChildFrame* f2 = FrameOf(d2);
    ASSERT_NE(f2, nullptr);
    App().processEvents();
    ASSERT_TRUE(f2->isMaximized());
    EXPECT_EQ(MainTitle(), "RYXw - [Longer name 2.ryx]");

    // The restore button at the right of the menu bar, which the maximised
    // window puts there. Its press and release come from the window system,
    // which the offscreen platform does not deliver to a menu bar's corner:
    // the button's own restore signal stands for the click.
    QWidget* controls = frame->menuBar()->cornerWidget(Qt::TopRightCorner);
    ASSERT_NE(controls, nullptr);
    ASSERT_TRUE(QMetaObject::invokeMethod(controls, "_q_restore"));
    App().processEvents();
    ASSERT_FALSE(f2->isMaximized());
    EXPECT_EQ(MainTitle(), "RYXw - Longer name 2.ryx");

    const QSize area = frame->MdiArea()->viewport()->size();
    std::vector<QRect> places;
    for (fw::ChildFrame* f : {f1, f2}) {
        SCOPED_TRACE(Title(f));
        EXPECT_FALSE(f->isMaximized());
        EXPECT_FALSE(f->isMinimized());
        const QRect g = f->geometry();
        places.push_back(g);
        EXPECT_GE(g.width(), area.width() / 2);
        EXPECT_GE(g.height(), area.height() / 2);
        EXPECT_TRUE(QRect(QPoint(0, 0), area).contains(g)) << "inside the area";
        // The title bar has room for the whole title beside its buttons.
        QStyleOptionTitleBar bar;
        bar.initFrom(f);
        bar.rect = QRect(0, 0, f->width(), f->style()->pixelMetric(QStyle::PM_TitleBarHeight, &bar, f));
        bar.subControls = QStyle::SC_All;
        bar.titleBarFlags = f->windowFlags();
        bar.titleBarState = f->windowState();
        bar.text = f->windowTitle();
        const QRect label =
            f->style()->subControlRect(QStyle::CC_TitleBar, &bar, QStyle::SC_TitleBarLabel, f);
        EXPECT_GE(label.width(), f->fontMetrics().horizontalAdvance(f->windowTitle()));
    }
    // Cascaded: the later window a title bar lower and to the right.
    ASSERT_EQ(places.size(), 2u);
    EXPECT_GT(places[1].x(), places[0].x());
    EXPECT_GT(places[1].y(), places[0].y());

    Save(WithTitleBar(frame), "report-windows-restored-cascade.png");

    // Side by side, as the operator then drags their edges.
    f1->setGeometry(0, 0, area.width() / 2, places[0].height());
    f2->setGeometry(area.width() / 2, 0, area.width() - area.width() / 2, places[1].height());
    App().processEvents();
    Save(WithTitleBar(frame), "report-windows-restored-side-by-side.png");
    EXPECT_EQ(boxes.Count(), 0u);
}

TEST_F(MainWindowTest, ToolBarButtonsHavePicturesTipsAndPromptsInTheMessagePane) {
    struct Button {
        UINT id;
        const char* tip;
        const char* prompt;
    };
    const Button buttons[] = {
        {ID_FILE_NEW, "New Test", "Run a new test on the instrument"},
        {ID_FILE_OPEN, "Open", "Open a saved test in its report window"},
        {ID_FILE_PRINT, "Print", "Print the active window"},
        {ID_APP_ABOUT, "About", "Show the program version, firmware and calibration constants"},
        {ID_HELP_FINDER, "Help Topics", "List the help topics"},
    };
    QToolBar* bar = frame->ToolBar();
    ASSERT_NE(bar, nullptr);
    std::vector<qint64> pictures;
    for (const Button& b : buttons) {
        SCOPED_TRACE(b.tip);
        QAction* a = frame->FindToolAction(b.id);
        ASSERT_NE(a, nullptr);
        auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(a));
        ASSERT_NE(button, nullptr);
        // A picture and no text on the button.
        EXPECT_EQ(button->toolButtonStyle(), Qt::ToolButtonIconOnly);
        const QImage picture = a->icon().pixmap(24, 24).toImage();
        ASSERT_FALSE(picture.isNull());
        int drawn = 0;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x) drawn += qAlpha(picture.pixel(x, y)) > 128;
        EXPECT_GT(drawn, 24 * 24 / 5);
        pictures.push_back(picture.cacheKey());
        EXPECT_EQ(button->toolTip().toStdString(), b.tip);
        // The prompt while the pointer is on the button, then the idle text.
        QEvent enter(QEvent::Enter);
        QApplication::sendEvent(button, &enter);
        EXPECT_EQ(frame->GetPaneText(0), b.prompt);
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(button, &leave);
        EXPECT_EQ(frame->GetPaneText(0), fw::LoadString(57345));
    }
    // While a batch export shows its progress, the pane's text comes back.
    frame->BeginProgress(fw::LoadString(649), 2);
    QToolButton* open = qobject_cast<QToolButton*>(bar->widgetForAction(frame->FindToolAction(ID_FILE_OPEN)));
    QEvent enter(QEvent::Enter), leave(QEvent::Leave);
    QApplication::sendEvent(open, &enter);
    EXPECT_EQ(frame->GetPaneText(0), "Open a saved test in its report window");
    QApplication::sendEvent(open, &leave);
    EXPECT_EQ(frame->GetPaneText(0), fw::LoadString(649));
    frame->EndProgress();

    // The buttons, three times their size.
    QRect buttonsRect;
    for (const Button& b : buttons)
        buttonsRect |= bar->widgetForAction(frame->FindToolAction(b.id))->geometry();
    const QImage shot = bar->grab(buttonsRect.adjusted(-4, -2, 4, 2)).toImage();
    Save(shot.scaled(shot.size() * 3, Qt::IgnoreAspectRatio, Qt::SmoothTransformation), "tool-bar.png");
}

// Help comes up in the station's own window, from the pages that a station
// run from the build tree finds in the source tree (nothing names a folder).
class HelpWindowsTest : public MainWindowTest {
protected:
    void SetUp() override {
        unsetenv("RYX_HELP_DIR");
        MainWindowTest::SetUp();
        // Gone, as after its time or the operator's first key (which it keeps).
        CSplashWnd::HideSplashScreen();
    }
    struct Seen {
        std::string page;
        std::string title;
        QWidget* owner = nullptr;
        bool visible = false;
    };
    static Seen Look() {
        Seen s;
        auto* window = reinterpret_cast<QWidget*>(fw::CurrentHelpWindow());
        if (!window) return s;
        s.page = fw::HelpBrowser(fw::CurrentHelpWindow())->source().toLocalFile().toStdString();
        s.title = Title(window);
        s.owner = window->parentWidget();
        s.visible = window->isVisible();
        return s;
    }
    // Runs command; in the modal window it brings up, presses F1, notes the
    // help window and closes the modal window.
    Seen F1In(UINT command) {
        Seen seen;
        auto live = std::make_shared<bool>(true);
        std::function<void()> poll = [&, live] {
            if (!*live) return;
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal) {
                QTimer::singleShot(0, poll);
                return;
            }
            fw::CloseHelpWindow();
            // The operator's F1 goes to the dialog in front.
            QApplication::setActiveWindow(modal);
            QTest::keyClick(modal, Qt::Key_F1);
            seen = Look();
            seen.visible = seen.visible && seen.owner == modal;
            if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
        };
        QTimer::singleShot(0, poll);
        frame->OnCmdMsg(command);
        *live = false;
        return seen;
    }
    static std::string Page(const char* topic) { return fw::HelpTopicPath(topic); }
};

TEST_F(HelpWindowsTest, EachHelpCommandAndF1OpensItsTopicInTheHelpWindow) {
    ASSERT_TRUE(platform::FileExists(Page(kHelpTesting))) << Page(kHelpTesting);
    // The main window's three help commands and its F1.
    for (UINT id : {ID_HELP_FINDER, ID_HELP, ID_DEFAULT_HELP}) {
        SCOPED_TRACE(id);
        fw::CloseHelpWindow();
        ASSERT_TRUE(frame->OnCmdMsg(id));
        const Seen s = Look();
        EXPECT_EQ(s.page, Page(kHelpTesting));
        EXPECT_EQ(s.title, "RYXw: Testing a sample");
        EXPECT_TRUE(s.visible);
    }
    fw::CloseHelpWindow();
    // F1 goes to the window that has the keyboard.
    frame->activateWindow();
    ASSERT_TRUE(Until([&] { return QGuiApplication::focusWindow() == frame->windowHandle(); }));
    QTest::keyClick(frame, Qt::Key_F1);
    EXPECT_EQ(Look().page, Page(kHelpTesting));

    // The report and test windows' own help request.
    fw::Document* doc = App().OpenShellFile(Test("T1.ryx"));
    ASSERT_NE(FrameOf(doc), nullptr);
    ASSERT_TRUE(dynamic_cast<CQXRYXDataFrm*>(FrameOf(doc)));
    fw::CloseHelpWindow();
    ASSERT_TRUE(frame->OnCmdMsg(ID_HELP));
    EXPECT_EQ(Look().page, Page(kHelpTesting));
    ASSERT_TRUE(frame->OnCmdMsg(ID_VIEW_GRAPH));
    ASSERT_EQ(doc->GetViews().size(), 2u);
    fw::CloseHelpWindow();
    ASSERT_TRUE(frame->OnCmdMsg(ID_HELP));
    EXPECT_EQ(Look().page, Page(kHelpTesting));
    Save(WithTitleBar(reinterpret_cast<QWidget*>(fw::CurrentHelpWindow())), "help-window.png");
    for (fw::ChildFrame* f : frame->ChildFrames()) f->close();
    App().RunUntil([&] { return frame->ChildFrames().empty(); });

    // F1 in each dialog that the menus open: the help window is the
    // dialog's, so that it takes input beside it.
    struct Case {
        UINT command;
        const char* topic;
    };
    const Case cases[] = {
        {ID_APP_ABOUT, kHelpTesting},
        {ID_FILE_OPEN, kHelpTesting},
        {ID_CALCULATE_DELTA_TC, kHelpTesting},
        {ID_BATCH_EXPORT_DATA, kHelpTestMenu},
        {ID_BATCH_EXPORT_RESULTS, kHelpTestMenu},
        {ID_FILE_NEW, kHelpTesting},
        {ID_SETUP_INSTRUMENT, kHelpSetup},
        {ID_CALIBRATE_TEMPERATURE, kHelpKeyboard},
        {ID_CALIBRATE_DEFLECTION, kHelpTesting},
        {ID_CALIBRATE_FORCE, kHelpTesting},
        {ID_CONFIDENCE_TEST, kHelpTesting},
        {ID_CALIBRATE_DATUM, kHelpTesting},
        {ID_VERIFICATION, kHelpTesting},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        boxes.Clear();
        const Seen s = F1In(c.command);
        EXPECT_EQ(s.page, Page(c.topic));
        EXPECT_TRUE(s.visible) << "shown and owned by the dialog";
        EXPECT_EQ(boxes.Count(), 0u) << (boxes.Count() ? boxes.Texts()[0] : "");
    }
}

// Help pages from a help folder of the case's own: every page, the one a
// topic names and those its links, Back and Forward lead to, is read through
// the bounded reader of regular files, so that a page that is no page is
// refused at once with its cause and nothing waits on it.
class HelpPagesTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        CSplashWnd::HideSplashScreen();
        folder = platform::JoinPath(ConfigDir(), "help");
        ASSERT_EQ(platform::EnsureDirectory(platform::JoinPath(folder, "RYXW")), 0u);
        setenv("RYX_HELP_DIR", folder.c_str(), 1);
    }
    void TearDown() override {
        platform::SetReadFailureHook(nullptr);
        unsetenv("RYX_HELP_DIR");
        MainWindowTest::TearDown();
    }
    std::string Page(const std::string& name) const { return platform::JoinPath(folder, "RYXW/" + name); }
    void Write(const std::string& name, const std::string& html) const {
        ASSERT_EQ(platform::WriteFileAtomic(Page(name), html), 0u);
    }
    // The topic's page, "First topic", with more on it and a link to the
    // second page, "Second topic".
    void WritePages(const std::string& more = "") const {
        Write("Testing_a_sample.htm",
              "<html><head><title>First topic</title></head><body><p>The first page.</p>" + more +
                  "<p><a href=\"Second.htm\">On to the second</a></p></body></html>");
        Write("Second.htm",
              "<html><head><title>Second topic</title></head><body><p>The second page.</p></body></html>");
    }
    // The page the Help Topics command names.
    std::string Topic() const { return fw::HelpTopicPath(kHelpTesting); }
    static QWidget* Window() { return reinterpret_cast<QWidget*>(fw::CurrentHelpWindow()); }
    static QTextBrowser* Browser() { return fw::HelpBrowser(fw::CurrentHelpWindow()); }
    static std::string Shown() { return Browser() ? Browser()->source().toLocalFile().toStdString() : ""; }
    static bool Showing(const std::string& text) {
        return Browser() && Browser()->toPlainText().toStdString().find(text) != std::string::npos;
    }
    // The help window's Back or Forward button, as the operator presses it.
    static void Press(const char* button) {
        for (QToolBar* bar : Window()->findChildren<QToolBar*>())
            for (QAction* a : bar->actions())
                if (a->text() == QLatin1String(button)) return a->trigger();
        ADD_FAILURE() << "no " << button << " button";
    }
    std::string folder;
};

// What stands where a page should be, each made in place of the page at path.
struct NoPage {
    const char* name;
    std::function<void(const std::string& path)> make;
    UINT text;  // the box's text, with the page's full path
};

void Fifo(const std::string& path) {
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
}
void Zero(const std::string& path) {
    ASSERT_EQ(::symlink("/dev/zero", path.c_str()), 0);  // a device without end
}
void Folder(const std::string& path) {
    ASSERT_TRUE(std::filesystem::create_directory(path));
}
void Sparse(const std::string& path, uint64_t size) {
    ASSERT_EQ(platform::WriteFileAtomic(path, ""), 0u);
    ASSERT_EQ(::truncate(path.c_str(), static_cast<off_t>(size)), 0);
}

TEST_F(HelpPagesTest, ATopicWhosePageIsNoPageIsRefusedAtOnceWithItsCause) {
    const NoPage cases[] = {
        {"named pipe without a writer", Fifo, fw::kIdsReadNotRegular},
        {"device", Zero, fw::kIdsReadNotRegular},
        {"folder", Folder, fw::kIdsReadFolder},
        {"sparse file past the bound", [](const std::string& p) { Sparse(p, fw::kMaxHelpPageBytes + 1); },
         fw::kIdsReadTooLarge},
        {"link to nothing", [](const std::string& p) { ASSERT_EQ(::symlink("Gone.htm", p.c_str()), 0); },
         fw::kIdsReadBrokenLink},
        {"page without read permission",
         [this](const std::string& p) {
             Write("Testing_a_sample.htm", "<html><body>Unread</body></html>");
             platform::SetReadFailureHook([p](const std::string& path) { return path == p ? EACCES : 0; });
         },
         fw::kIdsReadNoPermission},
        {"page the disk fails to give",
         [this](const std::string& p) {
             Write("Testing_a_sample.htm", "<html><body>Unread</body></html>");
             platform::SetReadFailureHook([p](const std::string& path) { return path == p ? EIO : 0; });
         },
         fw::kIdsHelpUnreadable},
        // Said as it always was.
        {"missing page", [](const std::string&) {}, fw::kIdsHelpMissing},
    };
    const std::string page = Topic();
    ASSERT_EQ(page, Page("Testing_a_sample.htm"));
    std::string pipeText;
    for (const NoPage& c : cases) {
        SCOPED_TRACE(c.name);
        boxes.Clear();
        ASSERT_NO_FATAL_FAILURE(c.make(page));
        EXPECT_TRUE(frame->OnCmdMsg(ID_HELP_FINDER));
        EXPECT_EQ(boxes.Texts(), std::vector<std::string>{fw::FormatString1(c.text, page)});
        for (const auto& b : boxes.Boxes()) EXPECT_EQ(b.type & MB_ICONMASK, MB_ICONEXCLAMATION);
        EXPECT_EQ(Window(), nullptr) << "no help window, with no page";
        if (&c == &cases[0] && boxes.Count()) pipeText = boxes.Texts()[0];
        platform::SetReadFailureHook(nullptr);
        std::error_code ec;
        std::filesystem::remove(page, ec);
        fw::CloseHelpWindow();
    }
    // The pipe's box as the operator sees it.
    std::unique_ptr<QMessageBox> box(fw::QtMessageBox::Build(pipeText, MB_OK | MB_ICONEXCLAMATION, ""));
    box->show();
    QApplication::processEvents();
    Save(box->grab().toImage(), "help-page-refused.png");
}

TEST_F(HelpPagesTest, APageShowsAndItsLinkLeadsOnAndBack) {
    WritePages();
    ASSERT_TRUE(frame->OnCmdMsg(ID_HELP_FINDER));
    ASSERT_NE(Window(), nullptr);
    EXPECT_TRUE(Window()->isVisible());
    EXPECT_EQ(Shown(), Topic());
    EXPECT_EQ(Title(Window()), "First topic");
    EXPECT_TRUE(Showing("The first page."));
    // The link, reached and followed from the keyboard.
    QTextBrowser* browser = Browser();
    browser->setFocus();
    QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
    QApplication::sendEvent(browser, &tab);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(browser, &enter);
    EXPECT_EQ(Shown(), Page("Second.htm"));
    EXPECT_EQ(Title(Window()), "Second topic");
    EXPECT_TRUE(Showing("The second page."));
    Save(WithTitleBar(Window()), "help-window-linked-page.png");
    Press("Back");
    EXPECT_EQ(Shown(), Topic());
    EXPECT_EQ(Title(Window()), "First topic");
    EXPECT_TRUE(Showing("The first page."));
    Press("Forward");
    EXPECT_EQ(Shown(), Page("Second.htm"));
    EXPECT_TRUE(Showing("The second page."));
    EXPECT_EQ(boxes.Count(), 0u) << (boxes.Count() ? boxes.Texts()[0] : "");
}

TEST_F(HelpPagesTest, ALinkToNoPageIsRefusedAtOnceAndThePageStays) {
    // A picture on the page that is a pipe is left out: the page shows.
    WritePages("<p><img src=\"Pipe.png\"></p>");
    Fifo(Page("Pipe.png"));
    const NoPage links[] = {
        {"Pipe.htm", Fifo, fw::kIdsReadNotRegular},
        {"Zero.htm", Zero, fw::kIdsReadNotRegular},
        {"Folder.htm", Folder, fw::kIdsReadFolder},
        {"Huge.htm", [](const std::string& p) { Sparse(p, uint64_t{8} << 30); }, fw::kIdsReadTooLarge},
    };
    ASSERT_TRUE(frame->OnCmdMsg(ID_HELP_FINDER));
    ASSERT_NE(Window(), nullptr);
    Window()->grab();  // laid out and drawn, with its picture
    EXPECT_TRUE(Showing("The first page."));
    for (const NoPage& link : links) {
        SCOPED_TRACE(link.name);
        boxes.Clear();
        ASSERT_NO_FATAL_FAILURE(link.make(Page(link.name)));
        // As a click on a link to it: the address relative to the page.
        Browser()->setSource(QUrl(QString::fromUtf8(link.name)));
        EXPECT_EQ(boxes.Texts(), std::vector<std::string>{fw::FormatString1(link.text, Page(link.name))});
        EXPECT_EQ(Shown(), Topic());
        EXPECT_EQ(Title(Window()), "First topic");
        EXPECT_TRUE(Showing("The first page."));
        EXPECT_FALSE(Browser()->isBackwardAvailable()) << "nothing to go back to";
    }
    // A page that has become a pipe since it was shown, reached by Forward.
    boxes.Clear();
    Browser()->setSource(QUrl("Second.htm"));
    EXPECT_TRUE(Showing("The second page."));
    Press("Back");
    ASSERT_EQ(Shown(), Topic());
    ASSERT_TRUE(std::filesystem::remove(Page("Second.htm")));
    Fifo(Page("Second.htm"));
    Press("Forward");
    EXPECT_EQ(boxes.Texts(),
              std::vector<std::string>{fw::FormatString1(fw::kIdsReadNotRegular, Page("Second.htm"))});
    EXPECT_EQ(Shown(), Topic());
    EXPECT_TRUE(Showing("The first page."));
    EXPECT_TRUE(Browser()->isForwardAvailable());
}

}  // namespace
}  // namespace e2e
