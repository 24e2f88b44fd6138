// The C++ side of the Python reading benchmark: the format core reading a 1,000,000-point XRDML file, the figure
// that bench/python_bench.py sets xrddata.read() from Python against (same file, same machine, same run).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "common.h"
#include "xrddata/formats/read.h"

namespace {

constexpr int kPoints = 1000000;

// A 1,000,000-point XRDML 2.1 file (counts as one list, positions from start and end), written once to the
// temporary folder; bench/python_bench.py reads the same file.
std::string MillionPointFile() {
    const std::string path =
        (std::filesystem::temp_directory_path() / ("xrddata-bench-python-" + std::to_string(kPoints) + ".xrdml"))
            .string();
    if (std::filesystem::exists(path)) return path;
    const std::string partial = path + ".partial";
    std::FILE* f = std::fopen(partial.c_str(), "wb");
    if (!f) return path;
    bench_support::WriteXrdml(f, kPoints, 0.0001);
    std::fclose(f);
    std::filesystem::rename(partial, path);
    return path;
}

void BM_PythonRead_CoreReadFile(benchmark::State& state) {
    const std::string path = MillionPointFile();
    for (auto _ : state) {
        const xrddata::formats::Measurement m = xrddata::formats::read_file(path);
        benchmark::DoNotOptimize(m.scans.front().counts.data());
    }
    state.SetItemsProcessed(state.iterations() * kPoints);
    state.SetLabel(path);
}
BENCHMARK(BM_PythonRead_CoreReadFile)->Unit(benchmark::kMillisecond);

}  // namespace
