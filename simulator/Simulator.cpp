#include "simulator/Simulator.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <limits>

namespace ryxsim {

namespace {
// A UART with nobody reading keeps nothing; we keep this much for a slow
// reader and then let the rest fall on the floor, as the line would.
constexpr size_t kMaxBacklog = 16 * 1024;
// The longest the thread waits without looking at the clock: an injected
// clock may move without telling anyone.
constexpr uint64_t kMaxWaitMs = 250;
}  // namespace

Simulator::Simulator(const Options& options)
    : m_clock(options.clock ? *options.clock : platform::DefaultClock()),
      m_calibration(options.instrument.calibration),
      m_scale(options.instrument.timeScale),
      m_firmware(options.instrument.firmware),
      m_last32(m_clock.Now()),
      m_now64(m_last32),
      m_instrument(options.instrument, m_now64) {}

Simulator::~Simulator() {
    Stop();
}

platform::ErrorCode Simulator::Start() {
    if (m_thread.joinable()) return 0;
    if (const platform::ErrorCode e = m_pty.Open()) return e;
    m_wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (m_wakeFd < 0) {
        const int err = errno;
        m_pty.Close();
        return platform::ErrorFromErrno(err);
    }
    {
        std::lock_guard lock(m_syncMutex);
        m_running = true;
    }
    m_thread = std::thread([this] { Run(); });
    return 0;
}

void Simulator::Stop() {
    if (m_thread.joinable()) {
        {
            std::lock_guard lock(m_syncMutex);
            m_running = false;
        }
        Wake();
        m_thread.join();
    }
    m_syncCv.notify_all();
    if (m_wakeFd >= 0) close(m_wakeFd);
    m_wakeFd = -1;
    m_pty.Close();
}

void Simulator::Wake() {
    if (m_wakeFd < 0) return;
    const uint64_t one = 1;
    [[maybe_unused]] ssize_t n = write(m_wakeFd, &one, sizeof one);
}

void Simulator::Sync() {
    std::unique_lock lock(m_syncMutex);
    if (!m_running) return;
    const uint64_t target = ++m_syncRequested;
    Wake();
    m_syncCv.wait(lock, [&] { return m_syncDone >= target || !m_running; });
}

bool Simulator::WaitForInput(uint64_t total, int deadlineMs) {
    std::unique_lock lock(m_syncMutex);
    return m_syncCv.wait_for(lock, std::chrono::milliseconds(deadlineMs), [&] {
        return m_bytesRead >= total || !m_running;
    }) && m_bytesRead >= total;
}

uint64_t Simulator::Now64Locked() {
    const uint32_t now = m_clock.Now();
    m_now64 += static_cast<uint32_t>(now - m_last32);
    m_last32 = now;
    return m_now64;
}

void Simulator::QueueLocked(const std::string& bytes) {
    if (bytes.empty()) return;
    if (m_output.size() + bytes.size() > kMaxBacklog) {
        m_discarded += bytes.size();
        return;
    }
    m_output += bytes;
}

void Simulator::FlushOutput() {
    std::lock_guard lock(m_mutex);
    while (!m_output.empty()) {
        const ssize_t n = write(m_pty.MasterFd(), m_output.data(), m_output.size());
        if (n > 0) {
            m_output.erase(0, static_cast<size_t>(n));
            m_written += static_cast<uint64_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
                m_discarded += m_output.size();
                m_output.clear();
            }
            return;
        }
    }
}

void Simulator::Run() {
    char buf[4096];
    for (;;) {
        uint64_t seen;
        {
            std::lock_guard lock(m_syncMutex);
            if (!m_running) break;
            seen = m_syncRequested;
        }
        uint64_t timeout = kMaxWaitMs;
        bool wantWrite;
        {
            // One pass: what is due now, everything that has arrived, and what
            // that has made due.
            std::lock_guard lock(m_mutex);
            QueueLocked(m_instrument.Poll(Now64Locked()));
            for (;;) {
                const ssize_t n = read(m_pty.MasterFd(), buf, sizeof buf);
                if (n <= 0) break;
                {
                    std::lock_guard syncLock(m_syncMutex);
                    m_bytesRead += static_cast<uint64_t>(n);
                }
                m_instrument.Receive(std::string_view(buf, static_cast<size_t>(n)), Now64Locked());
                QueueLocked(m_instrument.Poll(Now64Locked()));
            }
        }
        FlushOutput();
        {
            std::lock_guard lock(m_mutex);
            const uint64_t now = Now64Locked();
            const uint64_t due = m_instrument.NextDueMs(now);
            if (due != std::numeric_limits<uint64_t>::max()) timeout = std::min(timeout, due - now);
            wantWrite = !m_output.empty();
        }
        {
            std::lock_guard lock(m_syncMutex);
            m_syncDone = std::max(m_syncDone, seen);
        }
        m_syncCv.notify_all();

        pollfd fds[2] = {{m_pty.MasterFd(), static_cast<short>(POLLIN | (wantWrite ? POLLOUT : 0)), 0},
                         {m_wakeFd, POLLIN, 0}};
        const int r = poll(fds, 2, static_cast<int>(timeout));
        if (r > 0 && (fds[1].revents & POLLIN)) {
            uint64_t v;
            [[maybe_unused]] ssize_t n = read(m_wakeFd, &v, sizeof v);
        }
        if (r > 0 && (fds[0].revents & (POLLHUP | POLLERR)) && !(fds[0].revents & POLLIN) && timeout > 0) {
            // We hold the far end open, so this should not happen; if it
            // does, don't spin on it.
            pollfd wake{m_wakeFd, POLLIN, 0};
            poll(&wake, 1, static_cast<int>(timeout));
        }
    }
    std::lock_guard lock(m_syncMutex);
    m_syncDone = m_syncRequested;
    m_syncCv.notify_all();
}

template <class F>
void Simulator::Act(F&& f) {
    {
        std::lock_guard lock(m_mutex);
        const uint64_t now = Now64Locked();
        // What was due before the operator's hand moved goes out first.
        QueueLocked(m_instrument.Poll(now));
        f(m_instrument.Model(now), m_instrument.GetFaults());
    }
    Wake();
}

void Simulator::InsertBeam(BeamKind kind) {
    Act([&](BenchModel& m, Faults&) { m.InsertBeam(kind); });
}
void Simulator::FlipBeam() {
    Act([&](BenchModel& m, Faults&) { m.FlipBeam(); });
}
void Simulator::PlaceGageBlock(GageLevel level) {
    Act([&](BenchModel& m, Faults&) { m.PlaceGageBlock(level); });
}
bool Simulator::AddMass(int grams) {
    bool ok = false;
    Act([&](BenchModel& m, Faults&) { ok = m.AddMass(grams); });
    return ok;
}
bool Simulator::RemoveMass(int grams) {
    bool ok = false;
    Act([&](BenchModel& m, Faults&) { ok = m.RemoveMass(grams); });
    return ok;
}
void Simulator::RemoveAllMasses() {
    Act([&](BenchModel& m, Faults&) { m.RemoveAllMasses(); });
}
void Simulator::SetContactLoad(double mN) {
    Act([&](BenchModel& m, Faults&) { m.SetContactLoad(mN); });
}
void Simulator::SetRemote(bool remote) {
    Act([&](BenchModel& m, Faults&) { m.SetRemote(remote); });
}
void Simulator::SetLoadSwitch(bool atLoad) {
    Act([&](BenchModel& m, Faults&) { m.SetLoadSwitch(atLoad); });
}
void Simulator::SetLifted(bool lifted) {
    Act([&](BenchModel& m, Faults&) { m.SetLifted(lifted); });
}
void Simulator::SetBathTemperature(double celsius) {
    Act([&](BenchModel& m, Faults&) { m.SetBathTemperature(celsius); });
}

void Simulator::SetSilent(bool on) {
    Act([&](BenchModel&, Faults& f) { f.silent = on; });
}
void Simulator::SetReplyDelay(uint32_t ms) {
    Act([&](BenchModel&, Faults& f) { f.replyDelayMs = ms; });
}
void Simulator::CorruptFrames(int count) {
    Act([&](BenchModel&, Faults& f) { f.corruptFrames = std::max(0, count); });
}
void Simulator::DropBytes(int count) {
    Act([&](BenchModel&, Faults& f) { f.dropFrames = std::max(0, count); });
}
void Simulator::SetLowerCaseHex(bool on) {
    Act([&](BenchModel&, Faults& f) { f.lowerCaseHex = on; });
}
void Simulator::SetJunk(bool on) {
    Act([&](BenchModel&, Faults& f) { f.junk = on; });
}
void Simulator::SetAutoFramesStopped(bool stopped) {
    Act([&](BenchModel&, Faults& f) { f.autoFramesStopped = stopped; });
}
void Simulator::ClearFaults() {
    Act([&](BenchModel&, Faults& f) { f = Faults{}; });
}

ModelState Simulator::State() {
    ModelState s;
    Act([&](BenchModel& m, Faults&) { s = m.State(); });
    return s;
}

Faults Simulator::GetFaults() {
    std::lock_guard lock(m_mutex);
    return m_instrument.GetFaults();
}

uint64_t Simulator::FramesSent() {
    std::lock_guard lock(m_mutex);
    return m_instrument.FramesSent();
}

uint64_t Simulator::BytesWritten() {
    std::lock_guard lock(m_mutex);
    return m_written;
}

uint64_t Simulator::BytesDiscarded() {
    std::lock_guard lock(m_mutex);
    return m_discarded;
}

void Simulator::SetLog(SimulatedInstrument::Log log) {
    std::lock_guard lock(m_mutex);
    m_instrument.SetLog(std::move(log));
}

}  // namespace ryxsim
