#include "app/CQXRYXMainFrame.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QMimeData>
#include <QScreen>
#include <QToolBar>
#include <QUrl>
#include <cstdio>

#include "app/CSplashWnd.h"
#include "app/CStatus.h"
#include "app/CommandLine.h"
#include "app/Help.h"
#include "app/Menus.h"
#include "app/ToolBarPictures.h"
#include "framework/core/CommandIds.h"
#include "framework/core/Strings.h"
#include "res/MenuIds.h"
#include "res/Resource.h"

CQXRYXMainFrame::CQXRYXMainFrame(CQXBendingBeam& beam) : m_pInstrumentBar(new CStatus(&beam, this)) {
    for (UINT id : {ID_HELP_FINDER, ID_HELP, ID_DEFAULT_HELP})
        MapCommand(id, [] { fw::ShowHelpTopic(kHelpTesting); });
    MapUpdate(ID_INDICATOR_BEAM_THICKNESS, [this](fw::CmdUI& ui) { ui.Enable(m_bShowThickness); });
    m_pBeam = &beam;
    MapCalibrateCommands();
    MapCommand(ID_SETUP_INSTRUMENT, [this] { OnSetupInstrument(); });
}

CQXRYXMainFrame::~CQXRYXMainFrame() = default;

void CQXRYXMainFrame::PreCreateWindow() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen) {
        const QRect desk = screen->availableGeometry();
        if (desk.width() > 730 && desk.height() > 530) setGeometry(20, 20, 750, 550);
    }
    // The window's class name is what the single-instance test looks for.
    setObjectName(QString::fromStdString(g_strWindowClass));
    // Created with FWS_ADDTOTITLE: the title names the active document.
    SetTitle(fw::LoadString(128), true);
}

bool CQXRYXMainFrame::Create() {
    PreCreateWindow();
    setWindowIcon(QIcon(CSplashWnd::LoadPicture().isNull() ? QPixmap() : QPixmap(":/ryxw/ryxw.png")));
    SetDefaultMenu(StationMenu(IDR_MAINFRAME));

    // Tips and fly-by prompts from the commands' strings.
    AddToolButton(ID_FILE_NEW, ToolBarPicture(ID_FILE_NEW));
    AddToolButton(ID_FILE_OPEN, ToolBarPicture(ID_FILE_OPEN));
    AddToolSeparator();
    AddToolButton(ID_FILE_PRINT, ToolBarPicture(ID_FILE_PRINT));
    AddToolSeparator();
    AddToolButton(ID_APP_ABOUT, ToolBarPicture(ID_APP_ABOUT));
    AddToolButton(ID_HELP_FINDER, ToolBarPicture(ID_HELP_FINDER));
    ToolBar()->setMovable(true);

    SetIndicators({ID_INDICATOR_BEAM_THICKNESS});

    if (!m_pInstrumentBar->Create(this)) return false;
    setAcceptDrops(true);
    CSplashWnd::ShowSplashScreen(this);
    return true;
}

void CQXRYXMainFrame::ShowBeamThickness(const float* mm) {
    if (!mm) return;
    char text[128];
    std::snprintf(text, sizeof text, fw::LoadString(ID_INDICATOR_BEAM_THICKNESS).c_str(),
                  static_cast<double>(*mm));
    SetPaneText(1, text);
    m_bShowThickness = true;
}

bool CQXRYXMainFrame::OnClose() {
    if (Progress() && !m_bCloseDespiteExport) return false;
    return fw::MainFrame::OnClose();
}

bool CQXRYXMainFrame::CloseDespiteExport() {
    m_bCloseDespiteExport = true;
    const bool closed = close();
    m_bCloseDespiteExport = false;
    return closed;
}

void CQXRYXMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void CQXRYXMainFrame::dropEvent(QDropEvent* event) {
    event->acceptProposedAction();
    OpenDropped(*event->mimeData());
}

void CQXRYXMainFrame::OpenDropped(const QMimeData& data) {
    for (const QUrl& url : data.urls()) {
        if (url.isLocalFile() && m_onDrop) m_onDrop(url.toLocalFile().toStdString());
    }
}
