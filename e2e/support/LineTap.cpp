#include "e2e/support/LineTap.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>

namespace e2e {

namespace {

void MakeRaw(int fd) {
    termios t{};
    if (tcgetattr(fd, &t) != 0) return;
    cfmakeraw(&t);
    tcsetattr(fd, TCSANOW, &t);
}

}  // namespace

LineTap::LineTap(const std::string& instrumentDevice, platform::Clock& clock) : m_clock(clock) {
    int slave = -1;
    char name[256] = {};
    if (openpty(&m_master, &slave, name, nullptr, nullptr) != 0) return;
    MakeRaw(slave);
    m_slavePath = name;
    close(slave);  // the station opens it by name
    m_instrument = open(instrumentDevice.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_instrument >= 0) MakeRaw(m_instrument);
    if (pipe(m_wake) != 0) return;
    m_thread = std::thread([this] { Run(); });
}

LineTap::~LineTap() {
    if (m_wake[1] >= 0) {
        const char c = 0;
        [[maybe_unused]] ssize_t n = write(m_wake[1], &c, 1);
    }
    if (m_thread.joinable()) m_thread.join();
    for (int fd : {m_master, m_instrument, m_wake[0], m_wake[1]})
        if (fd >= 0) close(fd);
}

void LineTap::Run() {
    char buf[512];
    for (;;) {
        pollfd fds[3] = {{m_master, POLLIN, 0}, {m_instrument, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        // While nobody holds the station's end the master reports a hang-up
        // at once; the short timeout keeps that from spinning.
        if (poll(fds, 3, 20) < 0) continue;
        if (fds[2].revents) return;
        if (fds[0].revents & POLLIN) {
            const ssize_t n = read(m_master, buf, sizeof buf);
            if (n > 0) {
                [[maybe_unused]] ssize_t w = write(m_instrument, buf, static_cast<size_t>(n));
                std::lock_guard lock(m_mutex);
                m_stationSeen = true;
                for (ssize_t i = 0; i < n; ++i) {
                    if (buf[i] == '\r') {
                        m_lines.push_back({m_partial, m_clock.Now(), m_fromInstrument.size()});
                        m_partial.clear();
                    } else {
                        m_partial += buf[i];
                    }
                }
                m_cv.notify_all();
            }
        } else if (fds[0].revents & (POLLHUP | POLLERR)) {
            std::lock_guard lock(m_mutex);
            if (m_stationSeen && !m_stationClosed) {
                m_stationClosed = true;
                m_cv.notify_all();
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        if (fds[1].revents & POLLIN) {
            const ssize_t n = read(m_instrument, buf, sizeof buf);
            if (n > 0) {
                // Noted before it is passed on: a reply the station has seen
                // is always counted in the lines it sends after.
                {
                    std::lock_guard lock(m_mutex);
                    m_fromInstrument.append(buf, static_cast<size_t>(n));
                }
                [[maybe_unused]] ssize_t w = write(m_master, buf, static_cast<size_t>(n));
            }
        }
    }
}

std::vector<LineTap::Line> LineTap::Lines() const {
    std::lock_guard lock(m_mutex);
    return m_lines;
}

std::vector<LineTap::Line> LineTap::LinesWith(const std::string& text) const {
    std::vector<Line> out;
    for (const Line& l : Lines())
        if (l.text.find(text) != std::string::npos) out.push_back(l);
    return out;
}

std::string LineTap::FromInstrument() const {
    std::lock_guard lock(m_mutex);
    return m_fromInstrument;
}

bool LineTap::StationClosed() const {
    std::lock_guard lock(m_mutex);
    return m_stationClosed;
}

bool LineTap::WaitForClosed(int ms) const {
    std::unique_lock lock(m_mutex);
    return m_cv.wait_for(lock, std::chrono::milliseconds(ms), [&] { return m_stationClosed; });
}

bool LineTap::WaitFor(const std::function<bool(const std::vector<Line>&)>& pred, int ms) const {
    std::unique_lock lock(m_mutex);
    return m_cv.wait_for(lock, std::chrono::milliseconds(ms), [&] { return pred(m_lines); });
}

}  // namespace e2e
