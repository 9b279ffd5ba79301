#pragma once
// The MDI windows: the main frame (menu bar, tool bar, status bar with
// panes and a progress control, the MDI area), child frames that open
// maximised, views that draw on a device context, and the factory that the
// document templates ask for their windows. Menus, accelerators and tool bar
// buttons carry command ids, routed through the command chain (active view,
// its document, the child frame, the main frame, the application), and
// their enable and check states come from the update handlers.
#include <QDockWidget>
#include <QMainWindow>
#include <QMdiSubWindow>
#include <QWidget>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "framework/core/Command.h"
#include "framework/core/CommandIds.h"
#include "framework/core/Document.h"
#include "framework/ui/Window.h"

class QAction;
class QIcon;
class QLabel;
class QMdiArea;
class QMenu;
class QPrinter;
class QProgressBar;
class QToolBar;

namespace fw {

class DrawContext;
class ChildFrame;

// The framework's print commands; every view routes them to its print
// handlers.
using ::ID_FILE_PRINT;
using ::ID_FILE_PRINT_DIRECT;
using ::ID_FILE_PRINT_PREVIEW;

// The station's print setup, applied to every printer the print commands
// make before any dialog shows it (the printer, paper, or a PDF file to
// print to). Returns the previous setup; an empty one leaves Qt's defaults.
using PrinterSetup = std::function<void(QPrinter&)>;
PrinterSetup SetPrinterSetup(PrinterSetup setup);

// A menu as the resources describe it: a popup has items; an item has an id
// and a text whose "\t" part is its accelerator ("&Report\tCtrl+R"); an
// item with neither id nor text is a separator. An item ID_FILE_MRU_FILE1
// stands for the recently used files: it shows them, numbered "&1 ...",
// or, while there are none, itself disabled.
struct MenuItem {
    UINT id = 0;
    std::string text;
    std::vector<MenuItem> items;
};
using Menu = std::vector<MenuItem>;  // the popups of a menu bar

// A dockable bar of the main frame (the live readings, say), shown and
// hidden by a command whose menu item carries a check mark while it shows.
class DockBar : public QDockWidget, public Window {
    Q_OBJECT
public:
    explicit DockBar(const std::string& title, QWidget* parent = nullptr);
};

// Splits "&Graph\tCtrl+G" into the label and the key sequence text.
void SplitMenuText(const std::string& text, std::string& label, std::string& accelerator);

class ViewWidget : public QWidget, public Window, public View {
    Q_OBJECT
public:
    explicit ViewWidget(QWidget* parent = nullptr);
    ChildFrame* GetParentFrame() const;
    // Draws the view; the default draws nothing.
    virtual void OnDraw(DrawContext& dc);
    // Prepares the context before each OnDraw, on screen and on paper (a
    // scroll view sets its mapping mode and origin); the default does nothing.
    virtual void OnPrepareDC(DrawContext& dc);
    virtual void OnInitialUpdate() {}
    // Repaints the whole view.
    void OnUpdate(View* sender, intptr_t hint) override;
    // Prints one page through OnDraw on a printing context.
    bool PrintTo(QPrinter& printer);
    // The print commands (ID_FILE_PRINT, ID_FILE_PRINT_DIRECT and
    // ID_FILE_PRINT_PREVIEW): after the standard print dialog, straight to
    // the set-up or default printer, and the preview. Each prints one page.
    void OnFilePrint();
    void OnFilePrintDirect();
    void OnFilePrintPreview();

protected:
    void paintEvent(QPaintEvent* event) override;
};

class ChildFrame : public QMdiSubWindow, public Window, public CommandTarget {
    Q_OBJECT
public:
    explicit ChildFrame(QWidget* parent = nullptr);
    ViewWidget* GetActiveView() const { return m_view; }
    void SetView(ViewWidget* view);
    // The template's menu, shown while this frame is active.
    void SetMenu(const Menu* menu) { m_menu = menu; }
    const Menu* GetMenu() const { return m_menu; }
    // Shows and activates the frame; -1, the usual value, opens it maximised.
    // Its first showing gives it the normal place it restores to: three
    // quarters of the MDI area's width and height, cascaded a title bar
    // below and right of the frame placed before it.
    virtual void ActivateFrame(int cmdShow = -1);
    bool OnCmdMsg(UINT id) override;
    // Gives the frame its document's title, with ":n" while the document has
    // more than one window (n counting them in the order their views were
    // added). A caption the window gave itself (a running test's phase) is
    // kept, as is the caption of a frame without a titled document.
    void OnUpdateFrameTitle();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // The default normal geometry; once, as soon as the area has a size.
    void PlaceByDefault();

    ViewWidget* m_view = nullptr;
    const Menu* m_menu = nullptr;
    bool m_placed = false;
    QString m_frameTitle;  // the caption OnUpdateFrameTitle gave last
};

class MainFrame : public QMainWindow, public Window, public CommandTarget {
    Q_OBJECT
public:
    explicit MainFrame(QWidget* parent = nullptr);
    ~MainFrame() override;

    QMdiArea* MdiArea() const { return m_mdi; }
    ChildFrame* GetActiveFrame() const;
    void AddChildFrame(ChildFrame* frame);
    std::vector<ChildFrame*> ChildFrames() const;

    // The menu while no child frame is active; a child frame's own menu
    // replaces it while that frame is active.
    void SetDefaultMenu(Menu menu);
    // The program's title. With addToTitle the window's title also names the
    // active document: "Program - Title", and while the active window is
    // maximised "Program - [its caption]".
    void SetTitle(const std::string& title, bool addToTitle = true);
    // Brings the child frames' titles and this window's up to date; the
    // idle update runs it too.
    void UpdateFrameTitles();
    void AddToolButton(UINT id, const std::string& text, const std::string& tip = {});
    // A button with a picture; its texts come from the command's string,
    // "prompt\ntip": the tip shows over the button, and the prompt in the
    // message pane while the pointer is on the button.
    void AddToolButton(UINT id, const QIcon& picture);
    void AddToolSeparator();
    // Pane 0 is the message pane; the others are indicator panes with ids
    // (their text shows only while their update handler enables them).
    void SetIndicators(const std::vector<UINT>& ids);
    void SetPaneText(int index, const std::string& text);
    std::string GetPaneText(int index) const;  // what the pane shows now
    // A progress control in the status bar after the text, steps 1..count.
    void BeginProgress(const std::string& text, int count);
    void StepProgress();
    void EndProgress();
    QProgressBar* Progress() const { return m_progress; }

    // Docks bar (the frame takes it) on the given side. The command toggleId
    // shows it when hidden and hides it when shown; its update handler
    // checks the command while the bar is shown.
    void AddDockBar(DockBar* bar, UINT toggleId, Qt::DockWidgetArea area = Qt::RightDockWidgetArea);
    // Shows or hides a bar at once, as the toggle command does.
    void ShowControlBar(DockBar* bar, bool show);

    // The command chain from the active view to the application.
    std::vector<CommandTarget*> CommandChain() const;
    bool OnCmdMsg(UINT id) override;
    // Runs the update handlers of every menu item, tool button and pane.
    void UpdateCommandUI();
    // Rebuilds the recent-file items when the application's list or the
    // current folder changed since they were made (or always, with force).
    void UpdateRecentFiles(bool force = false);
    QAction* FindAction(UINT id) const;  // the menu bar's action for id
    QAction* FindToolAction(UINT id) const;
    QToolBar* ToolBar() const { return m_toolBar; }

    // Asked when the user closes the main window; false keeps it open. The
    // default closes every child frame's document first.
    virtual bool OnClose();

protected:
    void closeEvent(QCloseEvent* event) override;
    // The tool bar's prompts go to the message pane.
    bool event(QEvent* event) override;

private:
    void BuildMenuBar();
    void AddItems(QMenu* menu, const std::vector<MenuItem>& items);
    void UpdateAction(QAction* action);
    void RunCommand(UINT id);

    // Where a menu shows the recent files: before its placeholder item.
    struct RecentSlot {
        QMenu* menu;
        QAction* placeholder;
        std::vector<QAction*> entries;
    };

    QMdiArea* m_mdi;
    QToolBar* m_toolBar;
    std::string m_title;
    bool m_addToTitle = false;
    QProgressBar* m_progress = nullptr;
    Menu m_defaultMenu;
    const Menu* m_shownMenu = nullptr;
    std::vector<QAction*> m_menuActions;
    std::vector<RecentSlot> m_recentSlots;
    const void* m_recentShownList = nullptr;
    unsigned m_recentShownGeneration = 0;
    std::string m_recentShownDir;
    std::vector<QAction*> m_toolActions;
    std::vector<UINT> m_indicators;
    std::vector<QLabel*> m_panes;
    std::vector<std::string> m_paneTexts;
};

// The windows of the document templates: per template id, how to make the
// view (and, if not a plain ChildFrame, the frame) and which menu the frame
// shows.
class MdiFrameFactory : public FrameFactory {
public:
    struct Kind {
        std::function<ViewWidget*()> makeView;
        std::function<ChildFrame*()> makeFrame;  // empty: a ChildFrame
        const Menu* menu = nullptr;
    };
    explicit MdiFrameFactory(MainFrame& main) : m_main(main) {}
    void Register(UINT templateId, Kind kind) { m_kinds[templateId] = std::move(kind); }
    bool IsRegistered(UINT templateId) const { return m_kinds.count(templateId) != 0; }

    bool CreateFrame(DocTemplate& tmpl, Document& doc, bool visible) override;
    void CloseFrames(Document& doc) override;

private:
    MainFrame& m_main;
    std::map<UINT, Kind> m_kinds;
};

}  // namespace fw
