#include "e2e/support/LineTap.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>

namespace e2e {

namespace {

constexpr char kStx = 0x02;
constexpr size_t kFrameBytes = 20;  // STX, three words of four hex digits with spaces, three letters, CR

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
    // Every open and close of the station's end, whether or not a byte
    // passes; where the kernel gives no such events, the hang-up state does.
    m_notify = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_notify >= 0 && inotify_add_watch(m_notify, name, IN_OPEN | IN_CLOSE) < 0) {
        close(m_notify);
        m_notify = -1;
    }
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
    for (int fd : {m_master, m_instrument, m_wake[0], m_wake[1], m_notify})
        if (fd >= 0) close(fd);
}

void LineTap::NoteOpensAndCloses() {
    alignas(inotify_event) char events[4096];
    for (;;) {
        const ssize_t n = read(m_notify, events, sizeof events);
        if (n <= 0) return;
        std::lock_guard lock(m_mutex);
        for (ssize_t at = 0; at < n;) {
            const auto* e = reinterpret_cast<const inotify_event*>(events + at);
            if (e->mask & IN_OPEN) {
                ++m_opens;
                ++m_holders;
            }
            if ((e->mask & IN_CLOSE) && m_holders > 0) {
                ++m_closes;
                --m_holders;
            }
            at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
        }
        m_cv.notify_all();
    }
}

void LineTap::Run() {
    char buf[512];
    for (;;) {
        pollfd fds[4] = {{m_master, POLLIN, 0},
                         {m_instrument, POLLIN, 0},
                         {m_wake[0], POLLIN, 0},
                         {m_notify, POLLIN, 0}};  // ignored when -1
        // While nobody holds the station's end the master reports a hang-up
        // at once; the short timeout keeps that from spinning.
        if (poll(fds, 4, 20) < 0) continue;
        if (fds[2].revents) return;
        const bool hungUp = fds[0].revents & (POLLHUP | POLLERR);
        ssize_t fromStation = 0;
        if (fds[0].revents & POLLIN) {
            fromStation = read(m_master, buf, sizeof buf);
            if (fromStation > 0) {
                [[maybe_unused]] ssize_t w = write(m_instrument, buf, static_cast<size_t>(fromStation));
                std::lock_guard lock(m_mutex);
                if (m_notify < 0 && m_holders == 0) {
                    ++m_opens;
                    m_holders = 1;
                }
                m_fromStation += static_cast<size_t>(fromStation);
                for (ssize_t i = 0; i < fromStation; ++i) {
                    if (buf[i] == '\r') {
                        m_lines.push_back({m_partial, m_clock.Now(), m_fromInstrument.size()});
                        m_partial.clear();
                    } else {
                        m_partial += buf[i];
                    }
                }
                m_cv.notify_all();
            }
        }
        // Opens and closes are noted once what the station wrote before
        // them has been passed on.
        if (fromStation <= 0) {
            if (m_notify >= 0) {
                if (fds[3].revents & POLLIN) NoteOpensAndCloses();
            } else {
                // No hang-up: somebody holds the station's end; a hang-up
                // ends that. An open shorter than a pass goes unseen here.
                std::lock_guard lock(m_mutex);
                if (hungUp && m_holders > 0) {
                    ++m_closes;
                    m_holders = 0;
                    m_cv.notify_all();
                } else if (!hungUp && m_holders == 0) {
                    ++m_opens;
                    m_holders = 1;
                    m_cv.notify_all();
                }
            }
            if (hungUp) std::this_thread::sleep_for(std::chrono::milliseconds(5));
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
    return m_opens > 0 && m_holders == 0;
}

bool LineTap::WaitForClosed(int ms) const {
    std::unique_lock lock(m_mutex);
    return m_cv.wait_for(lock, std::chrono::milliseconds(ms), [&] { return m_opens > 0 && m_holders == 0; });
}

bool LineTap::HeldByThisProcess() const {
    struct stat device {};
    if (m_slavePath.empty() || stat(m_slavePath.c_str(), &device) != 0) return false;
    DIR* dir = opendir("/proc/self/fd");
    if (!dir) return false;
    bool held = false;
    while (const dirent* e = readdir(dir)) {
        if (e->d_name[0] == '.') continue;
        const int fd = std::atoi(e->d_name);
        struct stat st {};
        if (fd != dirfd(dir) && fstat(fd, &st) == 0 && S_ISCHR(st.st_mode) && st.st_rdev == device.st_rdev)
            held = true;
    }
    closedir(dir);
    return held;
}

size_t LineTap::DataFrames() const {
    const std::string from = FromInstrument();
    size_t frames = 0;
    for (size_t i = 0; i + kFrameBytes <= from.size(); ++i)
        if (from[i] == kStx && from[i + kFrameBytes - 1] == '\r') ++frames;
    return frames;
}

std::string LineTap::Describe() const {
    const size_t frames = DataFrames();
    std::lock_guard lock(m_mutex);
    std::string out = "the tap saw (";
    out += m_notify >= 0 ? "from the kernel's events" : "from the line's hang-up state";
    out += ") the station's end opened " + std::to_string(m_opens) + " time(s) and closed " +
           std::to_string(m_closes) + " time(s), held now " + std::to_string(m_holders) + " time(s); ";
    out += "the station sent " + std::to_string(m_fromStation) + " byte(s) in " +
           std::to_string(m_lines.size()) + " line(s)";
    if (!m_lines.empty()) {
        out += ", the last:";
        const size_t from = m_lines.size() > 8 ? m_lines.size() - 8 : 0;
        for (size_t i = from; i < m_lines.size(); ++i)
            out += " \"" + m_lines[i].text + "\"@" + std::to_string(m_lines[i].at);
    }
    if (!m_partial.empty()) out += ", then \"" + m_partial + "\" without CR";
    out += "; the instrument sent " + std::to_string(m_fromInstrument.size()) + " byte(s), " +
           std::to_string(frames) + " data frame(s)";
    return out;
}

bool LineTap::WaitFor(const std::function<bool(const std::vector<Line>&)>& pred, int ms) const {
    std::unique_lock lock(m_mutex);
    return m_cv.wait_for(lock, std::chrono::milliseconds(ms), [&] { return pred(m_lines); });
}

}  // namespace e2e
