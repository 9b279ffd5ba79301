#include "framework/ui/Application.h"

#include <QAbstractEventDispatcher>
#include <QElapsedTimer>
#include <QTimer>

#include "framework/core/CommandIds.h"
#include "framework/core/Document.h"
#include "framework/core/IdleTasks.h"
#include "framework/core/MessageBox.h"
#include "framework/core/Strings.h"
#include "framework/ui/Frames.h"
#include "framework/ui/Help.h"
#include "framework/ui/RecentFileList.h"
#include "platform/Paths.h"

namespace fw {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
    m_previousPosts = InstallService(static_cast<WindowPostService*>(&m_posts));
    m_previousBeep = InstallService(static_cast<BeepService*>(&m_beep));
    // The main frame decides when the program ends (its close rule), not the
    // last window that happens to close.
    setQuitOnLastWindowClosed(false);
}

Application::~Application() {
    CloseHelpWindow();
    if (m_recentFiles) SetRecentFileSink({});
    InstallService(m_previousPosts);
    InstallService(m_previousBeep);
}

void Application::QtBeep::Beep(UINT) {
    QApplication::beep();
}

void Application::LoadStdProfileSettings(UINT maxEntries) {
    const std::string name = applicationName().toLower().toStdString() + "-recent.ini";
    m_recentFiles =
        std::make_unique<RecentFileList>(platform::JoinPath(platform::ConfigDir(), name), maxEntries);
    m_recentFiles->ReadList();
    SetRecentFileSink([this](const std::string& path) { AddToRecentFileList(path); });
    for (UINT i = 0; i < maxEntries; ++i) {
        const UINT id = ID_FILE_MRU_FILE1 + i;
        MapCommand(id, [this, id] { OnOpenRecentFile(id); });
        MapUpdate(id, [this, i](CmdUI& ui) { ui.Enable(m_recentFiles && i < m_recentFiles->GetSize()); });
    }
}

void Application::AddToRecentFileList(const std::string& path) {
    if (m_recentFiles) m_recentFiles->Add(path);
}

Document* Application::OpenShellFile(const std::string&) {
    return nullptr;
}

void Application::OnOpenRecentFile(UINT id) {
    if (!m_recentFiles || id < ID_FILE_MRU_FILE1) return;
    const size_t index = id - ID_FILE_MRU_FILE1;
    if (index >= m_recentFiles->GetSize()) return;
    const std::string path = (*m_recentFiles)[index];
    if (!platform::FileExists(path)) {
        m_recentFiles->Remove(index);
        ShowMessage(FormatString1(kIdsRecentFileGone, path), MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    // A file that opens comes to the top through its document's path; one
    // that fails to open has said why and keeps its place.
    OpenShellFile(path);
}

Application* Application::Instance() {
    return qobject_cast<Application*>(QCoreApplication::instance());
}

bool Application::OnIdle(long count) {
    if (count == 0 && m_mainFrame) m_mainFrame->UpdateCommandUI();
    RunIdleTasks();
    return false;
}

int Application::Main() {
    bool started = false;
    GuardHandler([&] { started = InitInstance(); });
    if (!started) {
        ExitInstance();
        return 1;
    }
    Run();
    int code = m_exitCode;
    GuardHandler([&] { code = ExitInstance(); });
    return code;
}

int Application::Run() {
    m_quit = false;
    while (!m_quit) PumpOnce(true);
    return m_exitCode;
}

void Application::PostQuitMessage(int exitCode) {
    m_exitCode = exitCode;
    m_quit = true;
    if (auto* d = QAbstractEventDispatcher::instance()) d->wakeUp();
}

void Application::PumpOnce(bool wait) {
    processEvents(QEventLoop::AllEvents);
    // Objects closed with deleteLater go here, as an exec() loop would do.
    sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (m_events != m_seenEvents) {
        m_seenEvents = m_events;
        m_idleDue = true;
        m_idleCount = 0;
    }
    if (m_quit) return;
    if (m_idleDue) {
        bool more = false;
        GuardHandler([&] { more = OnIdle(m_idleCount++); });
        m_idleDue = more;
        return;
    }
    if (!wait) return;
    processEvents(QEventLoop::WaitForMoreEvents);
    sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

bool Application::RunUntil(const std::function<bool()>& done, int maxWaitMs) {
    QElapsedTimer clock;
    clock.start();
    // Wakes the loop now and then, so that the safety limit is noticed.
    QTimer tick;
    tick.start(50);
    while (!done()) {
        if (m_quit || clock.elapsed() > maxWaitMs) return done();
        PumpOnce(true);
    }
    return true;
}

bool Application::notify(QObject* receiver, QEvent* event) {
    // Repaints and layout passes do not restart idle work: the idle work's
    // own updates of menus and tool bars cause them.
    switch (event->type()) {
        case QEvent::Paint:
        case QEvent::UpdateRequest:
        case QEvent::UpdateLater:
        case QEvent::LayoutRequest:
        case QEvent::DeferredDelete:
        case QEvent::Polish:
        case QEvent::PolishRequest:
            break;
        default:
            ++m_events;
    }
    bool result = false;
    const bool ok = GuardHandler([&] { result = QApplication::notify(receiver, event); });
    return ok && result;
}

bool Application::event(QEvent* e) {
    if (e->type() == QEvent::Quit) PostQuitMessage(0);
    return QApplication::event(e);
}

}  // namespace fw
