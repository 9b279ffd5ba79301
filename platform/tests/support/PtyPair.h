#pragma once
// A pseudo-terminal pair for tests of serial code: the code under test opens
// the slave by its name, the test plays the far end on the master. The pair
// keeps its own slave descriptor open, so the line's settings survive the
// code's close and the master sees no hang-up until CloseMaster.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <string_view>

namespace testsupport {

class PtyPair {
public:
    PtyPair() {
        char name[256] = {};
        if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0) return;
        m_name = name;
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
        // The master side is a plain byte pipe for the test.
        termios t{};
        if (::tcgetattr(m_master, &t) == 0) {
            ::cfmakeraw(&t);
            ::tcsetattr(m_master, TCSANOW, &t);
        }
    }
    ~PtyPair() {
        CloseMaster();
        if (m_slave >= 0) ::close(m_slave);
    }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool Ok() const { return m_master >= 0 && !m_name.empty(); }
    const std::string& SlaveName() const { return m_name; }
    int Master() const { return m_master; }
    int Slave() const { return m_slave; }

    void CloseMaster() {
        if (m_master >= 0) ::close(m_master);
        m_master = -1;
    }

    // Writes every byte to the master (the far end sends).
    bool Send(std::string_view bytes) {
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(m_master, bytes.data() + done, bytes.size() - done);
            if (n > 0) {
                done += static_cast<size_t>(n);
            } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
                pollfd p{m_master, POLLOUT, 0};
                if (::poll(&p, 1, 5000) <= 0) return false;
            } else {
                return false;
            }
        }
        return true;
    }

    // Reads from the master until want bytes came or the line stays quiet
    // for quietMs (the far end receives).
    std::string Receive(size_t want, int quietMs = 2000) {
        std::string out;
        char buf[4096];
        while (out.size() < want) {
            pollfd p{m_master, POLLIN, 0};
            if (::poll(&p, 1, quietMs) <= 0) break;
            const ssize_t n =
                ::read(m_master, buf, sizeof buf < want - out.size() ? sizeof buf : want - out.size());
            if (n > 0)
                out.append(buf, static_cast<size_t>(n));
            else if (n < 0 && (errno == EAGAIN || errno == EINTR))
                continue;
            else
                break;
        }
        return out;
    }

    // Waits until the slave side has input to read (what the master sent has
    // passed the line discipline).
    bool WaitSlaveReadable(int timeoutMs = 5000) {
        pollfd p{m_slave, POLLIN, 0};
        return ::poll(&p, 1, timeoutMs) > 0 && (p.revents & POLLIN);
    }

private:
    int m_master = -1;
    int m_slave = -1;
    std::string m_name;
};

}  // namespace testsupport
