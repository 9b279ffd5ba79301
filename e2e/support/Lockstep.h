#pragma once
// Helpers of the whole-test scenarios: the worker's wait held by the test,
// which runs one worker pass per grant, and the check of a saved test's
// point list.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/ioctl.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>

#include "instrument/CQXBendingBeam.h"
#include "instrument/WorkerWait.h"
#include "simulator/Simulator.h"

namespace e2e {

// The worker's wait between passes, held by the test: the worker runs its
// next pass only when the test grants it, and the test moves the clock in
// between. A queued command waits for the next granted pass.
class LockstepWait final : public WorkerWait {
public:
    void Wait(uint32_t, int fd) override {
        std::unique_lock lock(m_mutex);
        m_fd = fd;
        ++m_waits;
        m_asleep = true;
        m_changed.notify_all();
        m_changed.wait(lock, [&] { return m_grants > 0 || m_free; });
        if (m_grants > 0) --m_grants;
        m_asleep = false;
    }
    void Wake() override {}

    // The line the worker watches (-1 while closed).
    int Fd() {
        std::lock_guard lock(m_mutex);
        return m_fd;
    }
    bool WaitAsleep() {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, kPatience, [&] { return m_asleep; });
    }
    // One pass; true once the worker is back in its wait. False when it does
    // not come back within a few seconds (a test failure, not a timing).
    bool Pass() {
        std::unique_lock lock(m_mutex);
        if (!m_changed.wait_for(lock, kPatience, [&] { return m_asleep; })) return false;
        const uint64_t before = m_waits;
        ++m_grants;
        m_changed.notify_all();
        return m_changed.wait_for(lock, kPatience, [&] { return m_waits > before && m_asleep; });
    }
    // Lets every wait through, for stopping the worker.
    void Free() {
        std::lock_guard lock(m_mutex);
        m_free = true;
        m_changed.notify_all();
    }

private:
    static constexpr std::chrono::seconds kPatience{10};
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_fd = -1;
    uint64_t m_waits = 0;
    int m_grants = 0;
    bool m_asleep = false;
    bool m_free = false;
};

// Brings the line between the station's instrument and the simulator up to
// the clock's present time, between two worker passes: the simulator has
// read every byte the station wrote, has caught up with the clock, and
// every byte it wrote is at the station's end (read, or waiting there). The
// kernel hands bytes on in its own time, so each of these is waited for by
// event; only a line that stays behind for seconds fails (a test failure,
// not a timing). Not for lines with faults that lose bytes on the way.
inline ::testing::AssertionResult SyncLine(CQXBendingBeam& beam, ryxsim::Simulator& sim, LockstepWait& wait) {
    constexpr int kPatienceMs = 10000;
    const uint64_t written = beam.GetLineCounts().written;
    if (!sim.WaitForInput(written, kPatienceMs))
        return ::testing::AssertionFailure() << "the simulator has not read the station's " << written << " bytes";
    sim.Sync();
    const uint64_t sent = sim.BytesWritten();
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(kPatienceMs);
    for (;;) {
        const int fd = wait.Fd();
        int waiting = 0;
        if (fd < 0 || ::ioctl(fd, FIONREAD, &waiting) != 0) waiting = 0;
        const uint64_t received = beam.GetLineCounts().received;
        if (received + static_cast<uint64_t>(waiting) >= sent) return ::testing::AssertionSuccess();
        if (std::chrono::steady_clock::now() > until)
            return ::testing::AssertionFailure() << "of the simulator's " << sent << " bytes, " << received
                                                 << " read and " << waiting << " waiting";
        pollfd p{fd, POLLIN, 0};
        ::poll(&p, fd >= 0 ? 1 : 0, 1);
    }
}

// A saved test file's point list: the count, the first record with its class
// ("RYXTestData"), then count - 1 records naming the class by its index; the
// last record ends the file.
inline ::testing::AssertionResult HasPointList(const std::string& bytes, uint16_t count) {
    std::string head("\xF5\x01\xFF\xFF\x36\x01\x0B\x00RYXTestData", 19);
    head[0] = static_cast<char>(count & 0xFF);
    head[1] = static_cast<char>(count >> 8);
    const size_t at = bytes.find(head);
    if (at == std::string::npos) return ::testing::AssertionFailure() << "no point list of " << count;
    size_t p = at + head.size() + 12;
    for (int i = 1; i < count; ++i, p += 14) {
        if (p + 14 > bytes.size()) return ::testing::AssertionFailure() << "the file ends at record " << i;
        if (bytes.compare(p, 2, std::string("\x01\x80", 2)) != 0)
            return ::testing::AssertionFailure() << "record " << i << " does not name the class";
    }
    if (p != bytes.size()) return ::testing::AssertionFailure() << (bytes.size() - p) << " bytes after the last record";
    return ::testing::AssertionSuccess();
}

}  // namespace e2e
