// Real-time cadence of the load's own data frames on the pseudo-terminal at
// time scale 1: the station treats a gap above 1000 ms as a lost instrument
// and counts every frame as 0.5 s, so the interval should sit at 500 ms.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <vector>

#include "platform/Clock.h"
#include "simulator/Simulator.h"
#include "simulator/tests/support/PtyPeer.h"

namespace {

void BM_AutomaticFrameCadence(benchmark::State& state) {
    const int frames = static_cast<int>(state.range(0));
    platform::SteadyClock clock;
    ryxsim::Simulator::Options options;
    options.clock = &clock;
    ryxsim::Simulator sim(options);
    if (sim.Start() != 0) {
        state.SkipWithError("no pseudo-terminal");
        return;
    }
    ryxsim::testing::PtyPeer peer(sim.DevicePath());
    std::vector<double> intervals;
    for (auto _ : state) {
        peer.Send("FFFFL\r");
        if (peer.ReadFrame() != "\x01OK\r") {
            state.SkipWithError("no acknowledgement");
            return;
        }
        peer.ReadFrame();
        auto last = std::chrono::steady_clock::now();
        const auto start = last;
        for (int i = 0; i < frames; ++i) {
            if (peer.ReadFrame(2000).size() != 20) {
                state.SkipWithError("a frame went missing");
                return;
            }
            const auto now = std::chrono::steady_clock::now();
            intervals.push_back(std::chrono::duration<double, std::milli>(now - last).count());
            last = now;
        }
        state.SetIterationTime(std::chrono::duration<double>(last - start).count());
        peer.Send("D\r");
        peer.ReadFrame();
    }
    double sum = 0, worst = 0;
    for (double v : intervals) {
        sum += v;
        worst = std::max(worst, std::fabs(v - 500.0));
    }
    state.counters["mean_interval_ms"] = sum / static_cast<double>(intervals.size());
    state.counters["worst_deviation_ms"] = worst;
    state.counters["min_interval_ms"] = *std::min_element(intervals.begin(), intervals.end());
    state.counters["max_interval_ms"] = *std::max_element(intervals.begin(), intervals.end());
}
BENCHMARK(BM_AutomaticFrameCadence)->Arg(40)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
