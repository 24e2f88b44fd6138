// File import: DoReadFile on a 1 000 000-line two-column text file and on a UDF file of 1 000 000 intensities,
// and the same files read by the reader alone and through detection, to separate the reading from the error and
// width derivation that DoReadFile runs afterwards (also measured on its own).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "common.h"
#include "xrddata/import/importer.h"
#include "xrddata/pattern/xrddata.h"
#include "xrddata/platform/ui.h"

namespace {

constexpr int kPoints = 1000000;

// A UDF file of n intensities, eight to a line, with the usual header (CR LF).
std::string UdfFile(int n) {
    std::string path = (std::filesystem::temp_directory_path() / ("xrddata-bench-" + std::to_string(n) + ".udf")).string();
    if (std::filesystem::exists(path)) return path;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fprintf(f, "SampleIdent,bench,/\r\nTitle1,benchmark,/\r\nAnode,Cu,/\r\nMonochromatorUsed,NO  ,/\r\n"
                    "DataAngleRange,   5.0000, %.4f,/\r\nScanStepSize,    0.001,/\r\nRawScan\r\n",
                 5.0 + (n - 1) * 0.001);
    std::mt19937 rng(1);
    for (int i = 0; i < n; ++i)
        std::fprintf(f, "%8u%s", 100 + rng() % 5000, (i % 8 == 7 || i == n - 1) ? "\r\n" : ",");
    std::fclose(f);
    return path;
}

void Full(benchmark::State& state, const std::string& path, int format) {
    bench_support::Box();
    CXRDData d;
    for (auto _ : state) {
        if (!d.DoReadFile(path.c_str(), format)) state.SkipWithError("read failed");
        benchmark::DoNotOptimize(d.GetSize());
    }
    state.SetItemsProcessed(state.iterations() * kPoints);
}

void ReaderOnly(benchmark::State& state, const std::string& path, int (CFileImporter::*read)(const CString&)) {
    bench_support::ImportReaderLoop(state, path, read, kPoints);
}

void Derivation(benchmark::State& state, const std::string& path, int format) {
    bench_support::Box();
    CXRDData read;
    if (!read.DoReadFile(path.c_str(), format)) {
        state.SkipWithError("read failed");
        return;
    }
    // Each run works on a fresh copy of the points; only the derivation is timed.
    for (auto _ : state) {
        CXRDData d(read);
        auto begin = std::chrono::steady_clock::now();
        d.GenerateErrors();
        benchmark::DoNotOptimize(d.DetectFeatureWidth(5.0, 0));
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count());
    }
    state.SetItemsProcessed(state.iterations() * kPoints);
}

void BM_DoReadFile_Text(benchmark::State& s) { Full(s, bench_support::TwoColumnFile(kPoints), CFileImporter::FormatText); }
void BM_DoReadFile_TextAuto(benchmark::State& s) { Full(s, bench_support::TwoColumnFile(kPoints), CFileImporter::FormatAuto); }
void BM_ReadTextFile(benchmark::State& s) { ReaderOnly(s, bench_support::TwoColumnFile(kPoints), &CFileImporter::ReadTextFile); }
void BM_ErrorsAndWidth_Text(benchmark::State& s) { Derivation(s, bench_support::TwoColumnFile(kPoints), CFileImporter::FormatText); }
void BM_DoReadFile_Udf(benchmark::State& s) { Full(s, UdfFile(kPoints), CFileImporter::FormatUdf); }
void BM_DoReadFile_UdfAuto(benchmark::State& s) { Full(s, UdfFile(kPoints), CFileImporter::FormatAuto); }
void BM_ReadUdfFile(benchmark::State& s) { ReaderOnly(s, UdfFile(kPoints), &CFileImporter::ReadUdfFile); }
void BM_ErrorsAndWidth_Udf(benchmark::State& s) { Derivation(s, UdfFile(kPoints), CFileImporter::FormatUdf); }

}  // namespace

BENCHMARK(BM_DoReadFile_Text)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DoReadFile_TextAuto)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadTextFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ErrorsAndWidth_Text)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DoReadFile_Udf)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DoReadFile_UdfAuto)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadUdfFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ErrorsAndWidth_Udf)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
