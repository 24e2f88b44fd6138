// Time per point against size, 1 000 to 1 000 000 points, for import, K-alpha2 stripping, background fit and
// feature-width detection, with the peer library xylib's text import of the same files beside ours. The peer has
// no stripping, background or width detection, so those cases are ours alone. Every case reports the counter
// ns_per_point (CPU time per point); docs/performance_plot.py turns the JSON output into the table and the plot
// of docs/performance.md.
//
// Import: a two-column text file of n lines (TwoColumnFile). DoReadFile with the text format (code 1) is the
// whole import a host sees, the reader followed by the error and width derivation; ReadTextFile is the reader
// alone. Stripping: the noiseless copper doublets of bench_ka2 over 5 to 105 degrees (what stripping does
// afterwards, errors and width afresh, included). Background: CalculateBackground with the stored defaults of a
// fresh settings store, on peaked data over 5 to 105 degrees; width: DetectFeatureWidth(5.0, 0) on the same data.
#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <string>
#include <vector>
#include <xylib/xylib.h>

#include "../common.h"
#include "xrddata/import/importer.h"
#include "xrddata/pattern/xrddata.h"

namespace {

using bench_support::NsPerPoint;

// The synthetic pattern of n points made by counts over Angles(n), made once per process and size: the benchmark
// function runs several times per case while the iteration count is found.
const CXRDData& Pattern(int n, std::vector<double> (*counts)(const std::vector<double>&)) {
    static std::map<std::pair<int, void*>, std::unique_ptr<CXRDData>> made;
    auto& slot = made[{n, reinterpret_cast<void*>(counts)}];
    if (!slot) {
        bench_support::Box();
        const std::vector<double> x = bench_support::Angles(n), y = counts(x);
        slot = std::make_unique<CXRDData>(n, x.data(), y.data(), nullptr);
    }
    return *slot;
}

void BM_Import_DoReadFile(benchmark::State& state) {
    bench_support::Box();
    const int n = static_cast<int>(state.range(0));
    const std::string path = bench_support::TwoColumnFile(n);
    CXRDData d;
    for (auto _ : state) {
        if (d.DoReadFile(path.c_str(), CFileImporter::FormatText) != 1 || d.GetSize() != n) {
            state.SkipWithError("read failed");
            break;
        }
    }
    NsPerPoint(state, n);
}

void BM_Import_ReadTextFile(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    bench_support::ImportReaderLoop(state, bench_support::TwoColumnFile(n), &CFileImporter::ReadTextFile, n);
    NsPerPoint(state, n);
}

void BM_Peer_XylibText(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const std::string path = bench_support::TwoColumnFile(n);
    for (auto _ : state) {
        std::unique_ptr<const xylib::DataSet> ds(xylib::load_file(path, "text"));
        const xylib::Block* b = ds->get_block(0);
        // Touch every value as the point set holds them.
        double sum = 0;
        const int points = b->get_point_count();
        if (points != n) {
            state.SkipWithError("read failed");
            break;
        }
        for (int i = 0; i < points; ++i) sum += b->get_column(1).get_value(i) + b->get_column(2).get_value(i);
        benchmark::DoNotOptimize(sum);
    }
    NsPerPoint(state, n);
}

void BM_StripKa2(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    bench_support::StripKa2Loop(state, Pattern(n, bench_support::DoubletCounts));
    NsPerPoint(state, n);
}

void BM_Background(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    CXRDData d(Pattern(n, bench_support::PeakCounts));
    for (auto _ : state) {
        d.CalculateBackground(nullptr, nullptr, 0, 0, 0);
        benchmark::DoNotOptimize(d.m_Background.GetAt(CGraphData::Y, n / 2));
    }
    state.counters["knots"] = d.m_Background.m_Knots.GetSize();
    NsPerPoint(state, n);
}

void BM_Width(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    CXRDData d(Pattern(n, bench_support::PeakCounts));
    double w = 0.0;
    for (auto _ : state) benchmark::DoNotOptimize(w = d.DetectFeatureWidth(5.0, 0));
    state.counters["width"] = w;
    NsPerPoint(state, n);
}

// The four sizes; a short minimum time keeps the 1 000 000-point cases to a few iterations each.
void Sizes(benchmark::internal::Benchmark* b) {
    b->RangeMultiplier(10)->Range(1000, 1000000)->MinTime(0.2)->Unit(benchmark::kMicrosecond);
}

}  // namespace

BENCHMARK(BM_Import_DoReadFile)->Apply(Sizes);
BENCHMARK(BM_Import_ReadTextFile)->Apply(Sizes);
BENCHMARK(BM_Peer_XylibText)->Apply(Sizes);
BENCHMARK(BM_StripKa2)->Apply(Sizes);
BENCHMARK(BM_Background)->Apply(Sizes);
BENCHMARK(BM_Width)->Apply(Sizes);
