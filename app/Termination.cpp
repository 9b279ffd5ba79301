#include "app/Termination.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>

#include "app/CQXRYXwApp.h"

namespace {

int g_fds[2] = {-1, -1};

// The signals that ask the station to close: a kill, the terminal's
// interrupt, and the hang-up of the terminal or session it was started from.
constexpr int kCloseSignals[] = {SIGTERM, SIGINT, SIGHUP};

void OnSignalRaw(int) {
    // The handler may interrupt any call that sets errno.
    const int saved = errno;
    const char c = 1;
    [[maybe_unused]] ssize_t n = write(g_fds[0], &c, 1);
    errno = saved;
}

}  // namespace

TerminationHandler::TerminationHandler() {
    if (g_fds[0] < 0 && socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_fds) != 0) return;
    fcntl(g_fds[0], F_SETFL, O_NONBLOCK);
    fcntl(g_fds[1], F_SETFL, O_NONBLOCK);
    m_notifier = std::make_unique<QSocketNotifier>(g_fds[1], QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] { OnSignal(); });
    struct sigaction sa {};
    sa.sa_handler = OnSignalRaw;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : kCloseSignals) sigaction(sig, &sa, nullptr);
}

TerminationHandler::~TerminationHandler() {
    for (int sig : kCloseSignals) signal(sig, SIG_DFL);
}

void TerminationHandler::OnSignal() {
    char buf[16];
    while (read(g_fds[1], buf, sizeof buf) > 0) ++m_received;
    if (CQXRYXwApp* app = CQXRYXwApp::Instance()) app->RequestTermination();
}
