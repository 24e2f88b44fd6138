// XRDML reading against two-column text: a 100 000-point XRDML file (counts as one space-separated list, 2Theta
// from start and end) read by the format core, next to the same points as two-column text read by the import's
// text reader (CFileImporter::ReadTextFile), in the same run. Also the XRDML parse alone, from memory.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "common.h"
#include "xrddata/formats/read.h"
#include "xrddata/import/importer.h"
#include "xrddata/pattern/xrddata.h"

namespace {

constexpr int kPoints = 100000;

// The points of bench_support::TwoColumnFile(n) as an XRDML 2.1 file (no declaration, CR LF), written once.
std::string XrdmlFile(int n) {
    const std::string path =
        (std::filesystem::temp_directory_path() / ("xrddata-bench-" + std::to_string(n) + ".xrdml")).string();
    if (std::filesystem::exists(path)) return path;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    bench_support::WriteXrdml(f, n, 0.001);
    std::fclose(f);
    return path;
}

void BM_Xrdml_ReadFile(benchmark::State& state) {
    const std::string path = XrdmlFile(kPoints);
    for (auto _ : state) {
        const xrddata::formats::Measurement m = xrddata::formats::read_file(path, 14);
        benchmark::DoNotOptimize(m.scans.front().counts.data());
    }
    state.SetItemsProcessed(state.iterations() * kPoints);
}

void BM_Xrdml_ParseFromMemory(benchmark::State& state) {
    const xrddata::formats::FileBytes file = xrddata::formats::load_file(XrdmlFile(kPoints));
    for (auto _ : state) {
        const xrddata::formats::Measurement m = xrddata::formats::read_bytes(file.bytes(), "bench", 14);
        benchmark::DoNotOptimize(m.scans.front().counts.data());
    }
    state.SetItemsProcessed(state.iterations() * kPoints);
}

void BM_Text_ReadTextFile(benchmark::State& state) {
    bench_support::Box();
    const std::string path = bench_support::TwoColumnFile(kPoints);
    CXRDData d;
    CFileImporter importer(&d);
    for (auto _ : state) {
        if (!importer.ReadTextFile(path)) state.SkipWithError("read failed");
        benchmark::DoNotOptimize(d.GetSize());
    }
    state.SetItemsProcessed(state.iterations() * kPoints);
}

}  // namespace

BENCHMARK(BM_Xrdml_ReadFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Xrdml_ParseFromMemory)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Text_ReadTextFile)->Unit(benchmark::kMillisecond);
