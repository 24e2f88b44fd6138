// The format core against the pattern's import: a 1 000 000-point DIFFRAC-plus file read by the core from memory
// (read_bytes), from the file (read_file) and through CFileImporter::ReadDiffracPlusFile (load, core, fill the
// pattern); and the fixed cost of one import in-process, on a three-point text file, through DoReadFile (with
// the error and width derivation) and through the reader alone.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "common.h"
#include "xrddata/formats/bytes.h"
#include "xrddata/formats/read.h"
#include "xrddata/import/importer.h"
#include "xrddata/pattern/xrddata.h"

namespace {

constexpr int kPoints = 1000000;

using bench_support::DiffracPlusBytes;
using bench_support::Save;

}  // namespace

static void BM_Core_ReadBytes_DiffracPlus_1M(benchmark::State& state) {
    const std::string bytes = DiffracPlusBytes(kPoints);
    for (auto _ : state) {
        const auto m = xrddata::formats::read_bytes(xrddata::formats::AsBytes(bytes), "bench.raw", 3);
        benchmark::DoNotOptimize(m.scans.front().counts.data());
    }
    state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_Core_ReadBytes_DiffracPlus_1M)->Unit(benchmark::kMillisecond);

static void BM_Core_ReadFile_DiffracPlus_1M(benchmark::State& state) {
    const std::string path = Save("plus.raw", DiffracPlusBytes(kPoints));
    for (auto _ : state) {
        const auto m = xrddata::formats::read_file(path);
        benchmark::DoNotOptimize(m.scans.front().counts.data());
    }
    state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_Core_ReadFile_DiffracPlus_1M)->Unit(benchmark::kMillisecond);

static void BM_Import_ReadDiffracPlusFile_1M(benchmark::State& state) {
    bench_support::ImportReaderLoop(state, Save("plus.raw", DiffracPlusBytes(kPoints)),
                                    &CFileImporter::ReadDiffracPlusFile, kPoints);
}
BENCHMARK(BM_Import_ReadDiffracPlusFile_1M)->Unit(benchmark::kMillisecond);

static void BM_Import_FixedCost_DoReadFile(benchmark::State& state) {
    const std::string path = Save("three.xy", "10 100\n11 400\n12 900\n");
    CXRDData d;
    for (auto _ : state) {
        if (!d.DoReadFile(path.c_str(), 0)) state.SkipWithError("read failed");
        benchmark::DoNotOptimize(d.GetSize());
    }
}
BENCHMARK(BM_Import_FixedCost_DoReadFile)->Unit(benchmark::kMicrosecond);

static void BM_Import_FixedCost_Reader(benchmark::State& state) {
    const std::string path = Save("three.xy", "10 100\n11 400\n12 900\n");
    CXRDData d;
    CFileImporter imp(&d);
    for (auto _ : state) {
        if (!imp.ReadTextFile(path)) state.SkipWithError("read failed");
        benchmark::DoNotOptimize(d.GetSize());
    }
}
BENCHMARK(BM_Import_FixedCost_Reader)->Unit(benchmark::kMicrosecond);

static void BM_Core_FixedCost_ReadFile(benchmark::State& state) {
    const std::string path = Save("three.xy", "10 100\n11 400\n12 900\n");
    for (auto _ : state) {
        const auto m = xrddata::formats::read_file(path);
        benchmark::DoNotOptimize(m.scans.front().counts.data());
    }
}
BENCHMARK(BM_Core_FixedCost_ReadFile)->Unit(benchmark::kMicrosecond);
