// Diffraction pattern: constructing one (eleven settings read from the cached settings store) and storing and
// loading the archive record of a 100 000-point pattern.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "common.h"
#include "xrddata/pattern/xrddata.h"
#include "xrddata/platform/memfile.h"

namespace {

using bench_support::Sandbox;

void BM_ConstructPattern(benchmark::State& state) {
    Sandbox box;
    { CXRDData first; }  // creates the settings keys once
    for (auto _ : state) {
        CXRDData d;
        benchmark::DoNotOptimize(d.m_dFixedWidth);
    }
}
BENCHMARK(BM_ConstructPattern);

void BM_StoreLoadPattern(benchmark::State& state) {
    Sandbox box;
    const int n = static_cast<int>(state.range(0));
    std::vector<double> x(n), y(n), e(n);
    for (int i = 0; i < n; ++i) {
        x[i] = 5.0 + 0.01 * i;
        y[i] = 1000.0 + (i % 97);
        e[i] = 31.6;
    }
    CXRDData d(n, x.data(), y.data(), e.data());
    d.m_OriginalData.Assign(x.data(), y.data(), nullptr, n);
    d.m_strSampleName = "benchmark";
    CXRDData loaded;
    int64_t recordBytes = 0;
    for (auto _ : state) {
        recordBytes = bench_support::ArchiveRoundTrip(d, loaded);
        benchmark::DoNotOptimize(loaded.GetSize());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * recordBytes);
}
BENCHMARK(BM_StoreLoadPattern)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
