// K-alpha2 stripping of a 1 000 000-point copper pattern, including what stripping does afterwards (errors derived
// afresh, feature width detected again).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "common.h"
#include "xrddata/pattern/xrddata.h"

namespace {

using bench_support::Sandbox;

void BM_StripKa2(benchmark::State& state) {
    Sandbox box;
    const int n = static_cast<int>(state.range(0));
    std::vector<double> x(n), y(n);
    // 5 to 105 degrees; a copper doublet every 2.5 degrees on a flat background.
    const double step = 100.0 / n;
    CRadiation cu;
    for (int i = 0; i < n; ++i) {
        x[i] = 5.0 + step * i;
        const double c = 7.5 + 2.5 * std::floor((x[i] - 6.25) / 2.5);
        const double d1 = (x[i] - c) / 0.05, d2 = (x[i] - cu.Ka2PositionDegrees(c)) / 0.05;
        y[i] = 200.0 + 3000.0 * std::exp(-0.693 * d1 * d1) + 1500.0 * std::exp(-0.693 * d2 * d2);
    }
    const CXRDData source(n, x.data(), y.data(), nullptr);
    for (auto _ : state) {
        state.PauseTiming();
        CXRDData d(source);
        state.ResumeTiming();
        d.StripKa2();
        benchmark::DoNotOptimize(d.GetAt(CGraphData::Y, n / 2));
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_StripKa2)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace
