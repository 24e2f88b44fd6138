// K-alpha2 stripping of a 1 000 000-point copper pattern, including what stripping does afterwards (errors derived
// afresh, feature width detected again).
#include <benchmark/benchmark.h>

#include <vector>

#include "common.h"
#include "xrddata/pattern/xrddata.h"

namespace {

using bench_support::Sandbox;

void BM_StripKa2(benchmark::State& state) {
    Sandbox box;
    const int n = static_cast<int>(state.range(0));
    // 5 to 105 degrees; a copper doublet every 2.5 degrees on a flat background.
    const std::vector<double> x = bench_support::Angles(n), y = bench_support::DoubletCounts(x);
    const CXRDData source(n, x.data(), y.data(), nullptr);
    bench_support::StripKa2Loop(state, source);
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_StripKa2)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace
