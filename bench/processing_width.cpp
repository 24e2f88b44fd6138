// Feature-width detection, which every import runs: DetectFeatureWidth(5.0, 0) on 100 000-point patterns (5 to
// 105 degrees two-theta, step 0.001) with realistic peaks, and on featureless data (a smooth ramp, an amorphous
// hump) where the score never falls and every trial width up to 5 degrees runs. Each case
// runs the detection as it was before its rework (width_before.h) and as it is, in one program; the "width"
// counter shows that both find the same trial width. The times are wall-clock times: from 20,000 points on the
// detection shares its trials out to a second thread when the process may run on two processors (pinned to one
// with taskset, it runs on one thread).
#include <benchmark/benchmark.h>

#include <vector>

#include "common.h"
#include "xrddata/pattern/xrddata.h"
#include "width_before.h"

namespace {

using bench_support::Sandbox;

constexpr int kPoints = 100000;

using bench_support::PeakCounts;

std::vector<double> Angles() { return bench_support::Angles(kPoints); }

std::vector<double> RampCounts(const std::vector<double>& x) {
    std::vector<double> y(x.size());
    for (size_t i = 0; i < x.size(); ++i) y[i] = 100.0 + 20.0 * x[i] + 0.05 * x[i] * x[i];
    return y;
}

// A broad glass hump (9 degrees wide) on a falling background.
std::vector<double> HumpCounts(const std::vector<double>& x) {
    std::vector<double> y(x.size());
    for (size_t i = 0; i < x.size(); ++i) {
        const double d = (x[i] - 24.0) / 4.5;
        y[i] = 150.0 - 0.8 * x[i] + 900.0 / (1.0 + d * d);
    }
    return y;
}

template <bool Before>
void RunDetection(benchmark::State& state, std::vector<double> (*counts)(const std::vector<double>&)) {
    Sandbox box;
    const std::vector<double> x = Angles(), y = counts(x);
    CXRDData d(kPoints, x.data(), y.data(), nullptr);
    double w = 0.0;
    for (auto _ : state) {
        if constexpr (Before)
            benchmark::DoNotOptimize(w = width_before::DetectFeatureWidthBefore(d, 5.0, 0));
        else
            benchmark::DoNotOptimize(w = d.DetectFeatureWidth(5.0, 0));
    }
    state.counters["width"] = w;
    bench_support::NsPerPoint(state, kPoints);
}

void BM_WidthPeaks_Before(benchmark::State& state) { RunDetection<true>(state, PeakCounts); }
void BM_WidthPeaks_After(benchmark::State& state) { RunDetection<false>(state, PeakCounts); }
void BM_WidthRamp_Before(benchmark::State& state) { RunDetection<true>(state, RampCounts); }
void BM_WidthRamp_After(benchmark::State& state) { RunDetection<false>(state, RampCounts); }
void BM_WidthHump_Before(benchmark::State& state) { RunDetection<true>(state, HumpCounts); }
void BM_WidthHump_After(benchmark::State& state) { RunDetection<false>(state, HumpCounts); }
BENCHMARK(BM_WidthPeaks_Before)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WidthPeaks_After)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WidthRamp_Before)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WidthRamp_After)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WidthHump_Before)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WidthHump_After)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
