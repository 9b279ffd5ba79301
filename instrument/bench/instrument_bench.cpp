// The instrument link's two figures: the delay from the last byte of a data
// frame arriving on the line to WM_INSTRUMENT_UPDATE reaching a registered
// window, and the worker's CPU use while the link idles (polls answered).
// Over a pseudo-terminal, with the real clock.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "framework/core/WindowPost.h"
#include "instrument/CQXBendingBeam.h"
#include "instrument/WorkerWait.h"
#include "platform/Clock.h"
#include "platform/tests/TempDir.h"
#include "platform/tests/support/PtyPair.h"

namespace {

using Clock = std::chrono::steady_clock;

// A window service that notes when each post arrives.
class TimedPosts : public fw::WindowPostService {
public:
    bool Post(fw::WindowId, UINT, WPARAM, LPARAM) override {
        std::lock_guard lock(m_mutex);
        m_times.push_back(Clock::now());
        m_changed.notify_all();
        return true;
    }
    bool IsWindow(fw::WindowId) const override { return true; }
    size_t Count() {
        std::lock_guard lock(m_mutex);
        return m_times.size();
    }
    // The time of post number n (0-based), waiting for it.
    bool WaitFor(size_t n, Clock::time_point& at) {
        std::unique_lock lock(m_mutex);
        if (!m_changed.wait_for(lock, std::chrono::seconds(5), [&] { return m_times.size() > n; }))
            return false;
        at = m_times[n];
        return true;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Clock::time_point> m_times;
};

std::string Frame(unsigned d) {
    char text[32];
    std::snprintf(text, sizeof text, "\x02%04X 8BA6 F830 LZN\r", d);
    return text;
}

// The station's worker (sleeping until there is work), or, for comparison,
// one that wakes for a fixed pass every 10 ms.
std::unique_ptr<CQXBendingBeam> MakeBeam(bool fixedPasses) {
    if (!fixedPasses) return std::make_unique<CQXBendingBeam>();
    return std::make_unique<CQXBendingBeam>(platform::DefaultClock(),
                                            std::make_unique<ClockWait>(platform::DefaultClock(), 10));
}

struct Link {
    explicit Link(bool fixedPasses) : beamOwner(MakeBeam(fixedPasses)), beam(*beamOwner) {
        ::setenv("RYX_CONFIG_DIR", config.Path().c_str(), 1);
        previous = fw::InstallService(&posts);
        beam.AddNotifyWindow(fw::NewWindowId());
        beam.Open();
        ok =
            pty.Ok() && beam.SetPort(pty.SlaveName()) == 0 && pty.Receive(2) == "V\r" && pty.Send("V2.000\r");
        const auto until = Clock::now() + std::chrono::seconds(5);
        while (ok && beam.GetFirmwareVersion() != "2.000") {
            if (Clock::now() > until) ok = false;
            std::this_thread::yield();
        }
    }
    ~Link() {
        beam.Close();
        fw::InstallService(previous);
    }
    ryxtest::TempDir config;
    TimedPosts posts;
    fw::WindowPostService* previous = nullptr;
    testsupport::PtyPair pty;
    std::unique_ptr<CQXBendingBeam> beamOwner;
    CQXBendingBeam& beam;
    bool ok = false;
};

double Percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    return v[static_cast<size_t>(p * static_cast<double>(v.size() - 1))];
}

void BM_FrameToPostDelay(benchmark::State& state) {
    Link link(state.range(0) != 0);
    // Under load the instrument sends by itself: no polls in the way.
    if (!link.ok || !link.beam.StartLoad(10) || link.pty.Receive(6) != "000AL\r" ||
        !link.pty.Send("\x01OK\r")) {
        state.SkipWithError("link did not come up");
        return;
    }
    BeamState s;
    while (!(link.beam.GetState(s), s.test)) std::this_thread::yield();
    std::mt19937 rng(7);
    std::vector<double> delays;
    unsigned d = 20000;
    for (auto _ : state) {
        // Frames at irregular moments, so they meet the worker in every
        // phase of its pass.
        std::this_thread::sleep_for(std::chrono::microseconds(2000 + rng() % 20000));
        const size_t n = link.posts.Count();
        if (!link.pty.Send(Frame(d++))) break;
        const auto sent = Clock::now();
        Clock::time_point posted;
        if (!link.posts.WaitFor(n, posted)) {
            state.SkipWithError("no post");
            break;
        }
        const double delay = std::chrono::duration<double>(posted - sent).count();
        delays.push_back(delay * 1000.0);
        state.SetIterationTime(delay);
    }
    if (delays.empty()) return;
    state.counters["median_ms"] = Percentile(delays, 0.5);
    state.counters["p95_ms"] = Percentile(delays, 0.95);
    state.counters["max_ms"] = Percentile(delays, 1.0);
}
BENCHMARK(BM_FrameToPostDelay)
    ->ArgName("fixed_passes")
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Iterations(400)
    ->Unit(benchmark::kMillisecond);

// CPU time in ns of every thread of the process but the caller.
uint64_t OtherThreadsCpuNs() {
    const long self = ::syscall(SYS_gettid);
    uint64_t total = 0;
    DIR* dir = ::opendir("/proc/self/task");
    if (!dir) return 0;
    while (dirent* e = ::readdir(dir)) {
        if (e->d_name[0] == '.' || std::atol(e->d_name) == self) continue;
        std::ifstream in(std::string("/proc/self/task/") + e->d_name + "/schedstat");
        uint64_t ns = 0;
        if (in >> ns) total += ns;
    }
    ::closedir(dir);
    return total;
}

void BM_IdleWorkerCpu(benchmark::State& state) {
    Link link(state.range(0) != 0);
    if (!link.ok) {
        state.SkipWithError("link did not come up");
        return;
    }
    for (auto _ : state) {
        const uint64_t cpu0 = OtherThreadsCpuNs();
        const auto t0 = Clock::now();
        // The instrument answers every poll, as an idle bench would.
        unsigned polls = 0;
        while (Clock::now() - t0 < std::chrono::seconds(10)) {
            if (link.pty.Receive(2, 1000) == "G\r") {
                link.pty.Send(Frame(20000));
                ++polls;
            }
        }
        const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
        const double cpu = static_cast<double>(OtherThreadsCpuNs() - cpu0) / 1e9;
        state.counters["worker_cpu_percent"] = 100.0 * cpu / wall;
        state.counters["polls_per_s"] = polls / wall;
        state.SetIterationTime(wall);
    }
}
BENCHMARK(BM_IdleWorkerCpu)
    ->ArgName("fixed_passes")
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
