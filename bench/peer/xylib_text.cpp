// Text import side by side with the peer library xylib on the same 1 000 000-line two-column file.
#include <benchmark/benchmark.h>

#include <memory>
#include <xylib/xylib.h>

#include "../common.h"
#include "xrddata/arrays/graphdata.h"

static void BM_Xrddata_TextImport(benchmark::State& state) {
    std::string path = bench_support::TwoColumnFile(1000000);
    for (auto _ : state) {
        CGraphData g;
        g.DoImportFile(path.c_str());
        benchmark::DoNotOptimize(g.GetSize());
    }
}
BENCHMARK(BM_Xrddata_TextImport)->Unit(benchmark::kMillisecond);

static void BM_Xylib_TextImport(benchmark::State& state) {
    std::string path = bench_support::TwoColumnFile(1000000);
    for (auto _ : state) {
        std::unique_ptr<const xylib::DataSet> ds(xylib::load_file(path, "text"));
        const xylib::Block* b = ds->get_block(0);
        // Touch every value as the point set holds them.
        double sum = 0;
        int n = b->get_point_count();
        for (int i = 0; i < n; ++i) sum += b->get_column(1).get_value(i) + b->get_column(2).get_value(i);
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_Xylib_TextImport)->Unit(benchmark::kMillisecond);
