#include "instrument/WorkerWait.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <thread>

EventWait::EventWait() : m_event(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

EventWait::~EventWait() {
    if (m_event >= 0) ::close(m_event);
}

void EventWait::Wake() {
    if (m_event < 0) return;
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(m_event, &one, sizeof one);
}

void EventWait::Wait(uint32_t ms, int fd) {
    using namespace std::chrono;
    const auto start = steady_clock::now();
    if (m_event < 0) {  // no eventfd: a plain sleep, as the pass interval
        std::this_thread::sleep_for(milliseconds(ms));
        return;
    }
    pollfd p[2] = {{m_event, POLLIN, 0}, {fd, POLLIN, 0}};
    const int count = fd >= 0 ? 2 : 1;
    const int timeout = ms > INT_MAX ? INT_MAX : static_cast<int>(ms);
    int r = 0;
    do {
        r = ::poll(p, static_cast<nfds_t>(count), timeout);
    } while (r < 0 && errno == EINTR);
    if (r > 0 && (p[0].revents & POLLIN)) {
        uint64_t v = 0;
        [[maybe_unused]] const ssize_t n = ::read(m_event, &v, sizeof v);
        return;  // woken on purpose: at once
    }
    if (r > 0 && count == 2 && p[1].revents) {
        const auto elapsed = steady_clock::now() - start;
        if (!(p[1].revents & POLLIN)) {
            // A hung-up line stays "ready" for ever: wait the rest of the
            // time for a wake only.
            const auto rest = duration_cast<milliseconds>(milliseconds(ms) - elapsed).count();
            if (rest > 0) {
                do {
                    r = ::poll(p, 1, static_cast<int>(rest));
                } while (r < 0 && errno == EINTR);
                if (r > 0) {
                    uint64_t v = 0;
                    [[maybe_unused]] const ssize_t n = ::read(m_event, &v, sizeof v);
                }
            }
            return;
        }
        // Input: keep the minimum gap between passes.
        const auto gap = milliseconds(kMinGap) - elapsed;
        if (gap > steady_clock::duration::zero()) std::this_thread::sleep_for(gap);
    }
}
