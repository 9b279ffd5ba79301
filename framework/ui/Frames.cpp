#include "framework/ui/Frames.h"

#include <unistd.h>

#include <QAction>
#include <QCloseEvent>
#include <QIcon>
#include <QKeySequence>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProgressBar>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QStyle>
#include <QToolBar>
#include <algorithm>

#include "framework/core/MessageBox.h"
#include "framework/core/Strings.h"
#include "framework/ui/Application.h"
#include "framework/ui/PainterContext.h"
#include "framework/ui/RecentFileList.h"

namespace fw {

namespace {

constexpr UINT kIdsIdleMessage = 57345;  // "For Help, press F1"

std::string IdleText() {
    return LoadString(kIdsIdleMessage);
}

UINT IdOf(const QAction* a) {
    return a->data().toUInt();
}

// A file name in a menu: "&" is a mnemonic there unless doubled.
std::string MenuLabelText(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '&') out += '&';
        out += c;
    }
    return out;
}

std::string CurrentDirectory() {
    char buf[4096];
    return getcwd(buf, sizeof buf) ? buf : "";
}

PrinterSetup& CurrentPrinterSetup() {
    static PrinterSetup setup;
    return setup;
}

void ApplyPrinterSetup(QPrinter& printer) {
    if (const PrinterSetup& setup = CurrentPrinterSetup()) setup(printer);
}

}  // namespace

PrinterSetup SetPrinterSetup(PrinterSetup setup) {
    PrinterSetup previous = std::move(CurrentPrinterSetup());
    CurrentPrinterSetup() = std::move(setup);
    return previous;
}

void SplitMenuText(const std::string& text, std::string& label, std::string& accelerator) {
    const size_t tab = text.find('\t');
    label = text.substr(0, tab);
    accelerator = tab == std::string::npos ? std::string() : text.substr(tab + 1);
}

// ---- ViewWidget

ViewWidget::ViewWidget(QWidget* parent) : QWidget(parent) {
    // The view paints every pixel itself; nothing is erased first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    MapCommand(ID_FILE_PRINT, [this] { OnFilePrint(); });
    MapCommand(ID_FILE_PRINT_DIRECT, [this] { OnFilePrintDirect(); });
    MapCommand(ID_FILE_PRINT_PREVIEW, [this] { OnFilePrintPreview(); });
}

ChildFrame* ViewWidget::GetParentFrame() const {
    for (QWidget* w = parentWidget(); w; w = w->parentWidget()) {
        if (auto* f = qobject_cast<ChildFrame*>(w)) return f;
    }
    return nullptr;
}

void ViewWidget::OnDraw(DrawContext&) {}

void ViewWidget::OnPrepareDC(DrawContext&) {}

void ViewWidget::OnUpdate(View*, intptr_t) {
    update();
}

void ViewWidget::paintEvent(QPaintEvent*) {
    PainterContext dc(*this);
    GuardHandler([&] {
        OnPrepareDC(dc);
        OnDraw(dc);
    });
}

bool ViewWidget::PrintTo(QPrinter& printer) {
    PainterContext dc(printer);
    if (!dc.IsActive()) return false;
    return GuardHandler([&] {
        OnPrepareDC(dc);
        OnDraw(dc);
    });
}

void ViewWidget::OnFilePrint() {
    QPrinter printer(QPrinter::HighResolution);
    ApplyPrinterSetup(printer);
    QPrintDialog dialog(&printer, this);
    // The views print one page: there is no range to choose.
    dialog.setMinMax(1, 1);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    if (dialog.exec() == QDialog::Accepted) PrintTo(printer);
}

void ViewWidget::OnFilePrintDirect() {
    QPrinter printer(QPrinter::HighResolution);
    ApplyPrinterSetup(printer);
    const bool toFile = !printer.outputFileName().isEmpty();
    if (!toFile && QPrinterInfo::defaultPrinter().isNull()) {
        ShowMessage("No printer is installed.", MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    PrintTo(printer);
}

void ViewWidget::OnFilePrintPreview() {
    QPrinter printer(QPrinter::HighResolution);
    ApplyPrinterSetup(printer);
    QPrintPreviewDialog preview(&printer, this);
    connect(&preview, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* p) { PrintTo(*p); });
    preview.exec();
}

// ---- DockBar

DockBar::DockBar(const std::string& title, QWidget* parent)
    : QDockWidget(QString::fromStdString(title), parent) {
    // Saved window layouts find the bar by its title.
    setObjectName(QString::fromStdString(title));
}

// ---- ChildFrame

ChildFrame::ChildFrame(QWidget* parent) : QMdiSubWindow(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
}

void ChildFrame::SetView(ViewWidget* view) {
    m_view = view;
    setWidget(view);
}

void ChildFrame::ActivateFrame(int cmdShow) {
    PlaceByDefault();
    if (cmdShow == -1) {
        showMaximized();
    } else {
        show();
    }
    if (mdiArea()) mdiArea()->setActiveSubWindow(this);
    setFocus();
}

void ChildFrame::PlaceByDefault() {
    QMdiArea* area = mdiArea();
    if (m_placed || !area) return;
    const QSize room = area->viewport()->size();
    // An area not laid out yet: the place is given at the first restore.
    if (room.width() < 160 || room.height() < 120) return;
    const QSize size(room.width() * 3 / 4, room.height() * 3 / 4);
    const int step = std::max(8, style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this));
    // The cascade goes on from the frame placed last and starts again at the
    // corner when the next frame would leave the area.
    const char* const kNext = "fwCascadeNext";
    int n = area->property(kNext).toInt();
    if (n * step + size.width() > room.width() || n * step + size.height() > room.height()) n = 0;
    area->setProperty(kNext, n + 1);
    m_placed = true;
    setGeometry(QRect(QPoint(n * step, n * step), size));
}

void ChildFrame::changeEvent(QEvent* event) {
    QMdiSubWindow::changeEvent(event);
    // Restored before it was ever placed (it opened maximised in an area
    // that had no size yet): the normal geometry it restored to is a strip.
    if (event->type() == QEvent::WindowStateChange && !m_placed &&
        !(windowState() & (Qt::WindowMaximized | Qt::WindowMinimized)))
        PlaceByDefault();
}

void ChildFrame::OnUpdateFrameTitle() {
    Document* doc = m_view ? m_view->GetDocument() : nullptr;
    if (!doc || doc->GetTitle().empty()) return;
    // A caption set by the window itself is its own.
    if (!windowTitle().isEmpty() && windowTitle() != m_frameTitle) return;
    std::vector<const ChildFrame*> frames;
    for (View* v : doc->GetViews()) {
        auto* view = dynamic_cast<ViewWidget*>(v);
        const ChildFrame* frame = view ? view->GetParentFrame() : nullptr;
        if (frame && std::find(frames.begin(), frames.end(), frame) == frames.end()) frames.push_back(frame);
    }
    QString title = QString::fromStdString(doc->GetTitle());
    if (frames.size() > 1) {
        const auto at = std::find(frames.begin(), frames.end(), this);
        if (at != frames.end()) title += QStringLiteral(":%1").arg(at - frames.begin() + 1);
    }
    m_frameTitle = title;
    if (windowTitle() != title) setWindowTitle(title);
}

bool ChildFrame::OnCmdMsg(UINT id) {
    if (auto* main = qobject_cast<MainFrame*>(window())) return main->OnCmdMsg(id);
    return OnCommand(id);
}

void ChildFrame::closeEvent(QCloseEvent* event) {
    // Closing the last window of a document closes the document, after it
    // has been asked to save.
    // The close box takes the same road as File Close: SaveModified, then
    // the document's own OnCloseDocument, which may keep the document (and
    // this window) open.
    Document* doc = m_view ? m_view->GetDocument() : nullptr;
    if (doc && doc->GetViews().size() == 1) {
        bool keep = false;
        GuardHandler([&] { keep = !doc->SaveModified(); });
        if (keep) {
            event->ignore();
            return;
        }
        if (doc->GetDocTemplate()) {
            GuardHandler([&] { doc->OnCloseDocument(); });
            // Still attached: the document chose to stay open.
            if (m_view && m_view->GetDocument() == doc) {
                event->ignore();
                return;
            }
        } else {
            doc->RemoveView(m_view);
        }
    } else if (doc) {
        doc->RemoveView(m_view);
    }
    QMdiSubWindow::closeEvent(event);
}

// ---- MainFrame

MainFrame::MainFrame(QWidget* parent) : QMainWindow(parent), m_mdi(new QMdiArea(this)) {
    setCentralWidget(m_mdi);
    m_toolBar = addToolBar(QStringLiteral("Standard"));
    m_toolBar->setObjectName(QStringLiteral("toolbar"));
    statusBar()->setObjectName(QStringLiteral("statusbar"));
    SetIndicators({});
    connect(m_mdi, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow*) {
        BuildMenuBar();
        UpdateFrameTitles();
    });
    if (auto* app = Application::Instance()) app->SetMainFrame(this);
}

MainFrame::~MainFrame() {
    // Child frames going with the MDI area must not rebuild a menu bar or
    // titles that are half gone.
    disconnect(m_mdi, nullptr, this, nullptr);
    for (ChildFrame* f : ChildFrames()) disconnect(f, nullptr, this, nullptr);
    if (auto* app = Application::Instance(); app && app->GetMainFrame() == this) app->SetMainFrame(nullptr);
}

ChildFrame* MainFrame::GetActiveFrame() const {
    return qobject_cast<ChildFrame*>(m_mdi->activeSubWindow());
}

void MainFrame::AddChildFrame(ChildFrame* frame) {
    m_mdi->addSubWindow(frame);
    // The program's icon, not the toolkit's, in the frame's title bar.
    frame->setWindowIcon(windowIcon());
    connect(frame, &QMdiSubWindow::windowStateChanged, this, [this] { UpdateFrameTitles(); });
}

void MainFrame::SetTitle(const std::string& title, bool addToTitle) {
    m_title = title;
    m_addToTitle = addToTitle;
    setWindowTitle(QString::fromStdString(title));
    UpdateFrameTitles();
}

void MainFrame::UpdateFrameTitles() {
    for (ChildFrame* f : ChildFrames()) f->OnUpdateFrameTitle();
    if (!m_addToTitle) return;
    const QString program = QString::fromStdString(m_title);
    const ChildFrame* active = GetActiveFrame();
    if (active && active->isMaximized() && !active->windowTitle().isEmpty()) {
        // The maximised window's caption follows in brackets, as the MDI
        // area itself writes it; set only when the area has not.
        const QString wanted = program + QStringLiteral(" - [%1]").arg(active->windowTitle());
        if (windowTitle() == wanted) return;
        setWindowTitle(program);
        if (windowTitle() != wanted) setWindowTitle(wanted);
        return;
    }
    QString wanted = program;
    const ViewWidget* view = active ? active->GetActiveView() : nullptr;
    const Document* doc = view ? view->GetDocument() : nullptr;
    if (doc && !doc->GetTitle().empty())
        wanted += QStringLiteral(" - ") + QString::fromStdString(doc->GetTitle());
    else if (active && !active->windowTitle().isEmpty())
        wanted += QStringLiteral(" - ") + active->windowTitle();
    if (windowTitle() != wanted) setWindowTitle(wanted);
}

std::vector<ChildFrame*> MainFrame::ChildFrames() const {
    std::vector<ChildFrame*> out;
    for (QMdiSubWindow* w : m_mdi->subWindowList()) {
        if (auto* f = qobject_cast<ChildFrame*>(w)) out.push_back(f);
    }
    return out;
}

void MainFrame::SetDefaultMenu(Menu menu) {
    m_defaultMenu = std::move(menu);
    m_shownMenu = nullptr;
    BuildMenuBar();
}

void MainFrame::BuildMenuBar() {
    const ChildFrame* child = GetActiveFrame();
    const Menu* wanted = child && child->GetMenu() ? child->GetMenu() : &m_defaultMenu;
    if (wanted == m_shownMenu) return;
    m_shownMenu = wanted;
    menuBar()->clear();
    for (QAction* a : m_menuActions) a->deleteLater();
    m_menuActions.clear();
    m_recentSlots.clear();
    for (const MenuItem& popup : *wanted) {
        QMenu* menu = menuBar()->addMenu(QString::fromStdString(popup.text));
        AddItems(menu, popup.items);
    }
    UpdateRecentFiles(true);
}

void MainFrame::UpdateRecentFiles(bool force) {
    const Application* app = Application::Instance();
    const RecentFileList* list = app ? app->GetRecentFileList() : nullptr;
    const unsigned generation = list ? list->Generation() : 0;
    // The names depend on the current folder too (its files show by name).
    const std::string cwd = CurrentDirectory();
    if (!force && list == m_recentShownList && generation == m_recentShownGeneration &&
        cwd == m_recentShownDir)
        return;
    m_recentShownList = list;
    m_recentShownGeneration = generation;
    m_recentShownDir = cwd;
    for (RecentSlot& slot : m_recentSlots) {
        for (QAction* a : slot.entries) {
            m_menuActions.erase(std::remove(m_menuActions.begin(), m_menuActions.end(), a),
                                m_menuActions.end());
            slot.menu->removeAction(a);
            // Later: the item may be the one whose command changed the list.
            a->deleteLater();
        }
        slot.entries.clear();
        const size_t count = list ? list->GetSize() : 0;
        for (size_t i = 0; i < count; ++i) {
            const UINT id = ID_FILE_MRU_FILE1 + static_cast<UINT>(i);
            const std::string text =
                "&" + std::to_string(i + 1) + " " + MenuLabelText(list->GetDisplayName(i, cwd));
            auto* a = new QAction(QString::fromStdString(text), slot.menu);
            a->setData(id);
            slot.menu->insertAction(slot.placeholder, a);
            connect(a, &QAction::triggered, this, [this, id] { RunCommand(id); });
            slot.entries.push_back(a);
            m_menuActions.push_back(a);
            UpdateAction(a);
        }
        slot.placeholder->setVisible(count == 0);
    }
}

void MainFrame::AddItems(QMenu* menu, const std::vector<MenuItem>& items) {
    // Update handlers run as a menu opens, so it never shows a stale state.
    connect(menu, &QMenu::aboutToShow, this, [this, menu] {
        UpdateRecentFiles();
        for (QAction* a : menu->actions()) {
            if (!a->isSeparator() && !a->menu()) UpdateAction(a);
        }
    });
    for (const MenuItem& item : items) {
        if (!item.items.empty()) {
            AddItems(menu->addMenu(QString::fromStdString(item.text)), item.items);
        } else if (item.id == 0 && item.text.empty()) {
            menu->addSeparator();
        } else if (item.id == ID_FILE_MRU_FILE1) {
            // Shown while the list is empty; its id stays off the action, so
            // that it is never mistaken for the first entry.
            std::string label, accelerator;
            SplitMenuText(item.text, label, accelerator);
            QAction* placeholder = menu->addAction(QString::fromStdString(label));
            placeholder->setEnabled(false);
            m_recentSlots.push_back(RecentSlot{menu, placeholder, {}});
        } else {
            std::string label, accelerator;
            SplitMenuText(item.text, label, accelerator);
            QAction* a = menu->addAction(QString::fromStdString(label));
            a->setData(item.id);
            if (!accelerator.empty()) {
                a->setShortcut(QKeySequence(QString::fromStdString(accelerator)));
                a->setShortcutContext(Qt::WindowShortcut);
            }
            const UINT id = item.id;
            connect(a, &QAction::triggered, this, [this, id] { RunCommand(id); });
            m_menuActions.push_back(a);
            UpdateAction(a);
        }
    }
}

void MainFrame::AddToolButton(UINT id, const std::string& text, const std::string& tip) {
    QAction* a = m_toolBar->addAction(QString::fromStdString(text));
    a->setData(id);
    if (!tip.empty()) a->setToolTip(QString::fromStdString(tip));
    connect(a, &QAction::triggered, this, [this, id] { RunCommand(id); });
    m_toolActions.push_back(a);
    UpdateAction(a);
}

void MainFrame::AddToolButton(UINT id, const QIcon& picture) {
    std::string prompt, tip;
    const std::string text = LoadString(id);
    const size_t nl = text.find('\n');
    prompt = text.substr(0, nl);
    tip = nl == std::string::npos ? prompt : text.substr(nl + 1);
    AddToolButton(id, tip, tip);
    QAction* a = m_toolActions.back();
    a->setIcon(picture);
    a->setStatusTip(QString::fromStdString(prompt));
}

void MainFrame::AddToolSeparator() {
    m_toolBar->addSeparator();
}

void MainFrame::SetIndicators(const std::vector<UINT>& ids) {
    for (QLabel* l : m_panes) delete l;
    m_panes.clear();
    m_indicators = ids;
    m_indicators.insert(m_indicators.begin(), 0);
    m_paneTexts.assign(m_indicators.size(), std::string());
    m_paneTexts[0] = IdleText();
    for (size_t i = 0; i < m_indicators.size(); ++i) {
        auto* label = new QLabel(statusBar());
        if (i == 0) {
            statusBar()->addWidget(label, 1);
        } else {
            // Sized to the pane's string, as the pane's resource text gives it.
            const std::string sample = LoadString(m_indicators[i]);
            label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QString::fromStdString(sample)));
            label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
            statusBar()->addPermanentWidget(label);
        }
        m_panes.push_back(label);
    }
    m_panes[0]->setText(QString::fromStdString(m_paneTexts[0]));
}

void MainFrame::SetPaneText(int index, const std::string& text) {
    if (index < 0 || index >= static_cast<int>(m_panes.size())) return;
    m_paneTexts[static_cast<size_t>(index)] = text;
    if (index == 0 || m_panes[static_cast<size_t>(index)]->isEnabled())
        m_panes[static_cast<size_t>(index)]->setText(QString::fromStdString(text));
}

std::string MainFrame::GetPaneText(int index) const {
    if (index < 0 || index >= static_cast<int>(m_panes.size())) return {};
    return m_panes[static_cast<size_t>(index)]->text().toStdString();
}

void MainFrame::BeginProgress(const std::string& text, int count) {
    EndProgress();
    SetPaneText(0, text);
    m_progress = new QProgressBar(statusBar());
    m_progress->setRange(1, std::max(1, count));
    m_progress->setValue(1);
    m_progress->setTextVisible(false);
    statusBar()->insertWidget(1, m_progress, 1);
}

void MainFrame::StepProgress() {
    if (m_progress) m_progress->setValue(std::min(m_progress->maximum(), m_progress->value() + 1));
}

void MainFrame::EndProgress() {
    if (!m_progress) return;
    delete m_progress;
    m_progress = nullptr;
    SetPaneText(0, IdleText());
}

void MainFrame::AddDockBar(DockBar* bar, UINT toggleId, Qt::DockWidgetArea area) {
    addDockWidget(area, bar);
    MapCommand(toggleId, [this, bar] { ShowControlBar(bar, bar->isHidden()); });
    // isHidden, not isVisible: the bar's own state, also while the frame is
    // minimised or not shown yet.
    MapUpdate(toggleId, [bar](CmdUI& ui) { ui.SetCheck(bar->isHidden() ? 0 : 1); });
}

void MainFrame::ShowControlBar(DockBar* bar, bool show) {
    if (bar) bar->setVisible(show);
}

std::vector<CommandTarget*> MainFrame::CommandChain() const {
    std::vector<CommandTarget*> chain;
    ChildFrame* child = GetActiveFrame();
    ViewWidget* view = child ? child->GetActiveView() : nullptr;
    chain.push_back(view);
    chain.push_back(view ? view->GetDocument() : nullptr);
    chain.push_back(child);
    chain.push_back(const_cast<MainFrame*>(this));
    chain.push_back(Application::Instance());
    return chain;
}

bool MainFrame::OnCmdMsg(UINT id) {
    bool handled = false;
    GuardHandler([&] { handled = RouteCommand(CommandChain(), id); });
    return handled;
}

void MainFrame::RunCommand(UINT id) {
    // An accelerator may come before the idle update saw a change: ask the
    // update handler again, and run only an enabled command.
    CmdUI ui(id);
    if (!RouteUpdate(CommandChain(), ui) || !ui.IsEnabled()) return;
    OnCmdMsg(id);
}

void MainFrame::UpdateAction(QAction* action) {
    CmdUI ui(IdOf(action));
    bool handled = false;
    GuardHandler([&] { handled = RouteUpdate(CommandChain(), ui); });
    action->setEnabled(handled && ui.IsEnabled());
    action->setCheckable(ui.GetCheck() != 0 || action->isCheckable());
    action->setChecked(ui.GetCheck() != 0);
}

void MainFrame::UpdateCommandUI() {
    BuildMenuBar();
    UpdateFrameTitles();
    UpdateRecentFiles();
    for (QAction* a : m_menuActions) UpdateAction(a);
    for (QAction* a : m_toolActions) UpdateAction(a);
    for (size_t i = 1; i < m_panes.size(); ++i) {
        CmdUI ui(m_indicators[i]);
        GuardHandler([&] { RouteUpdate(CommandChain(), ui); });
        const bool on = ui.IsEnabled();
        m_panes[i]->setEnabled(on);
        m_panes[i]->setText(on ? QString::fromStdString(m_paneTexts[i]) : QString());
    }
}

QAction* MainFrame::FindAction(UINT id) const {
    for (QAction* a : m_menuActions)
        if (IdOf(a) == id) return a;
    return nullptr;
}

QAction* MainFrame::FindToolAction(UINT id) const {
    for (QAction* a : m_toolActions)
        if (IdOf(a) == id) return a;
    return nullptr;
}

bool MainFrame::OnClose() {
    for (ChildFrame* f : ChildFrames()) {
        if (!f->close()) return false;
    }
    return true;
}

bool MainFrame::event(QEvent* event) {
    if (event->type() == QEvent::StatusTip && !m_panes.empty()) {
        // The prompt while the pointer is on a button; then the pane's own text.
        const QString tip = static_cast<QStatusTipEvent*>(event)->tip();
        m_panes[0]->setText(tip.isEmpty() ? QString::fromStdString(m_paneTexts[0]) : tip);
        return true;
    }
    return QMainWindow::event(event);
}

void MainFrame::closeEvent(QCloseEvent* event) {
    bool ok = false;
    GuardHandler([&] { ok = OnClose(); });
    if (!ok) {
        event->ignore();
        return;
    }
    event->accept();
    if (auto* app = Application::Instance()) app->OnMainFrameClosed();
}

// ---- MdiFrameFactory

bool MdiFrameFactory::CreateFrame(DocTemplate& tmpl, Document& doc, bool visible) {
    auto it = m_kinds.find(tmpl.GetResourceId());
    if (it == m_kinds.end() || !it->second.makeView) return false;
    ChildFrame* frame = it->second.makeFrame ? it->second.makeFrame() : new ChildFrame;
    ViewWidget* view = it->second.makeView();
    if (!frame || !view) {
        delete frame;
        delete view;
        return false;
    }
    frame->SetView(view);
    frame->SetMenu(it->second.menu);
    doc.AddView(view);
    m_main.AddChildFrame(frame);
    view->OnInitialUpdate();
    if (visible) frame->ActivateFrame(-1);
    m_main.UpdateFrameTitles();
    return true;
}

void MdiFrameFactory::CloseFrames(Document& doc) {
    const std::vector<View*> views = doc.GetViews();
    for (View* v : views) {
        auto* view = dynamic_cast<ViewWidget*>(v);
        doc.RemoveView(v);
        if (!view) continue;
        if (ChildFrame* frame = view->GetParentFrame()) {
            frame->setAttribute(Qt::WA_DeleteOnClose, false);
            frame->hide();
            frame->deleteLater();
        }
    }
}

}  // namespace fw
