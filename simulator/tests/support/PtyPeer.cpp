#include "simulator/tests/support/PtyPeer.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

namespace ryxsim::testing {

PtyPeer::PtyPeer(const std::string& device) {
    m_fd = open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0) return;
    termios tio{};
    tcgetattr(m_fd, &tio);
    cfmakeraw(&tio);
    tcsetattr(m_fd, TCSANOW, &tio);
}

PtyPeer::~PtyPeer() {
    if (m_fd >= 0) close(m_fd);
}

void PtyPeer::Send(const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(m_fd, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
        } else {
            pollfd p{m_fd, POLLOUT, 0};
            if (poll(&p, 1, 1000) <= 0) return;
        }
    }
}

bool PtyPeer::Fill(int deadlineMs) {
    pollfd p{m_fd, POLLIN, 0};
    if (poll(&p, 1, deadlineMs) <= 0) return false;
    char buf[4096];
    const ssize_t n = read(m_fd, buf, sizeof buf);
    if (n <= 0) return false;
    m_buffer.append(buf, static_cast<size_t>(n));
    return true;
}

std::string PtyPeer::ReadFrame(int deadlineMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(deadlineMs);
    for (;;) {
        const size_t cr = m_buffer.find('\r');
        if (cr != std::string::npos) {
            std::string frame = m_buffer.substr(0, cr + 1);
            m_buffer.erase(0, cr + 1);
            return frame;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now())
                .count();
        if (left <= 0 || !Fill(static_cast<int>(left))) return "";
    }
}

std::string PtyPeer::ReadBytes(size_t n, int deadlineMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(deadlineMs);
    while (m_buffer.size() < n) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now())
                .count();
        if (left <= 0 || !Fill(static_cast<int>(left))) break;
    }
    std::string out = m_buffer.substr(0, n);
    m_buffer.erase(0, out.size());
    return out;
}

namespace {
bool Hex4(const std::string& s, size_t at, uint16_t& v) {
    v = 0;
    for (size_t i = at; i < at + 4; ++i) {
        const char c = s[i];
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return false;
        v = static_cast<uint16_t>(v << 4 | d);
    }
    return true;
}
}  // namespace

bool ParseDataFrame(const std::string& b, Frame& f) {
    if (b.size() != 20 || b[0] != 0x02 || b[5] != ' ' || b[10] != ' ' || b[15] != ' ' || b[19] != '\r')
        return false;
    if (!Hex4(b, 1, f.deflection) || !Hex4(b, 6, f.force) || !Hex4(b, 11, f.temperature)) return false;
    f.remote = b[16];
    f.zero = b[17];
    f.control = b[18];
    return (f.remote == 'L' || f.remote == 'R') && (f.zero == 'L' || f.zero == 'Z') &&
           (f.control == 'B' || f.control == 'C' || f.control == 'H' || f.control == 'N');
}

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "ryxsim-test-XXXXXX").string();
    if (mkdtemp(pattern.data())) m_path = pattern;
}

TempDir::~TempDir() {
    if (m_path.empty()) return;
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

}  // namespace ryxsim::testing
