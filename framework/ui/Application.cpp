#include "framework/ui/Application.h"

#include <QAbstractEventDispatcher>
#include <QElapsedTimer>
#include <QTimer>

#include "framework/ui/Frames.h"

namespace fw {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
    m_previousPosts = InstallService(static_cast<WindowPostService*>(&m_posts));
    // The main frame decides when the program ends (its close rule), not the
    // last window that happens to close.
    setQuitOnLastWindowClosed(false);
}

Application::~Application() { InstallService(m_previousPosts); }

Application* Application::Instance() { return qobject_cast<Application*>(QCoreApplication::instance()); }

bool Application::OnIdle(long count) {
    if (count == 0 && m_mainFrame) m_mainFrame->UpdateCommandUI();
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
